// The window's layout at the sizes people use, in every language: nothing
// outside its parent, nothing on a sibling, no caption cut.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>
#include <string>

#include "tests/ui/uiFixture.h"
#include "ui/ids.h"
#include "ui/widget.h"

namespace {

// The window's own controls and groups, not the parts Qt builds inside them.
bool ours(const QWidget* w) {
    static const QRegularExpression name("^(h|lbl|grp|frm)|Area$");
    return name.match(w->objectName()).hasMatch();
}

// The caption a control shows, when it has one that could be cut.
bool captioned(const QWidget* w) {
    // Satellite names are cut on purpose (their tooltip is whole); the
    // report's values wrap in their room.
    static const QRegularExpression exempt("^(hSatBtn|hRep)");
    if (exempt.match(w->objectName()).hasMatch()) return false;
    if (auto* l = qobject_cast<const QLabel*>(w)) return !l->text().isEmpty();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return !b->text().isEmpty();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return !g->title().isEmpty();
    return false;
}

// Every fault of the shown page, one line each.
std::vector<std::string> faults(QWidget* page) {
    std::vector<std::string> out;
    auto name = [](const QWidget* w) { return w->objectName().toStdString(); };
    std::vector<QWidget*> shown;
    for (QWidget* w : page->findChildren<QWidget*>())
        if (ours(w) && w->isVisibleTo(page)) shown.push_back(w);
    for (QWidget* w : shown) {
        const QWidget* p = w->parentWidget();
        if (!p->rect().contains(w->geometry())) out.push_back(name(w) + " leaves its parent");
        if (captioned(w) && w->width() < w->minimumSizeHint().width())
            out.push_back(name(w) + " is cut");
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t k = i + 1; k < shown.size(); ++k)
            if (shown[i]->parentWidget() == shown[k]->parentWidget() &&
                shown[i]->geometry().intersects(shown[k]->geometry()))
                out.push_back(name(shown[i]) + " overlaps " + name(shown[k]));
    return out;
}

// Layouts settle over several rounds of posted events: a box that grows
// asks its parent, which asks its own.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
}

}  // namespace

TEST_F(WindowTest, EveryPageHoldsInEveryLanguageFromSmallToLarge) {
    copyShipped();
    ASSERT_TRUE(start());
    const char* const langs[5] = {"it", "en", "fr", "de", "es"};
    for (const QSize size : {QSize(640, 480), QSize(1920, 1200)}) {
        wnd->resize(size);
        for (int lang = 0; lang < 5; ++lang) {
            command(ids::kLangFirst + lang);
            for (int page = 0; page < CppWnd::kPageCount; ++page) {
                wnd->tabBar()->setCurrentIndex(page);
                settle();
                // The pages scroll rather than push the window past its size.
                EXPECT_EQ(wnd->size(), size) << langs[lang] << " page " << page;
                for (const std::string& f : faults(wnd->page()))
                    ADD_FAILURE() << f << " (" << langs[lang] << ", page " << page << ", "
                                  << size.width() << "x" << size.height() << ")";
            }
        }
    }
    // The big window gives its room to the pages: the bouquet list grows.
    wnd->tabBar()->setCurrentIndex(2);
    QApplication::processEvents();
    EXPECT_GT(named("hBouList")->height(), 600);
    EXPECT_GT(named("hSatBtn1")->width(), 0);
}

TEST_F(WindowTest, ALongPathOnTheStatusBarIsCutInTheMiddleAndKeepsTheWindow) {
    copyShipped();
    ASSERT_TRUE(start());
    wnd->resize(700, 500);
    QApplication::processEvents();
    const QSize before = wnd->size();
    const std::string path = "/home/user/" + std::string(400, 'x') + "/DalmeroListE2_end";
    ui.setStatusPath(Widget.hStatus, 1, path);
    QApplication::processEvents();
    wnd->grab();  // the label decides its tooltip as it paints
    EXPECT_EQ(wnd->size(), before);
    auto* part = w<VaStatusBar>(Widget.hStatus)->part(1);
    EXPECT_EQ(part->text().toStdString(), path);  // what the window was told stays whole
    EXPECT_EQ(part->toolTip().toStdString(), path);
    EXPECT_LE(part->width(), before.width());
    // A short text needs no tooltip.
    ui.setStatus(Widget.hStatus, 1, "Saved");
    QApplication::processEvents();
    wnd->grab();
    EXPECT_TRUE(part->toolTip().isEmpty());
}

TEST_F(WindowTest, TabGoesThroughEachPageInReadingOrder) {
    copyShipped();
    ASSERT_TRUE(start());
    // Where each control comes in the Tab chain of the shown page.
    auto chain = [&] {
        std::vector<std::string> order;
        QWidget* w = wnd->tabBar();
        for (int i = 0; i < 1000; ++i) {
            w = w->nextInFocusChain();
            if (w == wnd->tabBar()) break;
            if (w->isVisibleTo(wnd.get()) && (w->focusPolicy() & Qt::TabFocus))
                order.push_back(w->objectName().toStdString());
        }
        return order;
    };
    auto before = [](const std::vector<std::string>& order, const char* a, const char* b) {
        const auto pa = std::find(order.begin(), order.end(), a);
        const auto pb = std::find(order.begin(), order.end(), b);
        return pa != order.end() && pb != order.end() && pa < pb;
    };
    const struct {
        int page;
        std::vector<const char*> order;
    } pages[] = {
        {0, {"hSatCheck1", "hSatBtn1", "hSatCheck2", "hSatBtn60", "hSatSelAll", "hLnb", "hLatDeg"}},
        // The boxes made from the master list come where they stand.
        {1, {"hRadio", "hTv3d", "hCat0", "hCat10", "hCatSelAll", "hSatFeed"}},
        {2,
         {"hSortName", "hBouList", "hAdd", "hSideList", "hMaxBou", "hChFake", "hFav0", "hFav6",
          "hGenHd", "hGenTp"}},
        {3, {"hDownload", "hGenerate", "hLogFile", "hFamily0", "hFamily7"}},
    };
    for (const auto& p : pages) {
        wnd->tabBar()->setCurrentIndex(p.page);
        QApplication::processEvents();
        const auto order = chain();
        for (size_t i = 0; i + 1 < p.order.size(); ++i)
            EXPECT_TRUE(before(order, p.order[i], p.order[i + 1]))
                << p.order[i] << " before " << p.order[i + 1] << " on page " << p.page;
        // The scrolling area is no stop of its own.
        EXPECT_EQ(std::count(order.begin(), order.end(), "pageScroll"), 0);
    }
}
