// The console backend prints a job's boxes from the tool's own thread,
// while the tool waits, and answers its dialogs from the options.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "cli/lib/consolePlatform.h"
#include "platform/widget.h"

namespace {

// A stream that keeps what is written and which threads wrote it.
struct Sink {
    std::mutex mu;
    std::string text;
    std::vector<std::pair<std::thread::id, std::string>> writes;
};

ssize_t sinkWrite(void* cookie, const char* buf, size_t n) {
    auto* s = static_cast<Sink*>(cookie);
    std::lock_guard<std::mutex> lock(s->mu);
    s->text.append(buf, n);
    s->writes.push_back({std::this_thread::get_id(), std::string(buf, n)});
    return static_cast<ssize_t>(n);
}

struct Asked {
    T_Widget* w;
    std::string folder;
    bool chosen = false;
};

TEST(ConsolePlatform, JobBoxIsPrintedByTheWaitingThreadAndDialogsTakeTheDestination) {
    Sink sink;
    cookie_io_functions_t io{nullptr, sinkWrite, nullptr, nullptr};
    FILE* out = fopencookie(&sink, "w", io);
    ASSERT_NE(out, nullptr);
    setvbuf(out, nullptr, _IONBF, 0);
    {
        ConsolePlatform ui(out);
        T_Widget w{};
        createWidgetHandles(&w, &ui);
        ui.setDestination("/tmp/lists");
        Asked asked{&w, {}, false};
        ASSERT_TRUE(ui.startJob(
            [](void* p) -> uint32_t {
                auto* a = static_cast<Asked*>(p);
                showMessage(a->w, "Caf\xE9 ready", " Message", kMbIconInformation);
                a->chosen = a->w->ui->browseFolder(a->w->hMain, "Folder", &a->folder);
                return 0;
            },
            reinterpret_cast<T_FnPARAM*>(&asked)));
        EXPECT_EQ(ui.waitJob(), 0u);
        EXPECT_TRUE(asked.chosen);
        EXPECT_EQ(asked.folder, "/tmp/lists");
    }
    std::fclose(out);
    EXPECT_EQ(sink.text, "== Message ==\nCaf\xC3\xA9 ready\n");
    for (const auto& write : sink.writes) EXPECT_EQ(write.first, std::this_thread::get_id());
}

}  // namespace
