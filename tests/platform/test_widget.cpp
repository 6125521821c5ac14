#include <gtest/gtest.h>

#include "platform/memoryPlatform.h"
#include "platform/widget.h"

namespace {

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override { createWidgetHandles(&w, &ui); }
    bool on(HCtl c) { return ui.enabled(c); }
    MemoryPlatform ui;
    T_Widget w{};
};

TEST_F(WidgetTest, JobGreysAndRestoresTheWindow) {
    ui.setChecked(w.hListCh, false);
    ui.setChecked(w.hFamily[2], true);  // Enigma2 ticked
    ghostWidget4Job(&w, 3, 2);
    EXPECT_FALSE(on(w.hSatCheck[1]));
    EXPECT_FALSE(on(w.hSatBtn[60]));
    EXPECT_FALSE(on(w.hCat[2]));
    EXPECT_TRUE(on(w.hCat[3]));  // beyond the category count
    EXPECT_FALSE(on(w.hFav[1]));
    EXPECT_TRUE(on(w.hFav[2]));
    EXPECT_FALSE(on(w.hDownload));
    EXPECT_FALSE(on(w.hGenerate));
    EXPECT_FALSE(on(w.hRemove));
    EXPECT_FALSE(on(w.hE1Type[0]));
    EXPECT_TRUE(on(w.hSortName));  // sort buttons, tabs and menu stay usable
    EXPECT_TRUE(on(w.hTab));

    // A failed download: everything back but the generate side.
    showWidget4Job(&w, 3, 2, false);
    EXPECT_TRUE(on(w.hSatCheck[1]));
    EXPECT_TRUE(on(w.hDownload));
    EXPECT_FALSE(on(w.hGenerate));
    EXPECT_FALSE(on(w.hFamily[0]));
    EXPECT_FALSE(on(w.hRemove));  // until a side-list entry is picked
    EXPECT_FALSE(on(w.hChFake));  // only with "Bouquet as Channels"

    ghostWidget4Job(&w, 3, 2);
    ui.setChecked(w.hListCh, true);
    showWidget4Job(&w, 3, 2, true);
    EXPECT_TRUE(on(w.hGenerate));
    EXPECT_TRUE(on(w.hLogFile));
    EXPECT_TRUE(on(w.hFamily[7]));
    EXPECT_TRUE(on(w.hChFake));
    EXPECT_TRUE(on(w.hE2Type[1]));
    EXPECT_FALSE(on(w.hE1Type[1]));
}

TEST(MemoryPlatform, ScriptedDialogsAndJobThread) {
    MemoryPlatform ui;
    std::string path;
    ui.answerFolder(std::nullopt);
    EXPECT_FALSE(ui.browseFolder(nullptr, "t", &path));
    ui.answerFolder("/tmp");
    EXPECT_TRUE(ui.browseFolder(nullptr, "t", &path));
    EXPECT_EQ(path, "/tmp");
    path = "DMlistNDF-20261206.ndf";
    ui.answerSave("/tmp/mylist");
    EXPECT_TRUE(ui.saveFileDialog(nullptr, "Save", {"Files ndf (*.ndf)", "*.ndf"}, "ndf", &path));
    EXPECT_EQ(path, "/tmp/mylist.ndf");
    path = "DMlistNDF-20261206.ndf";
    ui.answerSave("/tmp");  // a folder: the default name goes into it
    EXPECT_TRUE(ui.saveFileDialog(nullptr, "Save", {}, "ndf", &path));
    EXPECT_EQ(path, "/tmp/DMlistNDF-20261206.ndf");
    EXPECT_EQ(ui.messageBox(nullptr, "q", "c", kMbYesNo), kIdYes);
    ui.answerMessageBox(kIdNo);
    EXPECT_EQ(ui.messageBox(nullptr, "q", "c", kMbYesNo), kIdNo);

    ui.setClock({2026, 12, 6, 9, 5, 7});
    EXPECT_EQ(ui.localTime().minute, 5);
    static int seen = 0;
    int value = 42;
    ASSERT_TRUE(ui.startJob(
        [](void* p) -> uint32_t {
            seen = *static_cast<int*>(p);
            return 7;
        },
        reinterpret_cast<T_FnPARAM*>(&value)));
    EXPECT_EQ(ui.waitJob(), 7u);
    EXPECT_EQ(seen, 42);
    ui.setThreadStartFails(true);
    EXPECT_FALSE(ui.startJob([](void*) -> uint32_t { return 0; }, nullptr));
}

}  // namespace
