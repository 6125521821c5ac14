#pragma once
// What the writer tests share: channel tables built by hand, a writer job
// with its events recorded and a fixed clock, and a temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/cfgFile.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "tests/support/recordingEvents.h"
#include "writers/frame/writerFrame.h"

namespace fs = std::filesystem;

inline constexpr VaTime kClock{2024, 3, 7, 9, 5, 2};

// A fresh folder under the system's temporary folder, removed at the end.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "va-writer-XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Bytes from a spec: hex digits in pairs ("4E 44", "00000014"), "zN" for N
// zero bytes, and text between single or double quotes.
inline std::string bytes(const std::string& spec) {
    std::string out;
    for (size_t i = 0, n = 0; i < spec.size(); ++i) {
        const char c = spec[i];
        if (c == '\'' || c == '"') {
            const size_t end = spec.find(c, i + 1);
            out += spec.substr(i + 1, end - i - 1);
            i = end;
        } else if (c == 'z') {
            out.append(std::stoul(spec.substr(i + 1), &n), '\0');
            i += n;
        } else if (std::isxdigit(static_cast<unsigned char>(c))) {
            out += static_cast<char>(std::stoi(spec.substr(i++, 2), nullptr, 16));
        }
    }
    return out;
}

inline std::string fileText(const fs::path& p) {
    std::string s;
    return readFileWhole(p.string(), &s) ? s : "<missing>";
}

// Fails every write the predicate refuses until the end of the scope.
struct FaultHook {
    explicit FaultHook(WriteFaultHook h) { setWriteFaultHook(std::move(h)); }
    ~FaultHook() { setWriteFaultHook(nullptr); }
};

// The tables and reference lists of one list. The helpers fill ids, names,
// a 27500 symbol rate and PIDs "0000" and count transponders and channels
// in the report; tests set the rest on the record they get back.
struct Tables : T_cfgRecords {
    LangStruct lang = *langTable(kLangEnglish);
    std::unique_ptr<T_dbSatTable> satDB = std::make_unique<T_dbSatTable>();
    std::unique_ptr<T_dbTpTable> tpDB = std::make_unique<T_dbTpTable>();
    std::unique_ptr<T_dbChTable> chDB = std::make_unique<T_dbChTable>();
    std::unique_ptr<T_dbFavTable> favDB = std::make_unique<T_dbFavTable>();
    std::unique_ptr<T_dbChFavTable> chFavDB = std::make_unique<T_dbChFavTable>();
    T_dbReport report{};
    VaTime start = kClock;

    Tables() { initAppIdentity(&cfg); }
    WriterInput input() const {
        return {&cfg,       &bouI,      &favI,       &nat,          &lang,   satDB.get(),
                tpDB.get(), chDB.get(), favDB.get(), chFavDB.get(), &report, start};
    }
    T_dbSat& addSat(int id, const char* name, int position) {
        T_dbSat& s = *appendSat(satDB.get());
        s.sat_id = s.realSatId = id, s.position = position;
        copyText(s.satName, name);
        return s;
    }
    T_dbTp& addTp(int satId, int stp, int freq, int pol = 0, const char* nid = "0001",
                  const char* tid = "0001") {
        T_dbTp& t = *appendTp(tpDB.get());
        t.sat_id = t.realSatId = satId, t.stp_id = stp, t.frequency = freq, t.polarity = pol;
        t.sr = 27500;
        copyText(t.nid, nid), copyText(t.tid, tid);
        report.transponders = tpDB->count;
        return t;
    }
    T_dbCh& addCh(int type, int satId, int stp, const char* name, const char* sid = "0001") {
        T_dbCh& c = *appendCh(chDB.get());
        c.ch_type = type, c.sat_id = c.realSatId = satId, c.stp_id = stp;
        copyText(c.ch_name, name), copyText(c.sid, sid);
        for (char* pid : {c.vpid, c.pmt_pid, c.pcr_pid, c.txt_pid}) copyText(pid, 5, "0000");
        ++(type == 0 ? report.tvChannels : report.radioChannels);
        return c;
    }
    static T_dbAudio& addAudio(T_dbCh& c, const char* apid, int lang = 0, int dts = 0,
                               int ac3 = 0) {
        T_dbAudio& a = *appendAudio(&c);
        copyText(a.apid, apid), a.lang_id = lang, a.dts = dts, a.ac3 = ac3;
        return a;
    }
    T_dbFav& addFav(int id, const char* name) {
        T_dbFav& f = *appendFav(favDB.get());
        f.fav_id = id;
        copyText(f.fav_name, name);
        return f;
    }
    T_dbChFav& addLink(int favId, int chIndex) {
        T_dbChFav& l = *appendChFav(chFavDB.get());
        l.fav_id = favId, l.chIndex = chIndex;
        return l;
    }
};

// A writer job over the tables, its events recorded, with a folder to
// write into.
struct Job : Tables {
    RecordingEvents ui;
    T_jobRequest param;
    TempDir tmp;

    Job() { ui.setClock(start); }
    // The request as the launcher makes it: copies of the records now.
    T_jobRequest* req() {
        resolveTarget();
        static_cast<T_cfgRecords&>(param) = *this;
        param.lang = lang;
        param.db = {satDB.get(), tpDB.get(), chDB.get(), favDB.get(), chFavDB.get(), &report};
        param.events = &ui;
        param.type = cfg.fileType;
        return &param;
    }
    // The destination, as the front end passes it.
    void target(const fs::path& p) { dest_ = p, into_ = false; }
    // A single-file list into the folder dir, under the name the save
    // dialog offers.
    void saveInto(const fs::path& dir) { dest_ = dir, into_ = true; }

private:
    fs::path dest_;
    bool into_ = false;
    void resolveTarget() {
        const fs::path p = dest_;
        param.target = p.string();
        if (!into_) return;
        // The names the save dialog offers, by family.
        static const char* const kNames[10] = {"DMlistNDF-%04d%02d%02d.ndf",
                                               "",
                                               "",
                                               "",
                                               "DMlistSB5-%04d%02d%02d.bin",
                                               "DMlistS2-HD-%04d%02d%02d.bin",
                                               "DMlistPvr-ST1-%04d%02d%02d.bin",
                                               "DMlistPvr-JS1-%04d%02d%02d.bin",
                                               "DMlistVDR-%04d%02d%02d.conf",
                                               ""};
        char name[64];
        std::snprintf(name, sizeof name,
                      kNames[cfg.fileType >= 0 && cfg.fileType < 10 ? cfg.fileType : 0], start.year,
                      start.month, start.day);
        param.target = (p / name).string();
    }

public:
    // Every box as "caption|icon|text".
    std::vector<std::string> boxes() const {
        std::vector<std::string> v;
        for (const BoxCall& b : ui.boxes) {
            const unsigned icon = b.flags & 0xF0;
            const char* name = icon == kMbIconError         ? "error"
                               : icon == kMbIconWarning     ? "warning"
                               : icon == kMbIconInformation ? "info"
                                                            : "?";
            v.push_back(b.caption + "|" + name + "|" + b.text);
        }
        return v;
    }
    std::string status(int part) { return ui.shown[part]; }
    bool restored() { return ui.restored(); }
};
