#include "send/boxSend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string_view>

#include "config/fileIo.h"
#include "config/langTypes.h"
#include "config/textFunc.h"
#include "jobs/jobEvents.h"
#include "send/sha256.h"

namespace fs = std::filesystem;

namespace {

const char kE2Dir[] = "/etc/enigma2/";
const char kTuxDir[] = "/etc/tuxbox/";
const char kE1Dir[] = "/var/tuxbox/config/enigma/";
const char kTmpPrefix[] = ".velartis-new.";
const char kManifestHead[] = "velartis-backup 1";

struct BoxFile {
    std::string path;  // on the box
    std::string bytes;
};

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }
std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
bool startsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

// One send or restore: the box, the texts, the events and the result. The
// progress runs through the phases' shares of the bar in turn.
struct Run {
    BoxLink& link;
    const LangStruct& m;
    JobEvents& ev;
    SendResult* r;
    int from = 0, to = 100;
    // From the first rename on, the run ends as the new list or the backup.
    bool committed = false;

    void phase(int a, int b) {
        from = a;
        to = b;
        ev.progress(JobBar::kGenerate, a);
    }
    void at(size_t done, size_t of) {
        ev.progress(JobBar::kGenerate, of ? from + static_cast<int>((to - from) * done / of) : to);
    }
    void say(const std::string& detail) {
        ev.status(JobStatus::kStep, fieldText(m.msgSending), detail);
    }
    // Before the first rename a cancel leaves the box as it was.
    bool cancelled(std::string* err) {
        if (committed || !ev.cancelled()) return false;
        *err = fieldText(m.msgCanceled);
        return true;
    }
};

// The files of a box's list under /etc/enigma2; folders and other files
// there (plugins' own) are left alone.
bool e2ListFile(const std::string& n) {
    return n == "lamedb" || n == "lamedb5" || n == "bouquets.tv" || n == "bouquets.radio" ||
           startsWith(n, "userbouquet.") || n == "blacklist" || n == "whitelist" ||
           n == "services.locked" || n == "satellites.xml";
}

// What a backup takes and a send may replace.
bool readBoxList(Run& run, BoxKind kind, std::vector<BoxFile>* files, std::string* err) {
    BoxLink& link = run.link;
    struct Folder {
        const char* path;
        bool (*take)(const std::string&);
    };
    std::vector<Folder> folders;
    if (kind == BoxKind::kEnigma2) {
        folders = {{kE2Dir, e2ListFile},
                   {kTuxDir, [](const std::string& n) { return n == "satellites.xml"; }}};
    } else {
        folders = {{kE1Dir, [](const std::string& n) { return !startsWith(n, kTmpPrefix); }}};
    }
    std::vector<std::string> paths;
    for (const Folder& f : folders) {
        std::vector<std::string> names;
        bool exists = false;
        if (!link.listFiles(f.path, &names, &exists)) {
            *err = link.error();
            return false;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names)
            if (f.take(n)) paths.push_back(f.path + n);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        if (run.cancelled(err)) return false;
        run.at(i, paths.size());
        BoxFile b{paths[i], {}};
        if (!link.fetch(b.path, &b.bytes)) {
            *err = link.error();
            return false;
        }
        files->push_back(std::move(b));
    }
    return true;
}

bool writeBackup(const LangStruct& m, const std::string& dir, const std::string& host,
                 const std::vector<BoxFile>& files, std::string* err) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        *err = strFormat(m.sendErrBackupDir, dir.c_str(), ec.message().c_str());
        return false;
    }
    std::string manifest = std::string(kManifestHead) + "\nbox " + host + "\n";
    for (const BoxFile& f : files) {
        const fs::path local = fs::path(dir) / f.path.substr(1);
        fs::create_directories(local.parent_path(), ec);
        if (ec || !writeFileWhole(local.string(), f.bytes, err)) {
            if (err->empty())
                *err = strFormat(m.sendErrBackupDir, local.string().c_str(), ec.message().c_str());
            return false;
        }
        manifest += sha256Hex(f.bytes) + " " + std::to_string(f.bytes.size()) + " " + f.path + "\n";
    }
    // The manifest comes last: a backup without one is not whole.
    return writeFileWhole((fs::path(dir) / "manifest.txt").string(), manifest, err);
}

