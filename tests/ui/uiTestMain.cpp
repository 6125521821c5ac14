// The window's tests run in one QApplication, on the offscreen platform
// unless the environment names another.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QSettings>

#include "ui/start.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window's own settings go to a folder of this run, never the user's.
    const QString settings = QDir::temp().filePath(QString("va-ui-settings-%1").arg(getpid()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    // So are the configuration files a window started in an empty folder copies.
    qputenv("XDG_CONFIG_HOME", settings.toLocal8Bit());
    setupApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    const int code = RUN_ALL_TESTS();
    QDir(settings).removeRecursively();
    return code;
}
