// velartis-shots: renders each page of the window in each language to PNG
// files, for the README and for reviewing the layout by eye. Run it in a
// folder that holds VAconfig.vac and Default.cfg (tools/shots.sh does).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabBar>
#include <cstdio>

#include "ui/ids.h"
#include "ui/mainWnd.h"
#include "ui/qtPlatform.h"
#include "ui/start.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setupApplication(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velartis-shots OUTPUT-FOLDER\n");
        return 64;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "velartis-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    QtPlatform ui;
    ui.setScripted(true);  // no box may wait for a person here
    CppWnd wnd(&ui);
    wnd.quit = [](int) {};
    if (!wnd.Create()) return 1;
    const char* const langs[5] = {"it", "en", "fr", "de", "es"};
    int written = 0;
    for (int l = 0; l < 5; ++l) {
        wnd.OnCommand(wnd.controlById(ids::kLangFirst + l), ids::kLangFirst + l, ids::kClicked);
        for (int p = 0; p < 4; ++p) {
            wnd.tabBar()->setCurrentIndex(p);
            QApplication::processEvents();
            const QString file = QString("%1/page%2-%3.png").arg(out).arg(p).arg(langs[l]);
            if (!wnd.grab().save(file)) {
                std::fprintf(stderr, "velartis-shots: cannot write %s\n", qPrintable(file));
                return 1;
            }
            ++written;
        }
    }
    std::printf("%d pictures in %s\n", written, qPrintable(QDir(out).absolutePath()));
    return 0;
}