bool readBackup(const LangStruct& m, const std::string& dir, std::vector<BoxFile>* files,
                std::string* err) {
    std::string manifest;
    if (!readFileWhole((fs::path(dir) / "manifest.txt").string(), &manifest)) {
        *err = strFormat(m.sendErrNoManifest, dir.c_str());
        return false;
    }
    std::istringstream in(manifest);
    std::string line;
    if (!std::getline(in, line) || line != kManifestHead) {
        *err = strFormat(m.sendErrManifest, dir.c_str());
        return false;
    }
    while (std::getline(in, line)) {
        if (line.empty() || startsWith(line, "box ")) continue;
        std::istringstream l(line);
        std::string sha, path;
        uint64_t size = 0;
        if (!(l >> sha >> size >> path) || path.empty() || path[0] != '/' ||
            path.find("/../") != std::string::npos) {
            *err = strFormat(m.sendErrManifestLine, line.c_str());
            return false;
        }
        BoxFile f{path, {}};
        const std::string local = (fs::path(dir) / path.substr(1)).string();
        if (!readFileWhole(local, &f.bytes) || f.bytes.size() != size ||
            sha256Hex(f.bytes) != sha) {
            *err = strFormat(m.sendErrBackupFile, local.c_str());
            return false;
        }
        files->push_back(std::move(f));
    }
    return true;
}

// Moves the box to `want`, removing `drop`: every file goes up under a
// temporary name beside its target and is checked, then all are renamed,
// then `drop` goes. *touched tells whether a target was changed before a
// failure.
bool applyFiles(Run& run, const std::vector<BoxFile>& want, const std::vector<std::string>& drop,
                SendResult* r, bool* touched, std::string* err) {
    BoxLink& link = run.link;
    *touched = false;
    // Uploads take most of the phase; renames and removals are one command.
    const int from = run.from, to = run.to, mid = from + (to - from) * 3 / 4;
    std::vector<std::string> tmps;
    auto cleanTmps = [&](size_t first) {
        for (size_t i = first; i < tmps.size(); ++i) link.remove(tmps[i]);
    };
    run.phase(from, mid);
    for (const BoxFile& f : want) {
        const std::string tmp = folderOf(f.path) + kTmpPrefix + nameOf(f.path);
        if (run.cancelled(err)) {
            cleanTmps(0);
            return false;
        }
        run.at(tmps.size(), want.size());
        run.say(strFormat(run.m.sendStepUpload, f.path.c_str()));
        uint64_t size = 0;
        std::string back;
        // A cut upload may leave part of the file: it goes with the others.
        tmps.push_back(tmp);
        bool ok = link.put(tmp, f.bytes);
        ok = ok && link.size(tmp, &size);
        if (ok && size != f.bytes.size()) {
            *err = strFormat(run.m.sendErrSize, tmp.c_str(), static_cast<unsigned long long>(size),
                             static_cast<unsigned long long>(f.bytes.size()));
            ok = false;
        } else if (ok && link.fetch(tmp, &back) && back != f.bytes) {
            // A server that lets a file be read back gets it compared.
            *err = strFormat(run.m.sendErrReadBack, tmp.c_str());
            ok = false;
        } else if (!ok) {
            *err = link.error();
        }
        if (!ok) {
            cleanTmps(0);
            return false;
        }
    }
    run.phase(mid, to);
    for (size_t i = 0; i < want.size(); ++i) {
        run.at(i, want.size() + drop.size());
        run.say(strFormat(run.m.sendStepPlace, want[i].path.c_str()));
        if (!link.rename(tmps[i], want[i].path)) {
            *err = link.error();
            cleanTmps(i);
            return false;
        }
        *touched = true;
        run.committed = true;
        r->sent.push_back(want[i].path);
    }
    for (const std::string& p : drop) {
        run.at(r->sent.size() + r->removed.size(), want.size() + drop.size());
        run.say(strFormat(run.m.sendStepRemove, p.c_str()));
        if (!link.remove(p)) {
            *err = link.error();
            return false;
        }
        r->removed.push_back(p);
    }
    run.at(1, 1);
    return true;
}

