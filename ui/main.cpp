// velartis: the desktop window.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/mainWnd.h"
#include "ui/qtPlatform.h"
#include "ui/start.h"

int main(int argc, char** argv) {
    T_dbConnOverride conn;
    std::string error;
    if (!dbConnFromEnv(&conn, &error)) {
        std::fprintf(stderr, "velartis: %s\n", error.c_str());
        return 64;
    }
    QApplication app(argc, argv);
    setupApplication(app);
    QtPlatform ui;
    CppWnd wnd(&ui, conn);
    // A start that failed has shown its box; it is no success.
    if (!wnd.Create()) return 1;
    const int code = QApplication::exec();
    // A running job is not waited for: the end of the process ends it.
    if (ui.jobRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
