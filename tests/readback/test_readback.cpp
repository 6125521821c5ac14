// The readers on the golden Enigma lists and on every format built from one
// sample table, and each reader against faults planted in a good list.
#include <filesystem>
#include <functional>

#include "tests/readback/lists.h"
#include "tests/writers/writerFixture.h"

namespace {

ListFiles goldenEnigma(EnigmaVersion v) {
    ListFiles files;
    for (const auto& e : fs::directory_iterator(std::string(VA_TEST_DATA) + "/enigma/mode0/" +
                                                (v == kEnigma1 ? "e1" : "e2")))
        files[e.path().filename().string()] = fileText(e.path());
    return files;
}

// The list with the first `from` of file `name` replaced by `to`.
ListFiles planted(ListFiles files, const std::string& name, const std::string& from,
                  const std::string& to) {
    std::string& text = files[name];
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << name << ": " << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return files;
}

// Three satellites (one west), eight transponders, 30 channels of three
// bouquets each with a marker, every fifth radio, three favourite groups.
void fillSample(Tables& t) {
    for (int s = 1; s <= 3; ++s) {
        T_dbSat& sat =
            t.addSat(s * 10, ("Sat " + std::to_string(s)).c_str(), s == 3 ? 3550 : 130 * s);
        sat.lnbType = 1, sat.freqLo = 3, sat.freqHi = 6;
        copyText(sat.location, s == 3 ? "5.0W" : "13.0E");
    }
    char id[8];
    for (int k = 1; k <= 8; ++k) {
        // Odd ones six digits with a leading zero: every file must name the same 16 bits.
        if (k % 2)
            std::snprintf(id, sizeof id, "%06X", (0x1A00 + k) << 4 | 3);
        else
            std::snprintf(id, sizeof id, "%04X", 0x1A00 + k);
        T_dbTp& tp = t.addTp((k + 2) / 3 * 10, k, 10700 + 100 * k, k % 2, "013E", id);
        tp.fec = 3, tp.modulation = k % 2;
    }
    for (int m = 1; m <= 30; ++m) {
        const T_dbTp& tp = t.tpDB->tp[(m - 1) * 8 / 30 + 1];
        const bool marker = m % 10 == 1, radio = !marker && m % 5 == 0;
        std::snprintf(id, sizeof id, "%04X", marker ? 0xFFFF : 0x100 + m);
        T_dbCh& c = t.addCh(radio, tp.sat_id, tp.stp_id,
                            marker ? "@ Marker @" : ("Ch " + std::to_string(m)).c_str(), id);
        c.fake = c.skip = marker;
        c.groupId = c.bou_id = (m - 1) / 10 + 1;
        copyText(c.groupName, ("Bouquet " + std::to_string(c.groupId)).c_str());
        c.cat_id = m % 7 == 0 ? 9 : 1;
        if (!marker) Tables::addAudio(c, "0101", 1, 0, m % 3 == 0);
        if (marker) --t.report.tvChannels, ++t.report.tvFake;
    }
    // One bouquet per run of a bouquet on one satellite, as the download counts them.
    for (uint32_t m = 1, prev = 0; m <= t.chDB->count; ++m) {
        const T_dbCh &c = t.chDB->ch[m], &p = t.chDB->ch[prev];
        if (c.fake) continue;
        t.report.bouquets += !prev || c.groupId != p.groupId || c.realSatId != p.realSatId;
        prev = m;
    }
    for (int g = 1; g <= 3; ++g) {
        t.addFav(g, ("Fav " + std::to_string(g)).c_str());
        for (int m = g + 1; m <= 30; m += 4) {
            const T_dbCh& c = t.chDB->ch[m];
            if (c.fake) continue;
            T_dbChFav& l = t.addLink(g, m - 1);
            l.sat_id = l.realSatId = c.sat_id, l.stp_id = c.stp_id, l.groupId = c.groupId,
            l.ch_type = c.ch_type;
            copyText(l.sid, c.sid);
        }
    }
    t.report.favGroups = t.favDB->count, t.report.favChannels = t.chFavDB->count;
}

struct Sample : Tables {
    std::map<ListFormat, ListFiles> lists;
    Sample() {
        fillSample(*this);
        for (ListFormat f : kEveryFormat) {
            BuildResult r = buildList(f, input(), {&bou, &cat}, &lists[f]);
            EXPECT_TRUE(r.ok) << formatName(f) << ": " << r.message;
        }
    }
};

void poke16(std::string& s, size_t off, uint32_t v, bool big = false) {
    s[off + (big ? 1 : 0)] = static_cast<char>(v & 0xFF);
    s[off + (big ? 0 : 1)] = static_cast<char>(v >> 8);
}
void poke32(std::string& s, size_t off, uint32_t v) {
    poke16(s, off, v & 0xFFFF), poke16(s, off + 2, v >> 16);
}

}  // namespace