std::string xmlDecoded(const std::string& s) {
    static const std::pair<std::string_view, char> kEntities[] = {{"&lt;", '<'},   {"&gt;", '>'},
                                                                  {"&quot;", '"'}, {"&apos;", '\''},
                                                                  {"&#39;", '\''}, {"&amp;", '&'}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool done = false;
        for (const auto& [ent, c] : kEntities)
            if (s.compare(i, ent.size(), ent) == 0) {
                out += c;
                i += ent.size();
                done = true;
                break;
            }
        if (!done) out += s[i++];
    }
    return out;
}

std::vector<std::string> tagTexts(const std::string& xml, const std::string& tag) {
    std::vector<std::string> out;
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    for (size_t at = 0; (at = xml.find(open, at)) != std::string::npos;) {
        const size_t end = xml.find(close, at);
        if (end == std::string::npos) break;
        out.push_back(xmlDecoded(xml.substr(at + open.size(), end - at - open.size())));
        at = end;
    }
    return out;
}

// A name as the comparison sees it: every run of bytes outside ASCII as one
// '?'. A list may be in Windows-1252 or UTF-8, and the box answers in
// UTF-8 whatever it made of the bytes; the letters around them must agree.
std::string comparable(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
        else if (out.empty() || out.back() != '\x01')
            out += '\x01';
    }
    for (char& c : out)
        if (c == '\x01') c = '?';
    return out;
}

// The web interface reloads the lists; its answer is read, not assumed,
// and then the box must show the new list's bouquets.
bool reloadAndVerify(Run& run, const std::vector<BoxFile>& want, SendResult* r, std::string* err) {
    BoxLink& link = run.link;
    const LangStruct& m = run.m;
    std::map<std::string, std::string> byName;
    for (const BoxFile& f : want) byName[nameOf(f.path)] = f.bytes;
    // Services and bouquets always; the transponders when satellites.xml
    // came, the parental lists when one of them did.
    std::vector<int> modes = {0};
    if (byName.count("satellites.xml")) modes.push_back(3);
    if (byName.count("blacklist") || byName.count("whitelist")) modes.push_back(4);
    auto httpError = [&](long status, const char* call) {
        return status == 401 ? fieldText(m.sendErr401)
               : status      ? strFormat(m.sendErrHttp, status, call)
                             : link.error();
    };
    for (size_t i = 0; i < modes.size(); ++i) {
        run.at(i, modes.size() + 1);
        run.say(strFormat(m.sendStepReload, modes[i]));
        std::string body;
        long status = 0;
        if (!link.httpGet("/web/servicelistreload?mode=" + std::to_string(modes[i]), &body,
                          &status) ||
            status != 200) {
            *err = httpError(status, "servicelistreload");
            return false;
        }
        const std::vector<std::string> state = tagTexts(body, "e2state");
        const std::vector<std::string> text = tagTexts(body, "e2statetext");
        const std::string said = text.empty() ? body : text.front();
        r->reload += (r->reload.empty() ? "" : "; ") + said;
        if (state.empty() || state.front() != "True") {
            *err = strFormat(m.sendErrRefused, said.c_str());
            return false;
        }
    }
    std::string body;
    long status = 0;
    auto it = byName.find("bouquets.tv");
    if (it == byName.end()) {
        r->verified = fieldText(m.sendVerNone);
        return true;
    }
    const std::vector<std::string> expected =
        bouquetNames(it->second, [&](const std::string& n) { return byName[n]; });
    run.at(modes.size(), modes.size() + 1);
    run.say(fieldText(m.sendStepVerify));
    if (!link.httpGet("/web/getservices", &body, &status) || status != 200) {
        *err = httpError(status, "getservices");
        return false;
    }
    const std::vector<std::string> shown = tagTexts(body, "e2servicename");
    auto same = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (comparable(a[i]) != comparable(b[i])) return false;
        return true;
    };
    if (!same(shown, expected)) {
        *err = strFormat(m.sendErrNotTaken, shown.size(), expected.size(),
                         shown.empty() ? "-" : shown.front().c_str());
        return false;
    }
    r->verified = strFormat(m.sendVerOk, expected.size());
    run.at(1, 1);
    return true;
}

