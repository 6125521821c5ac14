#pragma once
// Every format's list built in memory from one set of tables, and read
// back by its reader.
#include "tests/readback/azboxReader.h"
#include "tests/readback/ecdfReader.h"
#include "tests/readback/enigmaReader.h"
#include "tests/readback/jstReader.h"
#include "tests/readback/ndfReader.h"
#include "tests/readback/neutrinoReader.h"
#include "tests/readback/vdrReader.h"
#include "writers/azbox/azbox.h"
#include "writers/ecdf/ecdf.h"
#include "writers/enigma/enigma.h"
#include "writers/jst/jst.h"
#include "writers/ndf/ndf.h"
#include "writers/neutrino/neutrino.h"
#include "writers/vdr/vdr.h"

enum class ListFormat { E2, E1, Ndf, Sb5, S2hd, St1, Js1, Azbox, Vdr, Neutrino };
constexpr ListFormat kEveryFormat[] = {
    ListFormat::E2,  ListFormat::E1,  ListFormat::Ndf,   ListFormat::Sb5, ListFormat::S2hd,
    ListFormat::St1, ListFormat::Js1, ListFormat::Azbox, ListFormat::Vdr, ListFormat::Neutrino};

inline const char* formatName(ListFormat f) {
    static const char* const names[] = {"e2",  "e1",  "ndf",   "sb5", "s2hd",
                                        "st1", "js1", "azbox", "vdr", "neutrino"};
    return names[static_cast<int>(f)];
}

inline BuildResult buildList(ListFormat f, const WriterInput& utf8In, const AzboxLists& lists,
                             ListFiles* out) {
    out->clear();
    // As a job does: the Windows-1252 formats get the names spelled.
    LatinTables keep;
    const bool utf8 = f == ListFormat::Vdr || f == ListFormat::Neutrino ||
                      ((f == ListFormat::E2 || f == ListFormat::E1) &&
                       (!utf8In.cfg || utf8In.cfg->enigmaCp1252 == 0));
    const WriterInput in = utf8 ? utf8In : withLatinNames(utf8In, &keep);
    auto emit = [out](OutFile&& o) { return out->emplace(o.name, std::move(o.bytes)).second; };
    if (f == ListFormat::E2) return buildE2(in, emit, [](int) {});
    if (f == ListFormat::E1) return buildE1(in, emit, [](int) {});
    if (f == ListFormat::Neutrino) return buildNeutrino(in, emit, [](int) {});
    if (f == ListFormat::Azbox) {
        BuildResult r = buildAzboxAllChannel(in, lists, &(*out)["all_channel.dat"]);
        if (r.ok) r = buildAzboxDvbs(in, &(*out)["DVBS.dat"]);
        if (r.ok) r = buildAzboxAntennaList(in, &(*out)["antenna_list.dat"]);
        return r;
    }
    std::string* image = &(*out)["image"];
    if (f == ListFormat::Ndf) return buildNdfImage(in, image);
    if (f == ListFormat::Vdr) return buildVdrImage(in, image);
    if (f == ListFormat::Sb5 || f == ListFormat::S2hd)
        return buildEcdfImage(in, f == ListFormat::Sb5 ? kEcdfFamilySB5 : kEcdfFamilyS2HD, image);
    return buildJstImage(in, f == ListFormat::St1 ? jst::kFamilyST1 : jst::kFamilyJS1, image);
}

// Everything the format's reader checks.
inline Faults readList(ListFormat f, const ListFiles& files) {
    static const std::string none;
    const std::string& image = fileOf(files, "image") ? *fileOf(files, "image") : none;
    switch (f) {
    case ListFormat::E2: return readEnigma(files, kEnigma2);
    case ListFormat::E1: return readEnigma(files, kEnigma1);
    case ListFormat::Ndf: return readNdf(image).faults;
    case ListFormat::Sb5:
    case ListFormat::S2hd: return readEcdf(image).faults;
    case ListFormat::St1:
    case ListFormat::Js1: return readJst(image).faults;
    case ListFormat::Azbox: return readAzbox(files).faults;
    case ListFormat::Vdr: return readVdrList(image).faults;
    case ListFormat::Neutrino: return readNeutrino(files).faults;
    }
    return {};
}
