#include "send/boxSend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "config/fileIo.h"
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

// The files of a box's list under /etc/enigma2; folders and other files
// there (plugins' own) are left alone.
bool e2ListFile(const std::string& n) {
    return n == "lamedb" || n == "lamedb5" || n == "bouquets.tv" || n == "bouquets.radio" ||
           startsWith(n, "userbouquet.") || n == "blacklist" || n == "whitelist" ||
           n == "services.locked" || n == "satellites.xml";
}

// What a backup takes and a send may replace.
bool readBoxList(BoxLink& link, BoxKind kind, std::vector<BoxFile>* files, std::string* err) {
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
    for (const Folder& f : folders) {
        std::vector<std::string> names;
        bool exists = false;
        if (!link.listFiles(f.path, &names, &exists)) {
            *err = link.error();
            return false;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) {
            if (!f.take(n)) continue;
            BoxFile b{f.path + n, {}};
            if (!link.fetch(b.path, &b.bytes)) {
                *err = link.error();
                return false;
            }
            files->push_back(std::move(b));
        }
    }
    return true;
}

bool writeBackup(const std::string& dir, const std::string& host, const std::vector<BoxFile>& files,
                 std::string* err) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        *err = "cannot make the backup folder " + dir + ": " + ec.message();
        return false;
    }
    std::string manifest = std::string(kManifestHead) + "\nbox " + host + "\n";
    for (const BoxFile& f : files) {
        const fs::path local = fs::path(dir) / f.path.substr(1);
        fs::create_directories(local.parent_path(), ec);
        if (ec || !writeFileWhole(local.string(), f.bytes, err)) {
            if (err->empty()) *err = "cannot write " + local.string() + ": " + ec.message();
            return false;
        }
        manifest += sha256Hex(f.bytes) + " " + std::to_string(f.bytes.size()) + " " + f.path + "\n";
    }
    // The manifest comes last: a backup without one is not whole.
    return writeFileWhole((fs::path(dir) / "manifest.txt").string(), manifest, err);
}