TEST(EnigmaReadback, GoldenListsLinkUpAndTheirEntriesResolve) {
    for (EnigmaVersion v : {kEnigma2, kEnigma1})
        EXPECT_TRUE(readsBack(readEnigma(goldenEnigma(v), v))) << v;
}

TEST(EnigmaReadback, PlantedFaultsAreFound) {
    for (EnigmaVersion v : {kEnigma2, kEnigma1}) {
        SCOPED_TRACE(v);
        const ListFiles good = goldenEnigma(v);
        const bool e2 = v == kEnigma2;
        const std::string services = e2 ? "lamedb" : "services",
                          ref = e2 ? "#SERVICE 1:0:1:" : "#SERVICE: 1:0:1:";
        auto found = [&](const ListFiles& files, const char* what) {
            return readEnigma(files, v).has(what);
        };
        // A service on a transponder that is not listed.
        EXPECT_TRUE(found(planted(good, services, "0D49:008229DF:2F44", "0D49:008229DF:2F45"),
                          "has no transponder"));
        // A transponder whose namespace names another position than its data.
        EXPECT_TRUE(
            found(planted(good, services, ":130:2:0\n", ":131:2:0\n"), "does not name position"));
        // Bouquet entries, parental and Enigma1 bouquet lines without their service.
        EXPECT_TRUE(found(planted(good, "userbouquet.dbe03.tv", ref + "1:", ref + "2:"),
                          "names no service (sid 2,"));
        EXPECT_TRUE(
            found(planted(good, e2 ? "blacklist" : "services.locked", "1:0:2:D5A:", "1:0:2:D5B:"),
                  "names no service (sid d5b,"));
        if (!e2) {
            EXPECT_TRUE(found(planted(good, "bouquets", "0001:0dde2b84", "0002:0dde2b84"),
                              "names no service (sid 2,"));
        }
        // Index lines naming a bouquet file that is not there, and one left unnamed.
        const ListFiles lost =
            e2 ? planted(good, "bouquets.tv", "dbe03.tv", "dbe09.tv")
               : planted(planted(good, "userbouquets.tv.epl", "dbe03:", "dbe09:"),
                         "userbouquets.tv.epl",
                         "dbe03.tv\n#TYPE 16385\n/var/tuxbox/config/enigma/userbouquet.dbe03.tv",
                         "dbe09.tv\n#TYPE 16385\n/var/tuxbox/config/enigma/userbouquet.dbe09.tv");
        EXPECT_TRUE(found(lost, "names userbouquet.dbe09.tv, which is not in the list"));
        EXPECT_TRUE(found(lost, "userbouquet.dbe03.tv: no index names it"));
        // satellites.xml: not well-formed; a transponder's position missing.
        EXPECT_TRUE(found(planted(good, "satellites.xml", "</satellites>", "</satellite>"),
                          "xmllint --noout fails"));
        EXPECT_TRUE(found(planted(good, "satellites.xml", "position=\"-50\"", "position=\"-51\""),
                          "no satellite at position -50"));
    }
}

TEST(ListReadback, EveryFormatOfTheSampleReadsBackAndNotCutInHalf) {
    Sample s;
    for (ListFormat f : kEveryFormat) {
        EXPECT_TRUE(readsBack(readList(f, s.lists[f]))) << formatName(f);
        ListFiles cut = s.lists[f];
        for (auto& [name, bytes] : cut) bytes.resize(bytes.size() / 2);
        EXPECT_FALSE(readList(f, cut).ok()) << formatName(f);
    }
    EXPECT_EQ(readNdf(s.lists[ListFormat::Ndf]["image"]).channels, 30u);
    EXPECT_EQ(readJst(s.lists[ListFormat::St1]["image"]).radio, 6u);
    EXPECT_EQ(readAzbox(s.lists[ListFormat::Azbox]).channels, 30u);
}

