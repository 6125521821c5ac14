#include "platform/consolePlatform.h"

#include <filesystem>

namespace {
// Windows-1252 code points of 0x80..0x9F; 0 where the code page has none.
const unsigned short kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void putUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}
}  // namespace

std::string cp1252ToUtf8(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        unsigned cp = c;
        if (c >= 0x80 && c < 0xA0) cp = kHigh[c - 0x80] ? kHigh[c - 0x80] : '?';
        putUtf8(out, cp);
    }
    return out;
}

bool ConsolePlatform::browseFolder(HCtl owner, const std::string& title, std::string* path) {
    answerFolder(dest_.empty() ? std::nullopt : std::optional<std::string>(dest_));
    return MemoryPlatform::browseFolder(owner, title, path);
}

bool ConsolePlatform::saveFileDialog(HCtl owner, const std::string& title,
                                     const std::vector<std::string>& filter,
                                     const std::string& defExt, std::string* path) {
    answerSave(dest_.empty() ? std::nullopt : std::optional<std::string>(dest_));
    return MemoryPlatform::saveFileDialog(owner, title, filter, defExt, path);
}

bool ConsolePlatform::openFileDialog(HCtl owner, const std::string& title,
                                     const std::vector<std::string>& filter, std::string* path) {
    answerOpen(std::nullopt);
    return MemoryPlatform::openFileDialog(owner, title, filter, path);
}

void ConsolePlatform::onStatus(int part, const std::string& text) {
    if (part == 0) {
        part0_ = text;
        return;
    }
    if (part0_ == "Written") written.push_back(text);
    // Files are listed by the tool once a job ends; repeats add nothing.
    if (part0_ == "Writing" || part0_ == "Written") return;
    std::string line = part0_ + '\x01' + text;
    if (line == lastLine_) return;
    lastLine_ = line;
    std::string state = part0_;
    while (!state.empty() && state.front() == ' ') state.erase(0, 1);
    std::fprintf(out_, "[%s] %s\n", state.empty() ? "-" : cp1252ToUtf8(state).c_str(),
                 cp1252ToUtf8(text).c_str());
}

void ConsolePlatform::onProgress(const std::string& bar, int pos) {
    // One line per tenth, so a long job does not flood the terminal.
    int step = pos / 10;
    if (pos == 0) lastProgress_ = -1;
    if (step == lastProgress_) return;
    lastProgress_ = step;
    std::fprintf(out_, "progress %s: %d%%\n", bar == "progDown" ? "download" : "generate", pos);
}

void ConsolePlatform::onMessageBox(const MessageBoxCall& box) {
    std::string caption = box.caption;
    while (!caption.empty() && caption.front() == ' ') caption.erase(0, 1);
    std::string text;
    for (char c : box.text)
        if (c != '\r') text += c;
    std::fprintf(out_, "== %s ==\n%s\n", cp1252ToUtf8(caption).c_str(),
                 cp1252ToUtf8(text).c_str());
}
