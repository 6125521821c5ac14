#pragma once
// Small hand-built channel tables for the writer tests, and a job record
// around them for running the writer jobs on the recording platform.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "config/cfgTypes.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "platform/memoryPlatform.h"
#include "writers/enigma/enigma.h"

namespace fs = std::filesystem;

inline constexpr VaTime kClock{2024, 3, 7, 9, 5, 2};

struct ListFixture {
    std::unique_ptr<T_cfgStruct> cfg{new T_cfgStruct()};
    std::unique_ptr<T_idxBouI> bouI{new T_idxBouI()};
    std::unique_ptr<T_idxFavI> favI{new T_idxFavI()};
    std::unique_ptr<T_idxNat> nat{new T_idxNat()};
    std::unique_ptr<T_idxCat> cat{new T_idxCat()};
    std::unique_ptr<T_idxFav> fav{new T_idxFav()};
    std::unique_ptr<LangStruct> lang{new LangStruct(*langTable(kLangEnglish))};
    std::unique_ptr<T_dbSatTable> satDB{new T_dbSatTable()};
    std::unique_ptr<T_dbTpTable> tpDB{new T_dbTpTable()};
    std::unique_ptr<T_dbChTable> chDB{new T_dbChTable()};
    std::unique_ptr<T_dbFavTable> favDB{new T_dbFavTable()};
    std::unique_ptr<T_dbChFavTable> chFavDB{new T_dbChFavTable()};
    T_dbReport report{};

    ListFixture() { initAppIdentity(cfg.get()); }

    WriterInput input() const {
        return WriterInput{cfg.get(),   bouI.get(),    favI.get(),  nat.get(),
                           lang.get(),  satDB.get(),   tpDB.get(),  chDB.get(),
                           favDB.get(), chFavDB.get(), &report,     kClock};
    }

    T_dbSat& addSat(int realSatId, const char* satName, const char* satNamePhys,
                    const char* location, int position, int groupId = 0) {
        T_dbSat* s = appendSat(satDB.get());
        s->sat_id = groupId ? realSatId * 1000 + groupId : realSatId;
        s->realSatId = realSatId;
        s->groupId = groupId;
        copyText(s->satName, satName);
        copyText(s->sat_name, satNamePhys);
        copyText(s->location, location);
        s->position = position;
        return *s;
    }
    T_dbTp& addTp(int realSatId, int stp, int freq, int pol, int sr, int fec, int mod,
                  const char* nid, const char* tid, int pilot = 0, int groupId = 0) {
        T_dbTp* t = appendTp(tpDB.get());
        t->sat_id = groupId ? realSatId * 1000 + groupId : realSatId;
        t->realSatId = realSatId;
        t->stp_id = stp;
        t->groupId = groupId;
        t->frequency = freq;
        t->polarity = pol;
        t->sr = sr;
        t->fec = fec;
        t->modulation = mod;
        copyText(t->nid, nid);
        copyText(t->tid, tid);
        t->pilot = pilot;
        return *t;
    }
    // A real channel; pids default to a plain radio-like set.
    T_dbCh& addCh(int realSatId, int stp, int group, const char* groupName, int type,
                  const char* name, const char* sid, int cat = 1, const char* vpid = "0000",
                  const char* pcr = "0000", const char* txt = "0000") {
        T_dbCh* c = appendCh(chDB.get());
        c->sat_id = realSatId;
        c->realSatId = realSatId;
        c->stp_id = stp;
        c->groupId = group;
        c->bou_id = group;
        copyText(c->groupName, groupName);
        c->cat_id = cat;
        c->ch_type = type;
        copyText(c->ch_name, name);
        copyText(c->sid, sid);
        copyText(c->vpid, vpid);
        copyText(c->pmt_pid, "0000");
        copyText(c->pcr_pid, pcr);
        copyText(c->txt_pid, txt);
        if (type == 0) ++report.tvChannels;
        else ++report.radioChannels;
        return *c;
    }
    T_dbCh& addMarker(int realSatId, int stp, int group, const char* groupName) {
        T_dbCh* c = appendCh(chDB.get());
        c->fake = 1;
        c->sat_id = realSatId;
        c->realSatId = realSatId;
        c->stp_id = stp;
        c->groupId = group;
        c->bou_id = group;
        copyText(c->groupName, groupName);
        std::string name = std::string("@ ") + groupName + " @";
        copyText(c->ch_name, name.c_str());
        copyText(c->sid, "FFFF");
        copyText(c->vpid, "0000");
        copyText(c->pmt_pid, "0000");
        copyText(c->pcr_pid, "0000");
        copyText(c->txt_pid, "0000");
        c->skip = 1;
        c->dupdname = 1;
        ++report.tvFake;
        return *c;
    }
    static void addAudio(T_dbCh& c, const char* apid, int ac3) {
        T_dbAudio* a = appendAudio(&c);
        copyText(a->apid, apid);
        a->ac3 = ac3;
    }
    void addFav(int id, const char* name) {
        T_dbFav* f = appendFav(favDB.get());
        f->fav_id = id;
        copyText(f->fav_name, name);
        report.favGroups = favDB->count;
    }
    void addChFav(int favId, int realSatId, int stp, const char* sid, int type) {
        T_dbChFav* e = appendChFav(chFavDB.get());
        e->fav_id = favId;
        e->sat_id = realSatId;
        e->realSatId = realSatId;
        e->stp_id = stp;
        copyText(e->sid, sid);
        e->ch_type = type;
        report.favChannels = chFavDB->count;
    }

