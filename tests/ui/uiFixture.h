#pragma once
// A window started in a working folder of its own, with boxes and dialogs
// answered through the Qt backend's script instead of being shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/memoryStore.h"
#include "ui/mainWnd.h"
#include "ui/qtPlatform.h"

// The test server with the bundled sample data (port: another, for one
// that is not there).
inline T_dbConnOverride testServer(unsigned port = VA_TEST_DB_PORT) {
    T_dbConnOverride c;
    c.host = "127.0.0.1";
    c.port = port;
    c.name = "velartis_sample";
    return c;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("va-ui-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        ui.setScripted(true);
    }
    void TearDown() override {
        wnd.reset();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    // The shipped master list and user file, as the program finds them.
    void copyShipped(bool master = true, bool user = true) {
        const std::filesystem::path data = VA_SOURCE_DIR "/data";
        if (master) std::filesystem::copy_file(data / "VAconfig.vac", dir_ / "VAconfig.vac");
        if (user) std::filesystem::copy_file(data / "Default.cfg", dir_ / "Default.cfg");
    }
    void writeFile(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    std::string shippedUser() {
        std::ifstream in(VA_SOURCE_DIR "/data/Default.cfg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The shipped user file with its satellites replaced by n of its own,
    // every other one ticked.
    std::string userWithSats(int n) {
        std::string sats;
        for (int i = 1; i <= n; ++i)
            sats += std::to_string(1000 + i) + "#Sat " + std::to_string(i) + "#" +
                    (i % 2 ? "1" : "0") + "#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#11111111111#\r\n";
        std::string out = shippedUser();
        const size_t from = out.find("[SAT]") + 7, to = out.find("[/SAT]");
        return out.replace(from, to - from, sats);
    }

    bool start(T_dbConnOverride conn = {}) {
        wnd = std::make_unique<CppWnd>(&ui, std::move(conn));
        wnd->quit = [this](int code) { quitCodes.push_back(code); };
        // Never the desktop's store: tests keep their passwords to themselves.
        wnd->setSecretStore(&secrets);
        return wnd->Create();
    }

    QWidget* widget(HCtl h) const { return qobject_cast<QWidget*>(ui.object(h)); }
    QWidget* named(const char* name) const { return wnd->findChild<QWidget*>(name); }
    QString text(QObject* o) const { return QtPlatform::takeText(o); }
    QString text(HCtl h) const { return QtPlatform::takeText(ui.object(h)); }
    bool isChecked(HCtl h) const {
        auto* b = qobject_cast<QAbstractButton*>(ui.object(h));
        return b && b->isChecked();
    }
    // A command reported with the control's id, as a control whose click
    // went through would (also one the window has greyed).
    void command(int id) { wnd->OnCommand(wnd->controlById(id), id, 0); }

    // What a person does: click the tab, a button or box (a greyed one takes
    // no click), a list entry; choose in a drop-down list with the keys;
    // type into an edit box and leave it with the tab key.
    void tab(int page) {
        QTabBar* t = wnd->tabBar();
        QTest::mouseClick(t, Qt::LeftButton, {}, t->tabRect(page).center());
    }
    void click(QWidget* w) {
        // A check box or radio button takes a click on its mark or its text.
        QPoint at = w->rect().center();
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
            at.setX(std::min(8, at.x()));
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
    }
    void click(HCtl h) { click(widget(h)); }
    void clickRow(QListWidget* l, int row) {
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }
    void choose(QComboBox* c, int index) {
        QTest::keyClick(c, Qt::Key_Home);
        for (int i = 0; i < index; ++i) QTest::keyClick(c, Qt::Key_Down);
    }
    void type(QLineEdit* e, const char* keys) {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, keys);
    }
    void leave(QLineEdit* e) { QTest::keyClick(e, Qt::Key_Tab); }
    template <typename T = QWidget>
    T* w(HCtl h) const {
        return qobject_cast<T*>(ui.object(h));
    }
    // The window as the active one, so the keyboard focus moves as on a desktop.
    void activate() {
        wnd->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
    }

    QtPlatform ui;
    MemoryStore secrets;
    std::unique_ptr<CppWnd> wnd;
    std::vector<int> quitCodes;
    std::filesystem::path dir_, old_;
};