std::vector<std::string> pathsOf(const std::vector<BoxFile>& files) {
    std::vector<std::string> out;
    for (const BoxFile& f : files) out.push_back(f.path);
    return out;
}

// After a failure past the first rename: the backup goes back the same way,
// and the files of the new list that the box did not have go.
void rollBack(Run& run, const std::vector<BoxFile>& before,
              const std::vector<std::string>& newPaths, SendResult* r) {
    std::set<std::string> had;
    for (const BoxFile& f : before) had.insert(f.path);
    std::vector<std::string> drop;
    for (const std::string& p : newPaths)
        if (!had.count(p)) drop.push_back(p);
    SendResult scratch;
    bool touched = false;
    std::string err;
    run.say(fieldText(run.m.sendStepRollback));
    if (applyFiles(run, before, drop, &scratch, &touched, &err)) {
        r->state = BoxState::kOld;
        r->boxState = fieldText(run.m.sendStRolledBack);
    } else {
        r->state = BoxState::kUnknown;
        r->boxState = strFormat(run.m.sendStUnknown, err.c_str());
    }
}

}  // namespace

std::string defaultBackupRoot() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && *data) return (fs::path(data) / "velartis" / "backups").string();
    return (fs::path(home && *home ? home : ".") / ".local/share/velartis/backups").string();
}

std::string backupStamp(int year, int month, int day, int hour, int minute, int second) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d_%02d-%02d-%02d", year, month, day, hour,
                  minute, second);
    return buf;
}

std::vector<std::string> bouquetNames(const std::string& index,
                                      const std::function<std::string(const std::string&)>& file) {
    std::vector<std::string> names;
    std::istringstream in(index);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("#SERVICE", 0) != 0) continue;
        // Two spellings name a bouquet file: FROM BOUQUET "name" ..., and the
        // older one with the name as the path after the tenth colon.
        std::string bouquet;
        const size_t from = line.find("FROM BOUQUET \"");
        if (from != std::string::npos) {
            const size_t start = from + 14, end = line.find('"', start);
            if (end == std::string::npos) continue;
            bouquet = line.substr(start, end - start);
        } else {
            size_t at = line.find(' ');
            for (int colons = 0; at != std::string::npos && colons < 10; ++colons)
                at = line.find(':', at + 1);
            if (at == std::string::npos || line.find(":7:", 0) == std::string::npos) continue;
            bouquet = line.substr(at + 1);
        }
        std::istringstream b(file(bouquet));
        std::string first;
        while (std::getline(b, first)) {
            if (!first.empty() && first.back() == '\r') first.pop_back();
            if (first.rfind("#NAME ", 0) == 0) {
                names.push_back(first.substr(6));
                break;
            }
        }
    }
    return names;
}