// Offsets below follow from the sample: three satellites named "Sat N",
// eight transponders, channels without teletext. ECDF body at 64: limits
// at 16, satellites at 41, transponders at 203, channels at 338 (first
// record at 345), favourites at 1667 (first group's TV entries at 1698).
TEST(ListReadback, PlantedBinaryFaultsAreFound) {
    using F = ListFormat;
    const size_t ndfTp = 530 + 3 * 10 + 61 * 5 + 2, all = 275632, tp1 = 1595992 + 304;
    struct Plant {
        ListFormat format;
        std::function<void(std::string& image, ListFiles& files)> plant;
        const char* what;
    };
    const Plant plants[] = {
        {F::Ndf, [](std::string& i, ListFiles&) { i.back() ^= 1; }, "check byte"},
        {F::Ndf, [](std::string& i, ListFiles&) { i.push_back('\0'); }, "size field"},
        {F::Ndf, [&](std::string& i, ListFiles&) { i[ndfTp + 6] = 3; },
         "transponder 0: satellite 3 of 3"},
        {F::Ndf, [&](std::string& i, ListFiles&) { poke16(i, ndfTp - 2, 9); }, "not on a record"},
        {F::Ndf,
         [](std::string& i, ListFiles&) {  // the second entry of "Fav 1" names its first again
             const size_t g = i.find("\005Fav 1") + 6;
             i[g + 4] = i[g + 2], i[g + 5] = i[g + 3];
         },
         "reached twice"},
        {F::Sb5, [](std::string& i, ListFiles&) { i.back() ^= 1; }, "CRC"},
        {F::Sb5, [](std::string& i, ListFiles&) { i[7] ^= 1; }, "checksum"},
        {F::Sb5, [](std::string& i, ListFiles&) { poke16(i, 64 + 345, 8, true); },
         "channel 0: transponder 8 of 8"},
        {F::Sb5, [](std::string& i, ListFiles&) { i[64 + 203 + 4] ^= 1; },
         "transponder section: 8 records in 131 bytes"},
        {F::Sb5, [](std::string& i, ListFiles&) { i[64 + 41 + 5] = 4; }, "satellite section"},
        {F::Sb5,
         [](std::string& i, ListFiles&) { i.replace(64 + 1705, 2, i.substr(64 + 1698, 2)); },
         "reached twice"},
        {F::Js1, [](std::string& i, ListFiles&) { poke16(i, 73856 + 12, 8); },
         "transponder 8 of 8"},
        {F::Js1, [](std::string& i, ListFiles&) { i[8320 + 12] = 3; },
         "transponder 0: satellite 3 of 3"},
        {F::Js1, [](std::string& i, ListFiles&) { i[270464 + 2] += 1; }, "radio block"},
        {F::Js1, [](std::string& i, ListFiles&) { i.pop_back(); }, "not a JST file"},
        {F::Azbox,
         [&](std::string&, ListFiles& f) { poke32(f["all_channel.dat"], all + 20, 0xFFFFFFF0); },
         "is no channel node"},
        {F::Azbox,
         [&](std::string&, ListFiles& f) {  // record 2 leads to the node of record 1
             std::string& a = f["all_channel.dat"];
             a.replace(all + 24 + 4, 20, a.substr(all + 4, 20));
         },
         "reached twice"},
        {F::Azbox,
         [&](std::string&, ListFiles& f) { poke32(f["all_channel.dat"], tp1 + 528 + 4, 0x1234); },
         "links"},
        {F::Azbox, [](std::string&, ListFiles& f) { poke16(f["all_channel.dat"], 1595990, 9); },
         "cut off"},
        {F::Azbox, [](std::string&, ListFiles& f) { f["DVBS.dat"][0] = 2; },
         "DVBS.dat lists 6 transponders"},
        {F::Azbox, [](std::string&, ListFiles& f) { f["antenna_list.dat"][36 + 32 * 5] = 4; },
         "slot numbers"},
        {F::Vdr, [](std::string& i, ListFiles&) { i += i.substr(i.find('\n') + 1); }, "again"},
        {F::Vdr, [](std::string& i, ListFiles&) { i.replace(i.find("O35"), 3, "O30"); },
         "parameters"},
        {F::Vdr, [](std::string& i, ListFiles&) { i.erase(i.find(":0\n"), 2); }, "not 13"},
        {F::Neutrino,
         [](std::string&, ListFiles& f) {
             std::string& u = f["ubouquets.xml"];
             u.insert(u.find("<S i=\"") + 6, "f");
         },
         "names no service"},
        {F::Neutrino,
         [](std::string&, ListFiles& f) {  // a service line twice
             std::string& sv = f["services.xml"];
             const size_t at = sv.find("\t\t\t<S ");
             sv.insert(at, sv.substr(at, sv.find('\n', at) + 1 - at));
         },
         "again"},
        {F::Neutrino, [](std::string&, ListFiles& f) { f["bouquets.xml"] = f["ubouquets.xml"]; },
         "would sort"},
        {F::Neutrino,
         [](std::string&, ListFiles& f) {
             std::string& sv = f["services.xml"];
             sv.erase(sv.find("</TS>"), 5);
         },
         "xmllint"},
    };
    Sample s;
    for (const Plant& p : plants) {
        ListFiles files = s.lists[p.format];
        std::string& image = files["image"];
        p.plant(image, files);
        if (image.empty()) files.erase("image");
        EXPECT_TRUE(readList(p.format, files).has(p.what))
            << formatName(p.format) << ": " << p.what;
    }
}
