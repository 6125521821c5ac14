#include "import/importCfg.h"

#include <algorithm>
#include <map>
#include <memory>

#include "config/cfgFile.h"
#include "config/textFunc.h"
#include "import/importText.h"

namespace {

constexpr const char* kDefaultNation = "International";

// A section's field lines as loadCfg reads them: split at '#', comment
// lines and bare line ends skipped.
struct Section {
    bool present = false;
    std::vector<std::vector<std::string>> lines;
};

std::string withoutBlanks(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t') out += c;
    return out;
}

// The lines of a configuration file as loadCfg sees them: LF, CR LF and a
// lone CR end a line, and a DOS end-of-file mark at the end is no text.
std::vector<std::string_view> cfgLines(std::string_view text) {
    if (!text.empty() && text.back() == '\x1A') text.remove_suffix(1);
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++start;
    }
    return lines;
}

Section section(const std::string& text, const std::string& name) {
    Section s;
    bool inside = false;
    for (std::string_view line : cfgLines(text)) {
        const std::string bare = withoutBlanks(line);
        if (!inside) {
            if (bare.rfind("[" + name + "]", 0) == 0) inside = s.present = true;
            continue;
        }
        if (bare.rfind("[/" + name + "]", 0) == 0) break;
        if (trim(line).empty() || line[0] == '#' || line[0] == ';') continue;
        std::vector<std::string> fields;
        for (std::string_view f : split(line, '#')) fields.emplace_back(f);
        s.lines.push_back(std::move(fields));
    }
    return s;
}

std::map<int, std::string> idNames(const Section& s) {
    std::map<int, std::string> m;
    for (const auto& f : s.lines) m.emplace(toInt(f[0].c_str()), f.size() > 1 ? f[1] : "");
    return m;
}

// The default nation's id: the one named "International", else a new one.
int defaultNation(const std::map<int, std::string>& nations, bool* isNew) {
    for (const auto& [id, name] : nations)
        if (name == kDefaultNation) {
            *isNew = false;
            return id;
        }
    *isNew = true;
    return nations.empty() ? 1 : nations.rbegin()->first + 1;
}

// A name as a field of the configuration files: '#' separates the fields.
std::string cfgName(std::string s) {
    std::replace(s.begin(), s.end(), '#', '-');
    return s;
}

// Lines inserted before a section's closing line; a missing section is made
// before the first of the sections that must follow it, else at the end.
void addToSection(std::vector<std::string>* lines, const std::string& name,
                  const std::vector<std::string>& add, const std::vector<std::string>& before) {
    if (add.empty()) return;
    auto starts = [](const std::string& line, const std::string& tag) {
        return withoutBlanks(line).rfind(tag, 0) == 0;
    };
    size_t open = lines->size();
    for (size_t i = 0; i < lines->size(); ++i)
        if (starts((*lines)[i], "[" + name + "]")) {
            open = i;
            break;
        }
    if (open < lines->size()) {
        size_t close = lines->size();
        for (size_t i = open + 1; i < lines->size(); ++i)
            if (starts((*lines)[i], "[/" + name + "]")) {
                close = i;
                break;
            }
        std::vector<std::string> ins = add;
        if (close == lines->size()) ins.push_back("[/" + name + "]");
        lines->insert(lines->begin() + static_cast<long>(close), ins.begin(), ins.end());
        return;
    }
    size_t at = lines->size();
    for (size_t i = 0; i < lines->size() && at == lines->size(); ++i)
        for (const std::string& b : before)
            if (starts((*lines)[i], "[" + b + "]")) at = i;
    std::vector<std::string> ins{"[" + name + "]"};
    ins.insert(ins.end(), add.begin(), add.end());
    ins.push_back("[/" + name + "]");
    ins.push_back("");
    // A file without a last line end gets one before the new section.
    lines->insert(lines->begin() + static_cast<long>(at), ins.begin(), ins.end());
}

std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::string_view l : cfgLines(text)) lines.emplace_back(l);
    return lines;
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

}  // namespace

std::string newMasterText() {
    return "[CAT]\r\n1#Generalist#\r\n9#Adult#\r\n11#Radio#\r\n[/CAT]\r\n\r\n[FAV]\r\n[/"
           "FAV]\r\n\r\n"
           "[BOU]\r\n[/BOU]\r\n\r\n[NAT]\r\n[/NAT]\r\n";
}

bool readCfgHints(const std::string& masterBytes, const std::string& userBytes, IdHints* h,
                  std::string* err) {
    std::string masterText, userText;
    if (!cfgTextToUtf8(masterBytes, &masterText, err) || !cfgTextToUtf8(userBytes, &userText, err))
        return false;
    for (const auto& f : section(masterText, "BOU").lines) {
        const int id = toInt(f[0].c_str());
        h->bouquetIdsUsed.insert(id);
        if (f.size() > 1) h->bouquetIds.emplace(f[1], id);
    }
    for (const auto& f : section(masterText, "FAV").lines) {
        const int id = toInt(f[0].c_str());
        h->favouriteIdsUsed.insert(id);
        if (f.size() > 1) h->favouriteIds.emplace(f[1], id);
    }
    for (const auto& f : section(userText, "BOUI").lines)
        h->bouquetIdsUsed.insert(toInt(f[0].c_str()));
    for (const auto& f : section(userText, "FAVI").lines)
        h->favouriteIdsUsed.insert(toInt(f[0].c_str()));
    bool isNew = false;
    h->nationId = defaultNation(idNames(section(masterText, "NAT")), &isNew);
    return true;
}

