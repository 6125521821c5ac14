#include "cli/lib/consolePlatform.h"

#include <filesystem>

#include "config/codepage.h"

bool ConsolePlatform::showFolderDialog(const std::string& title, std::string* path) {
    answerFolder(dest_.empty() ? std::nullopt : std::optional<std::string>(dest_));
    return MemoryPlatform::showFolderDialog(title, path);
}

bool ConsolePlatform::showSaveDialog(const std::string& title,
                                     const std::vector<std::string>& filter,
                                     const std::string& defExt, std::string* path) {
    answerSave(dest_.empty() ? std::nullopt : std::optional<std::string>(dest_));
    return MemoryPlatform::showSaveDialog(title, filter, defExt, path);
}

bool ConsolePlatform::showOpenDialog(const std::string& title,
                                     const std::vector<std::string>& filter, std::string* path) {
    answerOpen(std::nullopt);
    return MemoryPlatform::showOpenDialog(title, filter, path);
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
    std::fprintf(out_, "== %s ==\n%s\n", cp1252ToUtf8(caption).c_str(), cp1252ToUtf8(text).c_str());
}
