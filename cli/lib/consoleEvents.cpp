#include "cli/lib/consoleEvents.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "config/codepage.h"
#include "config/langTypes.h"
#include "config/textFunc.h"

namespace {

// Windows-1252 text as UTF-8 that is safe to print: a server message or a
// file name must not move the cursor or recolour the terminal.
std::string printable(const std::string& cp1252) {
    std::string s = cp1252ToUtf8(cp1252);
    std::string out;
    for (char c : s) {
        if (c == '\r') continue;
        if (c == '\t')
            c = ' ';
        else if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
            c = '?';
        out += c;
    }
    return out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (;;) {
        size_t nl = text.find('\n', pos);
        lines.push_back(trimmed(text.substr(pos, nl == std::string::npos ? nl : nl - pos)));
        if (nl == std::string::npos) return lines;
        pos = nl + 1;
    }
}

// A text's lines on one line, for the progress and result line.
std::string oneLine(const std::string& text) {
    std::string s;
    for (const std::string& l : linesOf(text))
        if (!l.empty()) s += (s.empty() ? "" : " ") + l;
    return s;
}

// Columns of UTF-8 text, one per character.
size_t columns(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string cutToColumns(const std::string& s, size_t max) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n++ == max) return s.substr(0, i);
    }
    return s;
}

}  // namespace

ConsoleEvents ConsoleEvents::onStderr(bool quiet, bool progressLines) {
    struct winsize ws {};
    const int width = ioctl(fileno(stderr), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
    return ConsoleEvents(stderr, isatty(fileno(stderr)) == 1, quiet, width,
                         progressLines || isatty(fileno(stdout)) == 1);
}

void ConsoleEvents::addWarning(const std::string& text) {
    for (const std::string& seen : warnings_)
        if (seen == text) return;
    warnings_.push_back(text);
}

void ConsoleEvents::beginJob(const std::string& label) {
    std::lock_guard<std::mutex> lock(mu_);
    inJob_ = true;
    label_ = label;
    start_ = std::chrono::steady_clock::now();
    percent_ = 0;
    step_.clear();
    closing_.clear();
    errors_.clear();
    warnings_.clear();
    statusWarnings_.clear();
    boxes_.clear();
    shown_.clear();
    lastLine_.clear();
    lastProgress_ = -1;
    drawn_ = 0;
    if (terminal_) drawLine();
}

std::string ConsoleEvents::jobLine(bool ended, bool ok) const {
    auto secs =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_)
            .count();
    char head[96];
    if (secs >= 3600)
        std::snprintf(head, sizeof head, "%s %3d%% %lld:%02lld:%02lld", label_.c_str(), percent_,
                      static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                      static_cast<long long>(secs % 60));
    else
        std::snprintf(head, sizeof head, "%s %3d%% %lld:%02lld", label_.c_str(), percent_,
                      static_cast<long long>(secs / 60), static_cast<long long>(secs % 60));
    std::string line = head;
    if (!ended) return step_.empty() ? line : line + "  " + step_;
    if (!ok) return line + "  FAILED" + (errors_.empty() ? "" : ": " + errors_.front());
    return line + "  done" + (closing_.empty() ? "" : ": " + closing_);
}

void ConsoleEvents::drawLine() {
    if (!inJob_) return;
    std::string line = jobLine(false, false);
    // One column short of the width: a full line would wrap on some
    // terminals, and the next carriage return would then miss its start.
    line = cutToColumns(line, width_ > 1 ? static_cast<size_t>(width_ - 1) : 1);
    if (line == lastLine_) return;
    lastLine_ = line;
    size_t cols = columns(line);
    std::string pad(drawn_ > cols ? drawn_ - cols : 0, ' ');
    std::fprintf(out_, "\r%s%s", line.c_str(), pad.c_str());
    std::fflush(out_);
    drawn_ = cols;
}

void ConsoleEvents::clearLine() {
    if (!drawn_) return;
    std::fprintf(out_, "\r%s\r", std::string(drawn_, ' ').c_str());
    drawn_ = 0;
    lastLine_.clear();
}

void ConsoleEvents::printOnce(const std::string& text, const std::string& prefix) {
    std::vector<std::string> keep;
    for (const std::string& line : linesOf(text)) {
        bool seen = false;
        for (const std::string& s : shown_)
            if (!line.empty() && s.find(line) != std::string::npos) seen = true;
        if (seen) continue;
        // Blank lines only between lines kept, one at a time.
        if (line.empty() && (keep.empty() || keep.back().empty())) continue;
        keep.push_back(line);
    }
    while (!keep.empty() && keep.back().empty()) keep.pop_back();
    if (keep.empty()) return;
    if (terminal_) clearLine();
    for (size_t i = 0; i < keep.size(); ++i) {
        std::fprintf(out_, "%s%s\n", i == 0 ? prefix.c_str() : "", keep[i].c_str());
        if (!keep[i].empty()) shown_.push_back(keep[i]);
    }
    std::fflush(out_);
}