bool mergeCfg(const std::string& masterBytes, const std::string& userBytes, const ImportDbReport& r,
              CfgMerge* out, std::string* err) {
    std::string masterText, userText;
    if (!cfgTextToUtf8(masterBytes, &masterText, err) || !cfgTextToUtf8(userBytes, &userText, err))
        return false;
    const std::map<int, std::string> bous = idNames(section(masterText, "BOU"));
    const std::map<int, std::string> favs = idNames(section(masterText, "FAV"));
    const std::map<int, std::string> nats = idNames(section(masterText, "NAT"));
    const size_t cats = section(masterText, "CAT").lines.size();
    bool nationNew = false;
    const int nation = defaultNation(nats, &nationNew);

    std::vector<std::string> bouLines, favLines, natLines, satLines;
    std::set<int> seen;
    for (const IdName& b : r.bouquets) {
        if (!seen.insert(b.id).second) continue;
        auto it = bous.find(b.id);
        if (it != bous.end()) {
            if (it->second != cfgName(b.name))
                out->conflicts.push_back(
                    strFormat("bouquet %d is '%s' in the master list and '%s' in the database",
                              b.id, it->second.c_str(), b.name.c_str()));
            continue;
        }
        std::string natName;
        auto n = nats.find(b.nation);
        if (n != nats.end()) {
            natName = n->second;
        } else if (b.nation == nation && nationNew) {
            natName = kDefaultNation;
            if (natLines.empty()) natLines.push_back(strFormat("%d#%s#", nation, kDefaultNation));
        } else {
            natName = strFormat("Nation %d", b.nation);
        }
        std::replace(natName.begin(), natName.end(), '#', '-');
        bouLines.push_back(
            strFormat("%d#%s#%d#%s#", b.id, cfgName(b.name).c_str(), b.nation, natName.c_str()));
    }
    seen.clear();
    for (const IdName& f : r.favourites) {
        if (!seen.insert(f.id).second) continue;
        auto it = favs.find(f.id);
        if (it != favs.end()) {
            if (it->second != cfgName(f.name))
                out->conflicts.push_back(strFormat(
                    "favourite group %d is '%s' in the master list and '%s' in the database", f.id,
                    it->second.c_str(), f.name.c_str()));
            continue;
        }
        favLines.push_back(strFormat("%d#%s#", f.id, cfgName(f.name).c_str()));
    }
    const std::map<int, std::string> userSats = idNames(section(userText, "SAT"));
    seen.clear();
    size_t port = userSats.size();
    for (const IdName& s : r.sats) {
        if (userSats.count(s.id) || !seen.insert(s.id).second) continue;
        // Selected, universal LNB 9750/10600 MHz, power on, DiSEqC 1.0 on
        // the next port, every filter open: a set-up to adjust, not to trust.
        satLines.push_back(strFormat("%d#%s#1#1#3#6#3#0#0#1#%zu#0#0#0#0#0#111#11111#%s#", s.id,
                                     cfgName(s.name).c_str(), port++ % 4,
                                     std::string(cats, '1').c_str()));
    }
    if (bous.size() + bouLines.size() > static_cast<size_t>(kBouSlots) ||
        favs.size() + favLines.size() > static_cast<size_t>(kFavSlots) ||
        nats.size() + natLines.size() > static_cast<size_t>(kNatSlots - 1)) {
        *err = "the master list would hold more bouquets, favourite groups or nations than it can";
        return false;
    }
    if (userSats.size() + satLines.size() > static_cast<size_t>(kSatSlots - 1)) {
        *err = "the user configuration would hold more than 253 satellites";
        return false;
    }

    std::vector<std::string> master = textLines(masterText);
    addToSection(&master, "FAV", favLines, {"BOU", "NAT"});
    addToSection(&master, "BOU", bouLines, {"NAT"});
    addToSection(&master, "NAT", natLines, {});
    std::vector<std::string> user = textLines(userText);
    addToSection(&user, "SAT", satLines, {"FAVI", "BOUI"});
    out->master = cfgTextFromUtf8(joinCrLf(master));
    out->user = cfgTextFromUtf8(joinCrLf(user));
    out->bouquetsAdded = static_cast<unsigned>(bouLines.size());
    out->favouritesAdded = static_cast<unsigned>(favLines.size());
    out->nationsAdded = static_cast<unsigned>(natLines.size());
    out->satsAdded = static_cast<unsigned>(satLines.size());

    // What is written must load as the program loads it.
    auto t = std::make_unique<T_cfgRecords>();
    if (!loadCfgFromText(out->master, out->user, t.get())) {
        *err = "the merged configuration would not load: " + lastCfgError();
        return false;
    }
    return true;
}

std::string newUserText() {
    auto t = std::make_unique<T_cfgRecords>();
    t->cfg.lang = 2;
    t->cfg.fileType = 2;
    t->cfg.lonWE = 1;
    t->cfg.gHD = t->cfg.g3D = t->cfg.gRad = 1;
    return composeCfg(&t->cfg, &t->sat, &t->favI, &t->bouI);
}
