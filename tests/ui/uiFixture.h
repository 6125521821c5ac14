#pragma once
// A window started in a working folder of its own, with boxes and dialogs
// answered through the Qt backend's script instead of being shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ui/mainWnd.h"
#include "ui/qtPlatform.h"

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

    bool start() {
        wnd = std::make_unique<CppWnd>(&ui, T_dbConnOverride{});
        wnd->quit = [this](int code) { quitCodes.push_back(code); };
        return wnd->Create();
    }

    QWidget* widget(HCtl h) const { return qobject_cast<QWidget*>(ui.object(h)); }
    QWidget* named(const char* name) const { return wnd->page()->findChild<QWidget*>(name); }
    QString text(QObject* o) const { return QtPlatform::takeText(o); }
    QString text(HCtl h) const { return QtPlatform::takeText(ui.object(h)); }
    bool isChecked(HCtl h) const {
        auto* b = qobject_cast<QAbstractButton*>(ui.object(h));
        return b && b->isChecked();
    }
    // A click as the user makes it, reported with the control's id.
    void command(int id) { wnd->OnCommand(wnd->controlById(id), id, 0); }

    QtPlatform ui;
    std::unique_ptr<CppWnd> wnd;
    std::vector<int> quitCodes;
    std::filesystem::path dir_, old_;
};
