#include "jobs/jobLauncher.h"

#include <memory>
#include <new>

#include "config/cfgFile.h"
#include "config/langTypes.h"
#include "jobs/families.h"
#include "platform/widget.h"

namespace {

// A job's own parameter record and everything it points at that is not shared.
struct JobRecord : T_cfgRecords {
    T_FnPARAM param{};
    LangStruct lang{};
    T_dbDropped dropped{};
    T_dbConnOverride conn;
};

// Points dst at a copy of *src, or leaves it null.
template <typename T>
void copyInto(T*& dst, const T* src, T& copy) {
    if (!src) return;
    copy = *src;
    dst = &copy;
}

bool start(bool download, int type, JobFn fn, const T_FnPARAM& shared, JobEndHandler onEnd) {
    if (!fn || !shared.cfgParam || !shared.MsgLang || !shared.Widget || !shared.Widget->ui)
        return false;
    Platform* ui = shared.Widget->ui;
    // Refused before anything is copied: the running job keeps its record.
    if (ui->jobRunning()) return false;

    std::shared_ptr<JobRecord> rec;
    try {
        rec = std::make_shared<JobRecord>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    T_FnPARAM& p = rec->param;
    copyInto(p.cfgParam, shared.cfgParam, rec->cfg);
    copyInto(p.satParam, shared.satParam, rec->sat);
    copyInto(p.bouParam, shared.bouParam, rec->bou);
    copyInto(p.bouIParam, shared.bouIParam, rec->bouI);
    copyInto(p.catParam, shared.catParam, rec->cat);
    copyInto(p.favParam, shared.favParam, rec->fav);
    copyInto(p.favIParam, shared.favIParam, rec->favI);
    copyInto(p.natParam, shared.natParam, rec->nat);
    copyInto(p.MsgLang, shared.MsgLang, rec->lang);
    p.satDB = shared.satDB;
    p.tpDB = shared.tpDB;
    p.chDB = shared.chDB;
    p.favDB = shared.favDB;
    p.chFavDB = shared.chFavDB;
    p.Report = shared.Report;
    p.Widget = shared.Widget;
    p.dropped = &rec->dropped;
    if (shared.dbConn) {
        rec->conn = *shared.dbConn;
        p.dbConn = &rec->conn;
    }

    // The record goes with the handler: when the platform has told the end
    // (or failed to start the job) and drops the handler, it is freed.
    T_cfgStruct* liveCfg = shared.cfgParam;
    JobEndFn ended = [rec, liveCfg, download, type, onEnd = std::move(onEnd)](uint32_t code) {
        T_jobEnd e{download, type, code, rec->param.showForum, rec->dropped};
        if (download && e.showForum) liveCfg->showForum = e.showForum;
        if (onEnd) onEnd(e);
    };
    return ui->startJob(fn, &rec->param, std::move(ended));
}

}  // namespace

JobFn downloadJobFor(int listType) {
    switch (listType) {
    case 0: return DownloadDataCh;
    case 1: return DownloadDataBSat;
    case 2: return DownloadDataFSat;
    default: return nullptr;
    }
}

JobFn writerJobFor(int fileType) {
    const T_family* f = familyByType(fileType);
    return f ? f->job : nullptr;
}

bool startDownloadJob(const T_FnPARAM& shared, JobEndHandler onEnd) {
    const int type = shared.cfgParam ? shared.cfgParam->listType : -1;
    return start(true, type, downloadJobFor(type), shared, std::move(onEnd));
}

bool startWriterJob(const T_FnPARAM& shared, JobEndHandler onEnd) {
    const int type = shared.cfgParam ? shared.cfgParam->fileType : -1;
    return start(false, type, writerJobFor(type), shared, std::move(onEnd));
}
