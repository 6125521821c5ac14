#include <gtest/gtest.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/fileIo.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "va-fileio-XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

std::string text(const fs::path& p) {
    std::string s;
    return readFileWhole(p.string(), &s) ? s : "<missing>";
}

}  // namespace

TEST(WriteFileWhole, LegalLongNamesAndTheTargetNamedInErrors) {
    for (bool plain : {false, true}) {
        setPlainFileSystem(plain);
        TempDir tmp;
        // 250 bytes is a legal name; the temporary one must not grow with it.
        const fs::path target = tmp.path / std::string(250, 'n');
        std::string err;
        ASSERT_TRUE(writeFileWhole(target.string(), std::string("one"), &err)) << err;
        ASSERT_TRUE(writeFileWhole(target.string(), std::string("two"), &err)) << err;
        EXPECT_EQ(text(target), "two");

        setWriteFaultHook([](const std::string&, size_t) { return false; });
        EXPECT_FALSE(writeFileWhole(target.string(), std::string("three"), &err));
        setWriteFaultHook(nullptr);
        EXPECT_EQ(err, "cannot write " + target.string() + ": No space left on device");
        EXPECT_FALSE(writeFileWhole((tmp.path / "gone" / "x").string(), std::string("x"), &err));
        EXPECT_EQ(err, "cannot write " + (tmp.path / "gone" / "x").string() +
                           ": No such file or directory");
        EXPECT_EQ(text(target), "two");
        EXPECT_EQ(listing(tmp.path), (std::vector<std::string>{target.filename().string()}));
    }
    setPlainFileSystem(false);
}

TEST(WriteFileWhole, RemovesLeftoversOfEndedProcessesOnly) {
    pid_t dead = fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);

    TempDir tmp;
    const std::string gone = ".vatmp-" + std::to_string(dead) + "-";
    const std::string live = ".vatmp-" + std::to_string(getpid()) + "-abcdef";
    const std::string parent = ".vatmp-" + std::to_string(getppid()) + "-abcdef";
    for (const std::string& n : {gone + "abcdef", live, parent, std::string(".vatmp-x-abcdef"),
                                 std::string("notes.vatmp-1-a")})
        ASSERT_TRUE(writeFileWhole((tmp.path / n).string(), std::string("x"), nullptr, false));
    // A folder being built when its process was killed.
    fs::create_directory(tmp.path / (gone + "folder"));
    ASSERT_TRUE(writeFileWhole((tmp.path / (gone + "folder") / "lamedb").string(), std::string("x"),
                               nullptr, false));
    // A write of many files into one folder leaves the sweep to its caller.
    ASSERT_TRUE(writeFileWhole((tmp.path / "batch").string(), std::string("x"), nullptr, false));
    EXPECT_EQ(listing(tmp.path).size(), 7u);

    ASSERT_TRUE(writeFileWhole((tmp.path / "list").string(), std::string("x"), nullptr));
    std::vector<std::string> kept = {live,    parent, ".vatmp-x-abcdef",
                                     "batch", "list", "notes.vatmp-1-a"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(listing(tmp.path), kept);
}

// A link is followed, not replaced; what cannot be replaced (a pipe, a
// device) is written to, and its failure reported.
TEST(WriteFileWhole, ThroughLinksIntoPipesAndDevices) {
    TempDir tmp;
    const fs::path real = tmp.path / "real.ndf", link = tmp.path / "link.ndf";
    std::string err;
    ASSERT_TRUE(writeFileWhole(real.string(), std::string("old"), &err)) << err;
    fs::create_symlink("real.ndf", link);
    ASSERT_TRUE(writeFileWhole(link.string(), std::string("new"), &err)) << err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(text(real), "new");

    const fs::path fifo = tmp.path / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The reading end is open first, so the write neither blocks nor fails.
    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    EXPECT_TRUE(writeFileWhole(fifo.string(), std::string("report"), &err)) << err;
    char buf[16];
    const ssize_t n = ::read(readEnd, buf, sizeof buf);
    ::close(readEnd);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "report");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(listing(tmp.path), (std::vector<std::string>{"fifo", "link.ndf", "real.ndf"}));

    // A write that fails is reported (never a real device here: run as
    // root, a fault would replace it).
    setWriteFaultHook([](const std::string&, size_t) { return false; });
    const int again = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(again, 0);
    EXPECT_FALSE(writeFileWhole(fifo.string(), std::string("x"), &err));
    setWriteFaultHook(nullptr);
    ::close(again);
    EXPECT_EQ(err, "cannot write " + fifo.string() + ": No space left on device");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// Files of a staging folder: no temporary file beside them, an existing
// file is never overwritten, and a failed write leaves nothing behind.
TEST(WriteNewFile, CreatesOnlyNewFilesAndLeavesNothingOnFailure) {
    TempDir tmp;
    const std::string a = (tmp.path / "lamedb").string();
    std::string err;
    ASSERT_TRUE(writeNewFile(a, "services", &err)) << err;
    EXPECT_EQ(text(a), "services");
    EXPECT_FALSE(writeNewFile(a, "other", &err));
    EXPECT_EQ(err, "cannot write " + a + ": File exists");
    EXPECT_EQ(text(a), "services");

    setWriteFaultHook([](const std::string&, size_t) { return false; });
    EXPECT_FALSE(writeNewFile((tmp.path / "bouquets.tv").string(), "x", &err));
    setWriteFaultHook(nullptr);
    EXPECT_EQ(err, "cannot write " + (tmp.path / "bouquets.tv").string() +
                       ": No space left on device");
    EXPECT_EQ(listing(tmp.path), std::vector<std::string>{"lamedb"});
}
