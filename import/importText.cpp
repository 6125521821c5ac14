#include "import/importText.h"

#include "config/unicodeText.h"

#include <cstdio>

#include "config/codepage.h"

size_t ImportModel::satAt(int position) {
    auto it = satIndex_.find(position);
    if (it != satIndex_.end()) return it->second;
    sats.push_back(ImpSatellite{position, {}, false});
    satIndex_[position] = sats.size() - 1;
    return sats.size() - 1;
}

namespace {
size_t groupAt(std::vector<ImpGroup>& groups, std::map<std::string, size_t>& index,
               const std::string& name) {
    auto it = index.find(name);
    if (it != index.end()) return it->second;
    groups.push_back(ImpGroup{name, {}});
    index[name] = groups.size() - 1;
    return groups.size() - 1;
}
}  // namespace

size_t ImportModel::bouquet(const std::string& name) { return groupAt(bouquets, bouIndex_, name); }
size_t ImportModel::favourite(const std::string& name) {
    return groupAt(favourites, favIndex_, name);
}

std::string ImportError::text() const {
    // The reason quotes the source: control bytes (a terminal takes ESC as a
    // command) become '?', and a quote of a huge line is cut.
    constexpr size_t kMaxReason = 300;
    std::string r = reason.size() > kMaxReason ? reason.substr(0, kMaxReason) + "..." : reason;
    for (char& c : r)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (line == 0) return file + ": " + r;
    return file + ":" + std::to_string(line) + ": " + r;
}

SourceText sourceText(std::string bytes) {
    SourceText t;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    t.utf8 = isValidUtf8(bytes);
    t.bytes = std::move(bytes);
    return t;
}

std::string importName(std::string_view raw, bool utf8, size_t max, ImportNotes* notes,
                       bool configSafe) {
    size_t replaced = 0;
    std::string s;
    s.reserve(raw.size());
    size_t i = 0;
    // UTF-8 as it stands; a Windows-1252 source's bytes as their characters.
    // Malformed sequences, control characters and undefined bytes become '?'.
    while (i < raw.size()) {
        uint32_t cp;
        if (utf8) {
            cp = nextCodePoint(raw, &i);
        } else {
            cp = cp1252CodePoint(static_cast<unsigned char>(raw[i++]));
            if (cp == 0) cp = 0xFFFD;
        }
        if (cp == 0xFFFD || cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) {
            s += '?';
            ++replaced;
        } else if (configSafe && cp == '#') {
            s += '-';
        } else {
            appendUtf8(s, cp);
        }
    }
    std::string_view t = trim(s);
    std::string out(t);
    const size_t keep = utf8PrefixBytes(out, max);
    if (keep < out.size()) {
        out.resize(keep);
        while (!out.empty() && out.back() == ' ') out.pop_back();
        ++notes->cutNames;
    }
    notes->replacedChars += replaced;
    return out;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        if (at == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, at - start));
        start = at + 1;
    }
}

bool parseNumber(std::string_view s, uint64_t max, uint64_t* out, int base) {
    if (s.empty() || s.size() > 20) return false;
    uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > max) return false;
    }
    *out = v;
    return true;
}

std::string frequencyFault(const std::string& field, uint64_t mhz) {
    if (mhz >= kMinFrequencyMHz && mhz <= kMaxFrequencyMHz) return {};
    return field + " is not a satellite frequency (" + std::to_string(mhz) +
           " MHz; receivers tune " + std::to_string(kMinFrequencyMHz) + " to " +
           std::to_string(kMaxFrequencyMHz) + " MHz)";
}

std::string symbolRateFault(const std::string& field, uint64_t ksps) {
    if (ksps >= kMinSymbolRate && ksps <= kMaxSymbolRate) return {};
    return field + " is not a symbol rate receivers tune (" + std::to_string(ksps) + " kS/s; " +
           std::to_string(kMinSymbolRate) + " to " + std::to_string(kMaxSymbolRate) + " kS/s)";
}