namespace {

SendResult sendWith(Run& run, const std::string& listFolder, const BoxAddress& box,
                    const SendOptions& o) {
    SendResult& r = *run.r;
    const LangStruct& m = run.m;
    r.boxState = fieldText(m.sendStOld);
    // The list's files and where each goes on the box.
    std::vector<BoxFile> want;
    std::error_code ec;
    std::vector<fs::path> local;
    for (const auto& e : fs::directory_iterator(listFolder, ec))
        if (e.is_regular_file() && e.path().extension() != ".log") local.push_back(e.path());
    std::sort(local.begin(), local.end());
    if (ec || local.empty()) {
        r.error = strFormat(m.sendErrNoList, listFolder.c_str()) + (ec ? ": " + ec.message() : "");
        return r;
    }
    bool hasLamedb = false, hasSatellites = false;
    for (const fs::path& p : local) {
        BoxFile f;
        const std::string n = p.filename().string();
        f.path = o.kind == BoxKind::kEnigma1 ? kE1Dir + n
                 : n == "satellites.xml"     ? std::string(kTuxDir) + n
                                             : kE2Dir + n;
        if (!readFileWhole(p.string(), &f.bytes)) {
            r.error = strFormat(m.sendErrRead, p.string().c_str());
            return r;
        }
        hasLamedb = hasLamedb || n == "lamedb" || n == "services";
        hasSatellites = hasSatellites || n == "satellites.xml";
        want.push_back(std::move(f));
    }
    if (!hasLamedb) {
        r.error = strFormat(m.sendErrNotEnigma, listFolder.c_str());
        return r;
    }

    std::vector<BoxFile> before;
    run.phase(0, 30);
    run.say(fieldText(m.sendStepBackup));
    if (!readBoxList(run, o.kind, &before, &r.error)) {
        r.error = strFormat(m.sendErrBackup, r.error.c_str());
        return r;
    }
    r.backup = (fs::path(o.backupRoot) / (box.host + "_" + o.stamp)).string();
    if (!writeBackup(m, r.backup, box.host, before, &r.error)) {
        r.error = strFormat(m.sendErrBackup, r.error.c_str());
        return r;
    }
    r.backedUp = pathsOf(before);

    // A satellites.xml under /etc/enigma2 would hide the new one.
    const std::string shadow = std::string(kE2Dir) + "satellites.xml";
    const bool shadowed = o.kind == BoxKind::kEnigma2 && hasSatellites &&
                          std::any_of(before.begin(), before.end(),
                                      [&](const BoxFile& f) { return f.path == shadow; });
    if (shadowed && o.shadow == ShadowChoice::kStop) {
        r.error = strFormat(m.sendErrShadow, shadow.c_str());
        return r;
    }
    if (shadowed) {
        for (const BoxFile& f : want)
            if (nameOf(f.path) == "satellites.xml") want.push_back({shadow, f.bytes});
    }

    // Bouquet files the new index does not name would come back at a reload;
    // a lamedb5 beside the new lamedb would disagree with it.
    std::set<std::string> sending;
    for (const BoxFile& f : want) sending.insert(f.path);
    std::vector<std::string> drop;
    if (o.kind == BoxKind::kEnigma2)
        for (const BoxFile& f : before) {
            const std::string n = nameOf(f.path);
            if (folderOf(f.path) == kE2Dir && !sending.count(f.path) &&
                (startsWith(n, "userbouquet.") || n == "lamedb5" || startsWith(n, "bouquets.")))
                drop.push_back(f.path);
        }

    bool touched = false;
    std::string err;
    run.phase(30, 90);
    if (!applyFiles(run, want, drop, &r, &touched, &err)) {
        r.error = err;
        if (touched) rollBack(run, before, r.sent, &r);
        return r;
    }
    // Enigma1 has no reload: the box takes the list at its restart.
    if (o.kind == BoxKind::kEnigma1 || !o.reload) {
        r.state = BoxState::kNotLoaded;
        r.boxState = fieldText(m.sendStRestart);
        r.ok = true;
        return r;
    }
    run.phase(90, 100);
    if (!reloadAndVerify(run, want, &r, &err)) {
        r.error = err;
        r.state = BoxState::kNotLoaded;
        r.boxState = fieldText(m.sendStNotLoaded);
        return r;
    }
    r.state = BoxState::kNew;
    r.boxState = fieldText(m.sendStNew);
    r.ok = true;
    return r;
}

SendResult restoreWith(Run& run, const std::string& backupFolder, const SendOptions& o) {
    SendResult& r = *run.r;
    const LangStruct& m = run.m;
    r.backup = backupFolder;
    r.boxState = fieldText(m.sendStOld);
    std::vector<BoxFile> files;
    if (!readBackup(m, backupFolder, &files, &r.error)) return r;
    std::vector<BoxFile> now;
    run.phase(0, 30);
    if (!readBoxList(run, o.kind, &now, &r.error)) return r;
    std::set<std::string> had;
    for (const BoxFile& f : files) had.insert(f.path);
    std::vector<std::string> drop;
    for (const BoxFile& f : now)
        if (!had.count(f.path)) drop.push_back(f.path);
    bool touched = false;
    std::string err;
    run.phase(30, 90);
    if (!applyFiles(run, files, drop, &r, &touched, &err)) {
        r.error = err;
        if (touched) {
            r.state = BoxState::kUnknown;
            r.boxState = fieldText(m.sendStHalf);
        }
        return r;
    }
    r.state = BoxState::kBackup;
    r.boxState = fieldText(m.sendStBackup);
    run.phase(90, 100);
    if (o.kind == BoxKind::kEnigma2 && o.reload && !reloadAndVerify(run, files, &r, &err)) {
        r.error = err;
        r.state = BoxState::kNotLoaded;
        r.boxState = fieldText(m.sendStBackupNotLoaded);
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace

const char* boxStateName(BoxState s) {
    switch (s) {
    case BoxState::kOld: return "old";
    case BoxState::kNew: return "new";
    case BoxState::kNotLoaded: return "not-loaded";
    case BoxState::kBackup: return "backup";
    case BoxState::kUnknown: return "unknown";
    }
    return "unknown";
}

SendResult sendList(const std::string& listFolder, const BoxAddress& box, const SendOptions& o,
                    const LangStruct& lang, JobEvents& events) {
    SendResult r;
    BoxLink link(box);
    Run run{link, lang, events, &r};
    sendWith(run, listFolder, box, o);
    return r;
}

SendResult restoreBackup(const std::string& backupFolder, const BoxAddress& box,
                         const SendOptions& o, const LangStruct& lang, JobEvents& events) {
    SendResult r;
    BoxLink link(box);
    Run run{link, lang, events, &r};
    restoreWith(run, backupFolder, o);
    return r;
}

uint32_t sendJob(void* request) {
    auto* q = static_cast<T_sendRequest*>(request);
    q->events->started();
    q->result = q->restore ? restoreBackup(q->folder, q->box, q->options, q->lang, *q->events)
                           : sendList(q->folder, q->box, q->options, q->lang, *q->events);
    const SendResult& r = q->result;
    q->events->status(r.ok ? JobStatus::kDone : JobStatus::kError,
                      fieldText(r.ok ? q->lang.msgSendOk : q->lang.msgSendFailed),
                      r.ok ? r.boxState : r.error);
    q->events->finished(true);
    return r.ok ? 0 : 1;
}

bool startSendJob(JobRunner& runner, T_sendRequest request,
                  std::function<void(const SendResult&)> onEnd) {
    if (runner.jobRunning()) return false;
    auto q = std::make_shared<T_sendRequest>(std::move(request));
    JobEndFn ended = [q, onEnd = std::move(onEnd)](uint32_t) {
        if (onEnd) onEnd(q->result);
    };
    return runner.startJob(sendJob, q.get(), std::move(ended));
}