void ConsoleEvents::endJob(bool ok) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!inJob_) return;
    if (!quiet_ || !ok) {
        std::string line = jobLine(true, ok);
        if (terminal_) {
            size_t cols = columns(line);
            std::string pad(drawn_ > cols ? drawn_ - cols : 0, ' ');
            std::fprintf(out_, "\r%s%s\n", line.c_str(), pad.c_str());
            drawn_ = 0;
        } else {
            std::fprintf(out_, "%s\n", line.c_str());
        }
        shown_.push_back(line);
    }
    inJob_ = false;
    const std::string errorWord = lang_ ? trimmed(lang_->msgError) : "Error";
    for (size_t i = 1; i < errors_.size(); ++i) printOnce(errors_[i], errorWord + ": ");
    if (!quiet_) {
        const std::string warningWord = lang_ ? trimmed(lang_->msgWarning) : "Warning";
        for (const std::string& w : statusWarnings_) printOnce(w, warningWord + ": ");
    }
    for (const Box& b : boxes_)
        if (!quiet_ || b.error) printOnce(b.text, b.error || b.warning ? b.caption + ": " : "");
    std::fflush(out_);
}

std::string ConsoleEvents::jobResult() const {
    std::lock_guard<std::mutex> lock(mu_);
    return errors_.empty() ? closing_ : errors_.front();
}

std::vector<std::string> ConsoleEvents::jobWarnings() const {
    std::lock_guard<std::mutex> lock(mu_);
    return warnings_;
}

std::vector<std::string> ConsoleEvents::jobMessages() const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<std::string> texts;
    for (const Box& b : boxes_) texts.push_back(b.text);
    return texts;
}

void ConsoleEvents::fileWritten(const std::string& path, size_t) {
    std::lock_guard<std::mutex> lock(mu_);
    written.push_back(path);
}

void ConsoleEvents::report(ReportField field, const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    reportText[static_cast<int>(field)] = cp1252ToUtf8(text);
}

void ConsoleEvents::status(JobStatus kind, const std::string& word, const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    part0_ = word;
    kind_ = kind;
    detail(kind, text);
}

void ConsoleEvents::step(const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    detail(kind_, text);
}

void ConsoleEvents::detail(JobStatus kind, const std::string& text) {
    const std::string state = trimmed(part0_);
    const std::string t = printable(text);
    if (inJob_ && kind == JobStatus::kError) {
        std::string e = oneLine(t);
        for (const std::string& seen : errors_)
            if (seen == e) return;
        errors_.push_back(e);
        return;
    }
    if (inJob_ && kind == JobStatus::kWarning) {
        const std::string w = oneLine(t);
        addWarning(w);
        if (std::find(statusWarnings_.begin(), statusWarnings_.end(), w) == statusWarnings_.end())
            statusWarnings_.push_back(w);
        return;
    }
    if (inJob_ && kind == JobStatus::kDone) {
        closing_ = oneLine(t);
        return;
    }
    if (kind == JobStatus::kWriting || kind == JobStatus::kWritten) {
        // Files are listed by the tool once a job ends.
        if (terminal_ && kind == JobStatus::kWriting) {
            step_ = state + " " + std::filesystem::path(t).filename().string();
            drawLine();
        }
        return;
    }
    if (inJob_) step_ = oneLine(t);
    if (terminal_ && inJob_) {
        drawLine();
        return;
    }
    if (quiet_) return;
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "[" + string.
    std::string line = "[";
    line += state.empty() ? std::string("-") : printable(state);
    line += "] ";
    line += oneLine(t);
    if (line == lastLine_) return;
    lastLine_ = line;
    std::fprintf(out_, "%s\n", line.c_str());
    shown_.push_back(line);
}

void ConsoleEvents::progress(JobBar bar, int pos) {
    std::lock_guard<std::mutex> lock(mu_);
    percent_ = pos < 0 ? 0 : pos > 100 ? 100 : pos;
    if (terminal_) {
        drawLine();
        return;
    }
    if (quiet_ || !progressLines_) return;
    // One line per tenth, so a long job does not flood a log.
    int step = pos / 10;
    if (pos == 0) lastProgress_ = -1;
    if (step == lastProgress_) return;
    lastProgress_ = step;
    std::fprintf(out_, "progress %s: %d%%\n", bar == JobBar::kDownload ? "download" : "generate",
                 pos);
}

int ConsoleEvents::message(const std::string& text, const std::string& caption, unsigned flags) {
    say(text, caption, flags);
    return (flags & 0xFu) == kMbYesNo ? kIdYes : kIdOk;
}

void ConsoleEvents::say(const std::string& text, const std::string& caption, unsigned flags) {
    std::lock_guard<std::mutex> lock(mu_);
    Box b{printable(text), printable(trimmed(caption)), (flags & 0xF0u) == kMbIconError,
          (flags & 0xF0u) == kMbIconWarning};
    // A job's boxes follow its result line; others (loading the
    // configuration) show at once.
    if (inJob_) {
        if (b.warning) addWarning(b.text);
        boxes_.push_back(b);
        return;
    }
    if (quiet_ && !b.error) return;
    printOnce(b.text, b.error ? b.caption + ": " : "");
}
