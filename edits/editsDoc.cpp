// The edits document: reading, writing and the file beside the
// configuration.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "channels/dbTypes.h"
#include "channels/location.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "edits/edits.h"

#include "config/unicodeText.h"

namespace {

struct Tokens {
    std::vector<std::string> words;
    std::vector<bool> quoted;
};

// Bare words and "quoted strings" with \" and \\ inside.
bool tokenize(const std::string& line, Tokens* t, std::string* err) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string w;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    w += line[i++];
                    continue;
                }
                w += c;
            }
            if (!closed) {
                *err = "a name is not closed by '\"'";
                return false;
            }
            t->quoted.push_back(true);
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') w += line[i++];
            t->quoted.push_back(false);
        }
        t->words.push_back(std::move(w));
    }
    return true;
}

bool hexField(const std::string& s, uint32_t* v) {
    if (s.empty() || s.size() > 8) return false;
    uint32_t n = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) return false;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    *v = n;
    return true;
}

bool parseKey(const std::string& s, T_chanRef* c) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    for (std::string p; std::getline(in, p, ':');) parts.push_back(p);
    return parts.size() == 4 && parsePosition(parts[0], &c->position) &&
           hexField(parts[1], &c->nid) && hexField(parts[2], &c->tid) &&
           hexField(parts[3], &c->sid);
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string chanText(const T_chanRef& c) { return chanKeyText(c) + " " + quoted(c.name); }

// Reads one line's words after its verb.
class Reader {
public:
    explicit Reader(const Tokens& t) : t_(t) {}
    bool name(std::string* out) {
        if (at_ >= t_.words.size() || !t_.quoted[at_]) return fail("a name in quotes");
        *out = t_.words[at_++];
        return true;
    }
    bool word(const char* w) {
        if (at_ >= t_.words.size() || t_.quoted[at_] || t_.words[at_] != w)
            return fail(std::string("'") + w + "'");
        ++at_;
        return true;
    }
    bool peek(const char* w) const {
        return at_ < t_.words.size() && !t_.quoted[at_] && t_.words[at_] == w;
    }
    bool channel(T_chanRef* c) {
        if (at_ >= t_.words.size() || t_.quoted[at_] || !parseKey(t_.words[at_], c))
            return fail("a channel key such as 19.2E:0001:0437:6D66");
        ++at_;
        return name(&c->name);
    }
    bool onOff(bool* on) {
        if (peek("on") || peek("off")) {
            *on = t_.words[at_++] == "on";
            return true;
        }
        return fail("on or off");
    }
    bool more() const { return at_ < t_.words.size(); }
    bool end() { return !more() || fail("the end of the line"); }
    std::string error;

private:
    bool fail(const std::string& wanted) {
        if (error.empty())
            error = "expected " + wanted +
                    (at_ < t_.words.size() ? ", found '" + t_.words[at_] + "'" : " at its end");
        return false;
    }
    const Tokens& t_;
    size_t at_ = 1;
};

bool parseLine(const std::string& line, T_edit* e, std::string* err) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') {
        e->kind = EditKind::kComment;
        e->text = line;
        return true;
    }
    Tokens t;
    if (!tokenize(line, &t, err)) return false;
    const std::string& verb = t.words[0];
    Reader r(t);
    T_chanRef c;
    bool ok = false;
    if (verb == "order" || verb == "bouquet") {
        e->kind = verb == "order" ? EditKind::kOrder : EditKind::kNewBouquet;
        ok = r.name(&e->bouquet);
        while (ok && r.more() && r.channel(&c)) e->channels.push_back(c);
        ok = ok && r.error.empty() && !e->channels.empty();
        if (ok == false && r.error.empty()) r.error = "expected at least one channel";
    } else if (verb == "rename") {
        e->kind = EditKind::kRename;
        ok = r.channel(&c) && r.word("to") && r.name(&e->name) && r.end();
        e->channels = {c};
    } else if (verb == "rename-bouquet") {
        e->kind = EditKind::kRenameBouquet;
        ok = r.name(&e->bouquet) && r.word("to") && r.name(&e->name) && r.end();
    } else if (verb == "hide") {
        e->kind = EditKind::kHide;
        ok = r.channel(&c);
        if (ok && r.peek("in")) ok = r.word("in") && r.name(&e->bouquet);
        ok = ok && r.end();
        e->channels = {c};
    } else if (verb == "copy" || verb == "favourite") {
        e->kind = verb == "copy" ? EditKind::kCopy : EditKind::kFavourite;
        ok = r.channel(&c) && r.word("to") && r.name(&e->bouquet) && r.end();
        e->channels = {c};
    } else if (verb == "move") {
        e->kind = EditKind::kMove;
        ok = r.channel(&c) && r.word("from") && r.name(&e->from) && r.word("to") &&
             r.name(&e->bouquet) && r.end();
        e->channels = {c};
    } else if (verb == "lock") {
        e->kind = EditKind::kLock;
        ok = r.channel(&c) && r.onOff(&e->on) && r.end();
        e->channels = {c};
    } else if (verb == "lock-bouquet") {
        e->kind = EditKind::kLockBouquet;
        ok = r.name(&e->bouquet) && r.onOff(&e->on) && r.end();
    } else {
        // A later version's edit: kept as it stands.
        e->kind = EditKind::kUnknown;
        e->text = line;
        return true;
    }
    if (!ok) *err = verb + ": " + r.error;
    return ok;
}

}  // namespace