bool readBackup(const std::string& dir, std::vector<BoxFile>* files, std::string* err) {
    std::string manifest;
    if (!readFileWhole((fs::path(dir) / "manifest.txt").string(), &manifest)) {
        *err = dir + " holds no manifest.txt: it is no backup, or not a whole one";
        return false;
    }
    std::istringstream in(manifest);
    std::string line;
    if (!std::getline(in, line) || line != kManifestHead) {
        *err = dir + "/manifest.txt is not a backup's manifest";
        return false;
    }
    while (std::getline(in, line)) {
        if (line.empty() || startsWith(line, "box ")) continue;
        std::istringstream l(line);
        std::string sha, path;
        uint64_t size = 0;
        if (!(l >> sha >> size >> path) || path.empty() || path[0] != '/' ||
            path.find("/../") != std::string::npos) {
            *err = "manifest.txt: '" + line + "' is not a file line";
            return false;
        }
        BoxFile f{path, {}};
        const std::string local = (fs::path(dir) / path.substr(1)).string();
        if (!readFileWhole(local, &f.bytes) || f.bytes.size() != size ||
            sha256Hex(f.bytes) != sha) {
            *err = local + " is missing or not the file the manifest names";
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
bool applyFiles(BoxLink& link, const std::vector<BoxFile>& want,
                const std::vector<std::string>& drop, const SendSay& say, SendResult* r,
                bool* touched, std::string* err) {
    *touched = false;
    std::vector<std::string> tmps;
    auto cleanTmps = [&](size_t from) {
        for (size_t i = from; i < tmps.size(); ++i) link.remove(tmps[i]);
    };
    for (const BoxFile& f : want) {
        const std::string tmp = folderOf(f.path) + kTmpPrefix + nameOf(f.path);
        say("uploading " + f.path);
        uint64_t size = 0;
        std::string back;
        // A cut upload may leave part of the file: it goes with the others.
        tmps.push_back(tmp);
        bool ok = link.put(tmp, f.bytes);
        ok = ok && link.size(tmp, &size);
        if (ok && size != f.bytes.size()) {
            *err = tmp + " holds " + std::to_string(size) + " bytes of " +
                   std::to_string(f.bytes.size());
            ok = false;
        } else if (ok && link.fetch(tmp, &back) && back != f.bytes) {
            // A server that lets a file be read back gets it compared.
            *err = tmp + " does not read back as it was sent";
            ok = false;
        } else if (!ok) {
            *err = link.error();
        }
        if (!ok) {
            cleanTmps(0);
            return false;
        }
    }
    for (size_t i = 0; i < want.size(); ++i) {
        say("putting " + want[i].path + " in place");
        if (!link.rename(tmps[i], want[i].path)) {
            *err = link.error();
            cleanTmps(i);
            return false;
        }
        *touched = true;
        r->sent.push_back(want[i].path);
    }
    for (const std::string& p : drop) {
        say("removing " + p);
        if (!link.remove(p)) {
            *err = link.error();
            return false;
        }
        r->removed.push_back(p);
    }
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
bool reloadAndVerify(BoxLink& link, const std::vector<BoxFile>& want, const SendSay& say,
                     SendResult* r, std::string* err) {
    std::map<std::string, std::string> byName;
    for (const BoxFile& f : want) byName[nameOf(f.path)] = f.bytes;
    // Services and bouquets always; the transponders when satellites.xml
    // came, the parental lists when one of them did.
    std::vector<int> modes = {0};
    if (byName.count("satellites.xml")) modes.push_back(3);
    if (byName.count("blacklist") || byName.count("whitelist")) modes.push_back(4);
    for (int mode : modes) {
        say("reloading the lists through the web interface (mode " + std::to_string(mode) + ")");
        std::string body;
        long status = 0;
        if (!link.httpGet("/web/servicelistreload?mode=" + std::to_string(mode), &body, &status) ||
            status != 200) {
            *err = status == 401 ? "the web interface refused the user and password (401)"
                   : status      ? "the web interface answered " + std::to_string(status)
                                 : link.error();
            return false;
        }
        const std::vector<std::string> state = tagTexts(body, "e2state");
        const std::vector<std::string> text = tagTexts(body, "e2statetext");
        const std::string said = text.empty() ? body : text.front();
        r->reload += (r->reload.empty() ? "" : "; ") + said;
        if (state.empty() || state.front() != "True") {
            *err = "the box refused the reload: " + said;
            return false;
        }
    }
    std::string body;
    long status = 0;
    auto it = byName.find("bouquets.tv");
    if (it == byName.end()) {
        r->verified = "no TV bouquets in the list to compare";
        return true;
    }
    const std::vector<std::string> expected =
        bouquetNames(it->second, [&](const std::string& n) { return byName[n]; });
    say("asking the box which bouquets it shows");
    if (!link.httpGet("/web/getservices", &body, &status) || status != 200) {
        *err = status ? "the web interface answered " + std::to_string(status) + " to getservices"
                      : link.error();
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
        *err = "the box answered the reload but shows " + std::to_string(shown.size()) +
               " TV bouquets, not the list's " + std::to_string(expected.size()) +
               (shown.empty() ? std::string() : " (first: " + shown.front() + ")") +
               ": it did not take the new list";
        return false;
    }
    r->verified = "the box shows the list's " + std::to_string(expected.size()) + " TV bouquets";
    return true;
}

std::vector<std::string> pathsOf(const std::vector<BoxFile>& files) {
    std::vector<std::string> out;
    for (const BoxFile& f : files) out.push_back(f.path);
    return out;
}

// After a failure past the first rename: the backup goes back the same way,
// and the files of the new list that the box did not have go.
void rollBack(BoxLink& link, const std::vector<BoxFile>& before,
              const std::vector<std::string>& newPaths, const SendSay& say, SendResult* r) {
    std::set<std::string> had;
    for (const BoxFile& f : before) had.insert(f.path);
    std::vector<std::string> drop;
    for (const std::string& p : newPaths)
        if (!had.count(p)) drop.push_back(p);
    SendResult scratch;
    bool touched = false;
    std::string err;
    say("putting the backup back");
    if (applyFiles(link, before, drop, say, &scratch, &touched, &err)) {
        r->boxState = "the old list: the backup was put back";
    } else {
        r->boxState = "unknown: putting the backup back failed too (" + err +
                      "); restore it with velartis-cli send --restore " + r->backup;
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

SendResult sendList(const std::string& listFolder, const BoxAddress& box, const SendOptions& o,
                    const SendSay& say) {
    SendResult r;
    r.boxState = "the old list: nothing was changed";
    // The list's files and where each goes on the box.
    std::vector<BoxFile> want;
    std::error_code ec;
    std::vector<fs::path> local;
    for (const auto& e : fs::directory_iterator(listFolder, ec))
        if (e.is_regular_file() && e.path().extension() != ".log") local.push_back(e.path());
    std::sort(local.begin(), local.end());
    if (ec || local.empty()) {
        r.error = "'" + listFolder + "' holds no list" + (ec ? ": " + ec.message() : "");
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
            r.error = "cannot read " + p.string();
            return r;
        }
        hasLamedb = hasLamedb || n == "lamedb" || n == "services";
        hasSatellites = hasSatellites || n == "satellites.xml";
        want.push_back(std::move(f));
    }
    if (!hasLamedb) {
        r.error = "'" + listFolder + "' is no Enigma list: it has no lamedb or services file";
        return r;
    }

    BoxLink link(box);
    std::vector<BoxFile> before;
    say("backing up the box's list");
    if (!readBoxList(link, o.kind, &before, &r.error)) {
        r.error = "the backup failed, nothing was changed: " + r.error;
        return r;
    }
    r.backup = (fs::path(o.backupRoot) / (box.host + "_" + o.stamp)).string();
    if (!writeBackup(r.backup, box.host, before, &r.error)) {
        r.error = "the backup failed, nothing was changed: " + r.error;
        return r;
    }
    r.backedUp = pathsOf(before);

    // A satellites.xml under /etc/enigma2 would hide the new one.
    const std::string shadow = std::string(kE2Dir) + "satellites.xml";
    const bool shadowed = o.kind == BoxKind::kEnigma2 && hasSatellites &&
                          std::any_of(before.begin(), before.end(),
                                      [&](const BoxFile& f) { return f.path == shadow; });
    if (shadowed && o.shadow == ShadowChoice::kStop) {
        r.error = shadow +
                  " on the box would hide the list's satellites.xml; nothing was changed "
                  "(--shadow replace writes the list's there too)";
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
    if (!applyFiles(link, want, drop, say, &r, &touched, &err)) {
        r.error = err;
        if (touched) rollBack(link, before, r.sent, say, &r);
        return r;
    }
    r.boxState = "the new list";
    if (o.kind == BoxKind::kEnigma1) {
        r.boxState = "the new list, in place: restart the box to load it";
        r.ok = true;
        return r;
    }
    if (!o.reload) {
        r.boxState = "the new list, in place: restart the box to load it (no reload asked for)";
        r.ok = true;
        return r;
    }
    if (!reloadAndVerify(link, want, say, &r, &err)) {
        r.error = err;
        r.boxState = "the new list, in place but not loaded: restart the box";
        return r;
    }
    r.ok = true;
    return r;
}

SendResult restoreBackup(const std::string& backupFolder, const BoxAddress& box,
                         const SendOptions& o, const SendSay& say) {
    SendResult r;
    r.backup = backupFolder;
    r.boxState = "as it was: nothing was changed";
    std::vector<BoxFile> files;
    if (!readBackup(backupFolder, &files, &r.error)) return r;
    BoxLink link(box);
    std::vector<BoxFile> now;
    if (!readBoxList(link, o.kind, &now, &r.error)) return r;
    std::set<std::string> had;
    for (const BoxFile& f : files) had.insert(f.path);
    std::vector<std::string> drop;
    for (const BoxFile& f : now)
        if (!had.count(f.path)) drop.push_back(f.path);
    bool touched = false;
    std::string err;
    if (!applyFiles(link, files, drop, say, &r, &touched, &err)) {
        r.error = err;
        r.boxState = touched ? "unknown: the restore stopped half-way; run it again"
                             : "as it was: nothing was changed";
        return r;
    }
    r.boxState = "the backup's list";
    if (o.kind == BoxKind::kEnigma2 && o.reload && !reloadAndVerify(link, files, say, &r, &err)) {
        r.error = err;
        r.boxState = "the backup's list, in place but not loaded: restart the box";
        return r;
    }
    r.ok = true;
    return r;
}
