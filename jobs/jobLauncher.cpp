#include "jobs/jobLauncher.h"

#include <memory>
#include <new>

#include "config/cfgFile.h"
#include "config/langTypes.h"
#include "jobs/families.h"

namespace {

bool usable(const T_jobSource& s) {
    return s.cfg && s.sat && s.bou && s.bouI && s.cat && s.fav && s.favI && s.nat && s.lang &&
           s.events && s.db.complete();
}

// The request's copies of the source's records.
void fill(T_jobRequest* r, const T_jobSource& s, int type) {
    r->cfg = *s.cfg;
    r->sat = *s.sat;
    r->bou = *s.bou;
    r->bouI = *s.bouI;
    r->cat = *s.cat;
    r->fav = *s.fav;
    r->favI = *s.favI;
    r->nat = *s.nat;
    r->lang = *s.lang;
    r->db = s.db;
    r->events = s.events;
    r->type = type;
}

template <typename Request>
std::shared_ptr<Request> newRequest() {
    try {
        return std::make_shared<Request>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// A writer's request; the writers read the family from the configuration,
// as it was saved.
std::shared_ptr<T_jobRequest> writerRequest(const T_jobSource& src, int family) {
    auto req = newRequest<T_jobRequest>();
    if (!req) return nullptr;
    fill(req.get(), src, family);
    req->cfg.fileType = family;
    return req;
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

bool startDownloadJob(const T_jobSource& src, JobEndHandler onEnd) {
    if (!usable(src) || !src.runner) return false;
    const int type = src.cfg->listType;
    JobFn fn = downloadJobFor(type);
    // Refused before anything is copied: the running job keeps its request.
    if (!fn || src.runner->jobRunning()) return false;
    auto req = newRequest<T_dlRequest>();
    if (!req) return false;
    fill(req.get(), src, type);
    if (src.conn) req->conn = *src.conn;
    req->skipIfVersion = src.skipIfVersion;
    // The request goes with the handler: when the runner has told the end
    // (or failed to start the job) and drops the handler, it is freed.
    JobEndFn ended = [req, type, onEnd = std::move(onEnd)](uint32_t code) {
        if (onEnd)
            onEnd(T_jobEnd{true, type, code, req->showForum, req->dropped, req->connectFault,
                           req->dataVersion, req->server});
    };
    return src.runner->startJob(fn, req.get(), std::move(ended));
}

bool startWriterJob(const T_jobSource& src, int family, const std::string& target, bool warned,
                    JobEndHandler onEnd) {
    if (!usable(src) || !src.runner) return false;
    JobFn fn = writerJobFor(family);
    if (!fn || src.runner->jobRunning()) return false;
    auto req = writerRequest(src, family);
    if (!req) return false;
    req->target = target;
    req->warned = warned;
    JobEndFn ended = [req, family, onEnd = std::move(onEnd)](uint32_t code) {
        if (onEnd) onEnd(T_jobEnd{false, family, code, 0, T_dbDropped{}, DbOpenFault::kNone});
    };
    return src.runner->startJob(fn, req.get(), std::move(ended));
}

uint32_t checkWriterJob(const T_jobSource& src, int family) {
    JobFn fn = writerJobFor(family);
    if (!usable(src) || !fn) return 1;
    auto req = writerRequest(src, family);
    if (!req) return 1;
    req->checkOnly = true;
    return fn(req.get());
}