    // Two satellites, a transponder no channel uses, three bouquets with
    // markers (one radio only), an HD and an adult channel, two favourite
    // groups spread over both satellites.
    void fillMode0() {
        addSat(130, "Hot Bird", "Hot Bird", "13.0E", 130);
        addSat(50, "Amos", "Amos", "5.0W", 3550);
        addTp(130, 1, 10719, 1, 27500, 3, 0, "013E", "2F44");
        addTp(130, 2, 11747, 0, 27500, 7, 2, "013E", "1A2B3", 2);
        addTp(130, 3, 12111, 2, 22000, 9, 0, "00FF", "0005");
        addTp(50, 1, 11140, 3, 30000, 2, 1, "0C1A", "04d2", 1);
        addMarker(130, 1, 10, "Sky Italia");
        addAudio(addCh(130, 1, 10, "Sky Italia", 0, "Sky Uno", "0D49", 1, "0200", "0200", "0240"),
                 "028A", 0);
        T_dbCh& hd = addCh(130, 2, 10, "Sky Italia", 0, "Sky Cinema HD", "2EE3", 9, "0201", "0201");
        hd.hd = 1;
        addAudio(hd, "0292", 1);
        addAudio(addCh(130, 2, 10, "Sky Italia", 1, "Radio Uno", "0E10", 5, "0000", "0301"),
                 "0301", 0);
        addMarker(130, 1, 20, "Rai");
        addCh(130, 1, 20, "Rai", 1, "Rai Radio 1", "0D5A", 19);
        addMarker(50, 1, 30, "Yes");
        addAudio(addCh(50, 1, 30, "Yes", 0, "Yes TV", "0001", 2, "0100", "0100"), "0101", 0);
        addFav(5, "Cinema");
        addFav(7, "Musica");
        addChFav(5, 130, 1, "0D49", 0);
        addChFav(5, 130, 2, "2EE3", 0);
        addChFav(7, 130, 2, "0E10", 1);
        addChFav(7, 130, 1, "0D5A", 1);
        addChFav(5, 50, 1, "0001", 0);
        addChFav(7, 50, 1, "0001", 0);
        report.satellites = 2;
        report.transponders = tpDB->count;
        report.bouquets = 3;
    }
};

// Collects the files a builder emits, in order.
struct Collected {
    std::vector<std::string> names;
    std::map<std::string, std::string> files;
    std::vector<int> milestones;
    OutFileSink sink() {
        return [this](OutFile&& f) {
            names.push_back(f.name);
            files[f.name] = std::move(f.bytes);
            return true;
        };
    }
    std::function<void(int)> progress() {
        return [this](int pos) { milestones.push_back(pos); };
    }
};

inline std::string golden(const std::string& rel) {
    std::string s;
    EXPECT_TRUE(readFileWhole(std::string(VA_TEST_DATA) + "/enigma/" + rel, &s)) << rel;
    return s;
}

// A fresh folder under the system's temporary folder, removed at the end.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "va-enigma-XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// The recording platform, with the positions the generate bar was given.
class RecordingPlatform : public MemoryPlatform {
public:
    std::vector<int> progress;

protected:
    void onProgress(const std::string& bar, int pos) override {
        if (bar == "progGen") progress.push_back(pos);
    }
};

// A writer job record on the recording platform.
struct JobFixture : ListFixture {
    RecordingPlatform ui;
    T_Widget widget{};
    T_FnPARAM param{};
    JobFixture() {
        createWidgetHandles(&widget, &ui);
        ui.setClock(kClock);
        param.cfgParam = cfg.get();
        param.bouIParam = bouI.get();
        param.favIParam = favI.get();
        param.natParam = nat.get();
        param.catParam = cat.get();
        param.favParam = fav.get();
        param.MsgLang = lang.get();
        param.satDB = satDB.get();
        param.tpDB = tpDB.get();
        param.chDB = chDB.get();
        param.favDB = favDB.get();
        param.chFavDB = chFavDB.get();
        param.Report = &report;
        param.Widget = &widget;
    }
};