int casCode(unsigned caid) {
    // The codes of the schema's ChannelCas.cas_id (import/README.md).
    struct Range {
        unsigned first, last;
        int code;
    };
    static const Range kRanges[] = {
        {0x0100, 0x01FF, 0},   // Seca / Mediaguard
        {0x0500, 0x05FF, 1},   // Viaccess
        {0x0600, 0x06FF, 2},   // Irdeto
        {0x1800, 0x18FF, 3},   // Nagravision
        {0x1700, 0x17FF, 4},   // BetaCrypt
        {0x0B00, 0x0BFF, 5},   // Conax
        {0x0D00, 0x0DFF, 6},   // Cryptoworks
        {0x0900, 0x09FF, 7},   // NDS Videoguard
        {0x0E00, 0x0EFF, 8},   // PowerVu
        {0x4AE0, 0x4AE1, 9},   // DRE-Crypt
        {0x7BE0, 0x7BE1, 9},   // DRE-Crypt
        {0x2600, 0x26FF, 10},  // BISS
    };
    if (caid < 0x100) return -1;
    for (const Range& r : kRanges)
        if (caid >= r.first && caid <= r.last) return r.code;
    return 31;  // a system without a code of its own
}

std::string languageCode(std::string_view s) {
    if (s.size() == 7 && s[3] == '+') s = s.substr(0, 3);
    if (s.size() != 3) return {};
    std::string code;
    for (char c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z') return {};
        code += c;
    }
    return code;
}

std::string languageTwin(const std::string& code) {
    static const char* const kPairs[][2] = {
        {"alb", "sqi"}, {"arm", "hye"}, {"baq", "eus"}, {"bur", "mya"}, {"chi", "zho"},
        {"cze", "ces"}, {"dut", "nld"}, {"fre", "fra"}, {"geo", "kat"}, {"ger", "deu"},
        {"gre", "ell"}, {"ice", "isl"}, {"mac", "mkd"}, {"mao", "mri"}, {"may", "msa"},
        {"per", "fas"}, {"rum", "ron"}, {"slo", "slk"}, {"tib", "bod"}, {"wel", "cym"}};
    for (const auto& p : kPairs) {
        if (code == p[0]) return p[1];
        if (code == p[1]) return p[0];
    }
    return {};
}

ModelBuilder::ModelBuilder(ImportModel* m) : m_(m) {
    for (size_t t = 0; t < m->tps.size(); ++t) {
        const ImpTransponder& tp = m->tps[t];
        tps_.emplace(std::make_tuple(tp.sat, tp.frequency, tp.polarity, tp.nid, tp.tid), t);
    }
    for (size_t c = 0; c < m->chs.size(); ++c)
        chs_.emplace(std::make_pair(m->chs[c].tp, m->chs[c].sid), c);
    for (size_t g = 0; g < m->bouquets.size(); ++g)
        for (size_t c : m->bouquets[g].channels) members_.insert(std::make_tuple(false, g, c));
    for (size_t g = 0; g < m->favourites.size(); ++g)
        for (size_t c : m->favourites[g].channels) members_.insert(std::make_tuple(true, g, c));
}

size_t ModelBuilder::transponder(const ImpTransponder& t) {
    auto key = std::make_tuple(t.sat, t.frequency, t.polarity, t.nid, t.tid);
    auto it = tps_.find(key);
    if (it != tps_.end()) return it->second;
    m_->tps.push_back(t);
    tps_[key] = m_->tps.size() - 1;
    return m_->tps.size() - 1;
}

size_t ModelBuilder::channel(ImpChannel&& c) {
    auto key = std::make_pair(c.tp, c.sid);
    auto it = chs_.find(key);
    if (it != chs_.end()) {
        m_->notes.repeatedChannels.push_back(c.where + " (as " + m_->chs[it->second].where + ")");
        return it->second;
    }
    m_->sats[m_->tps[c.tp].sat].channels = true;
    m_->chs.push_back(std::move(c));
    chs_[key] = m_->chs.size() - 1;
    return m_->chs.size() - 1;
}

void ModelBuilder::join(size_t group, size_t channel, bool isFavourite) {
    if (!members_.insert(std::make_tuple(isFavourite, group, channel)).second) return;
    (isFavourite ? m_->favourites : m_->bouquets)[group].channels.push_back(channel);
}
