// The window's Channels page on a full channel table: 19 999 channels in
// bouquets of 40 on 253 satellites. Times the page taking a download (copy,
// apply, tree), a move of 1000 selected channels (one undoable edit: the
// document applied again to the whole table and the tree rebuilt and
// painted), its undo, and a search as the user types. Medians with min-max.
//
//   bench_ui_channels     (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QItemSelectionModel>
#include <QTreeView>
#include <cstdio>
#include <filesystem>

#include "bench/benchStats.h"
#include "channels/dbTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/chanPage.h"

namespace {

void fill() {
    resetChannelDb(&satDB, &tpDB, &chDB, &favDB, &chFavDB, &Report);
    for (int s = 1; s <= 253; ++s) {
        T_dbSat* sat = appendSat(&satDB);
        sat->sat_id = sat->realSatId = s;
        std::snprintf(sat->satName, sizeof sat->satName, "Satellite %d", s);
        std::snprintf(sat->location, sizeof sat->location, "%d.%dE", s / 10, s % 10);
        sat->position = (s * 14) % 3600;
    }
    for (int t = 1; t < static_cast<int>(kTpDbSlots); ++t) {
        T_dbTp* tp = appendTp(&tpDB);
        tp->realSatId = tp->sat_id = (t - 1) % 253 + 1;
        tp->stp_id = t;
        std::snprintf(tp->nid, sizeof tp->nid, "%04X", 0x13E + t % 7);
        std::snprintf(tp->tid, sizeof tp->tid, "%04X", t);
    }
    const int perSat = 79;
    for (int c = 1; c < static_cast<int>(kChDbSlots); ++c) {
        const int s = std::min((c - 1) / perSat + 1, 253);
        const int k = (c - 1) % perSat;
        T_dbCh* ch = appendCh(&chDB);
        ch->realSatId = ch->sat_id = s;
        ch->stp_id = s + 253 * (k % 19);
        ch->groupId = ch->bou_id = 1000 + s * 4 + k / 40;
        std::snprintf(ch->groupName, sizeof ch->groupName, "Bouquet %d", ch->groupId);
        ch->ch_type = (k % 40) >= 32 ? 1 : 0;
        ch->scrambled = c % 3 == 0;
        ch->hd = c % 5 == 0;
        std::snprintf(ch->ch_name, sizeof ch->ch_name, "Channel number %d", c);
        std::snprintf(ch->sid, sizeof ch->sid, "%04X", c);
    }
}

void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setLang(&MsgLang, kLangEnglish);
    fill();
    std::printf("tables: %u satellites, %u transponders, %u channels\n", satDB.count, tpDB.count,
                chDB.count);
    const std::string none =
        (std::filesystem::temp_directory_path() / "va-bench-none.edits").string();
    std::filesystem::remove(none);

    ChanPage page(nullptr);
    page.applyLanguage(MsgLang);
    page.resize(1000, 700);
    page.show();
    BenchTiming take = benchRuns(7, [&] {
        page.downloaded(0, none, nullptr);
        settle();
    });
    std::printf("take a download (copy, apply, tree, paint): %s\n", benchMs(take).c_str());

    // Every other channel of the first bouquets, 1000 in all, their bouquets open.
    QTreeView* view = page.view();
    ChanModel* model = page.model();
    auto pick = [&] {
        QItemSelection sel;
        int n = 0, g = 0;
        for (; n < 1000 && g < model->rowCount(); ++g) {
            view->setExpanded(model->groupIndex(g), true);
            const int count = model->rowCount(model->groupIndex(g));
            for (int c = 1; c < count && n < 1000; c += 2, ++n)
                sel.select(model->chanIndex(g, c, 0),
                           model->chanIndex(g, c, ChanModel::kColumns - 1));
        }
        view->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
        return std::pair{n, g};
    };
    const auto [picked, bouquets] = pick();
    std::printf("selected: %d channels in %d bouquets\n", picked, bouquets);
    int up = 0;
    BenchTiming move = benchRuns(15, [&] {
        // Up, then down again, so each run moves all of them.
        page.moveSelected(up++ % 2 ? ChanPage::Move::kDown : ChanPage::Move::kUp);
        settle();
    });
    std::printf("move %d selected channels one place: %s\n", picked, benchMs(move).c_str());
    BenchTiming top = benchRuns(
        7,
        [&] {
            page.moveSelected(ChanPage::Move::kTop);
            settle();
        },
        [&] {
            page.undoStack()->undo();
            settle();
        });
    std::printf("move them to the top of their bouquets: %s\n", benchMs(top).c_str());
    BenchTiming undo = benchRuns(
        15,
        [&] {
            page.undoStack()->undo();
            settle();
        },
        [&] { page.undoStack()->redo(); });
    std::printf("undo a move: %s\n", benchMs(undo).c_str());
    std::printf("document: %zu edits, %zu applied at the last apply\n", page.doc().edits.size(),
                page.lastReport().applied);
    const char* const typed[] = {"C", "Ch", "Cha", "Channel number 1", "Channel number 19999"};
    int k = 0;
    BenchTiming search = benchRuns(15, [&] {
        page.search(typed[k++ % 5]);
        settle();
    });
    std::printf("search as one types (one key): %s\n", benchMs(search).c_str());
    return 0;
}
