// velartis-shots: renders each page of the window in each language to PNG
// files, for reviewing the layout by eye. Run it in a folder that holds
// VAconfig.vac and Default.cfg (tools/shots.sh does).
//
// With --flow it first does what a person does first (shows a satellite,
// downloads from the server of VELARTIS_DB_HOST / _PORT / _SOCKET or the
// built-in one) and renders the five pages in the file's language only,
// as page0.png to page4.png: the README's pictures.
#include <QApplication>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/lang.h"
#include "ui/chanPage.h"
#include "ui/dbDialog.h"
#include "ui/ids.h"
#include "ui/mainWnd.h"
#include "ui/qtPlatform.h"
#include "ui/sendDialog.h"
#include "ui/start.h"

namespace {

// The picture in its 256 most frequent colours (a window has few; the rest
// are the edges of letters): a small file that looks the same.
QImage fewColours(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> count;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) ++count[rgb.pixel(x, y)];
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        byCount.push_back({it.value(), it.key()});
    std::sort(byCount.rbegin(), byCount.rend());
    QList<QRgb> table;
    for (size_t i = 0; i < byCount.size() && i < 256; ++i) table << byCount[i].second;
    return rgb.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setupApplication(app);
    const bool flow = argc == 3 && std::strcmp(argv[2], "--flow") == 0;
    if (argc != 2 && !flow) {
        std::fprintf(stderr, "usage: velartis-shots OUTPUT-FOLDER [--flow]\n");
        return 64;
    }
    T_dbConnOverride conn;
    std::string error;
    if (!dbConnFromEnv(&conn, &error)) {
        std::fprintf(stderr, "velartis-shots: %s\n", error.c_str());
        return 64;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "velartis-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    QtPlatform ui;
    ui.setScripted(true);  // no box may wait for a person here
    CppWnd wnd(&ui, conn);
    wnd.quit = [](int) {};
    if (!wnd.Create()) return 1;
    // The offscreen screen is small: the pictures show the window at the
    // size it asks for, or at the size asked for here.
    QSize size = wnd.preferredSize();
    if (const char* s = std::getenv("VA_SHOTS_SIZE")) {
        const QStringList wh = QString::fromLatin1(s).split('x');
        if (wh.size() == 2) size = QSize(wh[0].toInt(), wh[1].toInt());
    }
    wnd.resize(size);
    auto command = [&](int id) { wnd.OnCommand(wnd.controlById(id), id, ids::kClicked); };
    if (flow) {
        command(ids::kSatBtn + 2);
        command(ids::kDownload);
        if (!QTest::qWaitFor([&] { return wnd.jobsEnded() == 1; }, 120000))
            std::fprintf(stderr, "velartis-shots: the download did not end\n");
        else if (wnd.lastJobEnd().code != 0)
            std::fprintf(stderr, "velartis-shots: the download failed (see page 3)\n");
    }
    const char* const langs[5] = {"it", "en", "fr", "de", "es"};
    int written = 0;
    for (int l = 0; l < 5; ++l) {
        if (flow && l > 0) break;
        if (!flow) command(ids::kLangFirst + l);
        for (int p = 0; p < CppWnd::kPageCount; ++p) {
            wnd.tabBar()->setCurrentIndex(p);
            // The Channels page with its first bouquets open, as after a look.
            if (flow && p == 4)
                for (int g = 0; g < 2; ++g)
                    wnd.channelsPage()->view()->expand(wnd.channelsPage()->model()->groupIndex(g));
            QApplication::processEvents();
            const QString file = flow ? QString("%1/page%2.png").arg(out).arg(p)
                                      : QString("%1/page%2-%3.png").arg(out).arg(p).arg(langs[l]);
            QImage shot = wnd.grab().toImage();
            // The README's pictures are small: a window has few colours.
            if (flow) shot = fewColours(shot);
            if (!shot.save(file)) {
                std::fprintf(stderr, "velartis-shots: cannot write %s\n", qPrintable(file));
                return 1;
            }
            ++written;
        }
        if (flow) continue;
        // The channel database dialog, as it opens in this language.
        DbDialog dialog(&wnd, MsgLang, T_dbConnOverride{}, T_dbSettings{}, "", false);
        dialog.show();
        QApplication::processEvents();
        const QString file = QString("%1/dbdialog-%2.png").arg(out).arg(langs[l]);
        if (!dialog.grab().toImage().save(file)) {
            std::fprintf(stderr, "velartis-shots: cannot write %s\n", qPrintable(file));
            return 1;
        }
        ++written;
        // The send dialog, with an address filled in as a user would.
        T_boxSettings box;
        box.box.host = "192.168.1.20";
        SendDialog send(&wnd, MsgLang, box, "");
        send.show();
        QApplication::processEvents();
        const QString sendFile = QString("%1/senddialog-%2.png").arg(out).arg(langs[l]);
        if (!send.grab().toImage().save(sendFile)) {
            std::fprintf(stderr, "velartis-shots: cannot write %s\n", qPrintable(sendFile));
            return 1;
        }
        ++written;
    }
    std::printf("%d pictures in %s\n", written, qPrintable(QDir(out).absolutePath()));
    return 0;
}