std::string chanKeyText(const T_chanRef& c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, ":%04X:%04X:%04X", c.nid, c.tid, c.sid);
    return locationText(c.position) + buf;
}

bool parseEdits(const std::string& text, T_editsDoc* doc, std::string* err) {
    T_editsDoc out;
    std::istringstream in(text);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        T_edit e;
        std::string why;
        if (!parseLine(line, &e, &why)) {
            *err = "line " + std::to_string(n) + ": " + why;
            return false;
        }
        out.edits.push_back(std::move(e));
    }
    *doc = std::move(out);
    return true;
}

std::string formatEdit(const T_edit& e) {
    std::string s;
    auto chans = [&] {
        for (const T_chanRef& c : e.channels) s += " " + chanText(c);
    };
    const T_chanRef none{};
    const T_chanRef& c = e.channels.empty() ? none : e.channels.front();
    switch (e.kind) {
    case EditKind::kComment:
    case EditKind::kUnknown: return e.text;
    case EditKind::kOrder:
        s = "order " + quoted(e.bouquet);
        chans();
        return s;
    case EditKind::kNewBouquet:
        s = "bouquet " + quoted(e.bouquet);
        chans();
        return s;
    case EditKind::kRename: return "rename " + chanText(c) + " to " + quoted(e.name);
    case EditKind::kRenameBouquet:
        return "rename-bouquet " + quoted(e.bouquet) + " to " + quoted(e.name);
    case EditKind::kHide:
        return "hide " + chanText(c) + (e.bouquet.empty() ? "" : " in " + quoted(e.bouquet));
    case EditKind::kCopy: return "copy " + chanText(c) + " to " + quoted(e.bouquet);
    case EditKind::kFavourite: return "favourite " + chanText(c) + " to " + quoted(e.bouquet);
    case EditKind::kMove:
        return "move " + chanText(c) + " from " + quoted(e.from) + " to " + quoted(e.bouquet);
    case EditKind::kLock: return "lock " + chanText(c) + (e.on ? " on" : " off");
    case EditKind::kLockBouquet:
        return "lock-bouquet " + quoted(e.bouquet) + (e.on ? " on" : " off");
    }
    return e.text;
}

std::string formatEdits(const T_editsDoc& doc) {
    std::string s;
    for (const T_edit& e : doc.edits) s += formatEdit(e) + "\n";
    return s;
}

std::string editsPathFor(const std::string& configPath) {
    return std::filesystem::path(configPath).replace_extension(".edits").string();
}

bool loadEditsFile(const std::string& path, T_editsDoc* doc, std::string* err) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        *doc = {};
        return true;
    }
    std::string text;
    if (!readFileWhole(path, &text)) {
        *err = "cannot read " + path;
        return false;
    }
    if (!parseEdits(text, doc, err)) {
        *err = path + ", " + *err;
        return false;
    }
    return true;
}

bool saveEditsFile(const std::string& path, const T_editsDoc& doc, std::string* err) {
    return writeFileWhole(path, formatEdits(doc), err);
}

T_notShown editsNotShown(const T_editsDoc& doc, unsigned nameChars, bool channelLock) {
    T_notShown out;
    for (const T_edit& e : doc.edits) {
        // Beyond the tables' own field the name was cut already, and said.
        if (e.kind == EditKind::kRename && std::min(utf8Chars(e.name), kChNameChars) > nameChars)
            out.cutNames.push_back(formatEdit(e));
        if (!channelLock && (e.kind == EditKind::kLock || e.kind == EditKind::kLockBouquet))
            out.locks.push_back(formatEdit(e));
    }
    return out;
}
