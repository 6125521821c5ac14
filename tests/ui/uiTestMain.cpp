// The window's tests run in one QApplication, on the offscreen platform
// unless the environment names another.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/start.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setupApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
