// The Channels page against the test server: what the page does is what
// Generate writes, undo and redo give back the document and the tree, and
// saved edits come back with the configuration after a restart.
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <map>
#include <sstream>
#include <tuple>

#include "channels/dbTypes.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "edits/edits.h"
#include "tests/cli/cliRun.h"
#include "tests/ui/uiFixture.h"
#include "ui/chanPage.h"
#include "ui/ids.h"
#include "ui/widget.h"

namespace fs = std::filesystem;

namespace {

// The tree as text: every bouquet and every channel with all its columns.
std::string tree(ChanModel* m) {
    std::string out;
    for (int g = 0; g < m->rowCount(); ++g) {
        const QModelIndex gi = m->index(g, 0);
        out += m->index(g, ChanModel::kName).data().toString().toStdString() + "\n";
        for (int c = 0; c < m->rowCount(gi); ++c) {
            out += " ";
            for (int col = 0; col < ChanModel::kColumns; ++col)
                out += m->index(c, col, gi).data().toString().toStdString() + "|";
            out += "\n";
        }
    }
    return out;
}

// The written Enigma2 list's TV bouquets by their #NAME line, each as its
// channels' names (from lamedb), in the file's order.
std::map<std::string, std::vector<std::string>> e2Bouquets(const fs::path& root) {
    using Key = std::tuple<unsigned long, unsigned long, unsigned long>;
    std::map<Key, std::string> names;
    std::vector<fs::path> bouquets;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string n = e.path().filename().string();
        if (n.rfind("userbouquet.", 0) == 0 && e.path().extension() == ".tv")
            bouquets.push_back(e.path());
        if (n != "lamedb") continue;
        std::string text;
        readFileWhole(e.path().string(), &text);
        std::istringstream in(text.substr(text.find("\nservices\n") + 10));
        std::string head, name, params;
        while (std::getline(in, head) && head != "end" && std::getline(in, name) &&
               std::getline(in, params)) {
            std::vector<std::string> f;
            std::istringstream h(head);
            for (std::string p; std::getline(h, p, ':');) f.push_back(p);
            names.emplace(Key{std::stoul(f[0], nullptr, 16), std::stoul(f[2], nullptr, 16),
                              std::stoul(f[3], nullptr, 16)},
                          name);
        }
    }
    std::map<std::string, std::vector<std::string>> out;
    for (const fs::path& p : bouquets) {
        std::string text, bouquet;
        readFileWhole(p.string(), &text);
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("#NAME ", 0) == 0) bouquet = line.substr(6);
            if (line.rfind("#SERVICE 1:0:", 0) != 0) continue;
            std::vector<std::string> f;
            std::istringstream s(line.substr(9));
            for (std::string x; std::getline(s, x, ':');) f.push_back(x);
            out[bouquet].push_back(
                names[Key{std::stoul(f[3], nullptr, 16), std::stoul(f[4], nullptr, 16),
                          std::stoul(f[5], nullptr, 16)}]);
        }
    }
    return out;
}

}  // namespace

class ChannelsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyShipped();
        open();
    }
    void open() {
        ASSERT_TRUE(start(testServer()));
        activate();
        page = wnd->channelsPage();
        model = page->model();
        view = page->view();
    }
    void run(HCtl button) {
        const int before = wnd->jobsEnded();
        click(button);
        ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
        ASSERT_EQ(wnd->lastJobEnd().code, 0u);
    }
    void download() {
        tab(3);
        run(Widget.hDownload);
        tab(4);
        ASSERT_GT(model->rowCount(), 2);
    }
    void press(const char* button) { click(page->findChild<QPushButton*>(button)); }
    // Selects channels of group g by their places.
    void pick(int g, std::initializer_list<int> chans) {
        view->selectionModel()->clear();
        for (int c : chans)
            view->selectionModel()->select(model->chanIndex(g, c),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<QString> names(int g) {
        std::vector<QString> out;
        for (const T_chanEntry& e : model->groups()[static_cast<size_t>(g)].chans)
            out.push_back(e.name);
        return out;
    }
    int group(const std::string& name) {
        for (size_t g = 0; g < model->groups().size(); ++g)
            if (model->groups()[g].name == name) return static_cast<int>(g);
        return -1;
    }
    // Two TV bouquets of one satellite with three channels at least.
    std::pair<int, int> twoBouquets() {
        const auto& gs = model->groups();
        for (size_t a = 0; a < gs.size(); ++a)
            for (size_t b = a + 1; b < gs.size(); ++b)
                if (gs[a].satId == gs[b].satId && gs[a].chans.size() >= 3 &&
                    gs[b].chans.size() >= 1 && !gs[a].chans[0].radio && !gs[a].chans[1].radio &&
                    !gs[a].chans[2].radio && gs[a].name != gs[b].name)
                    return {static_cast<int>(a), static_cast<int>(b)};
        return {-1, -1};
    }
    std::string docText() { return formatEdits(page->doc()); }

    ChanPage* page = nullptr;
    ChanModel* model = nullptr;
    QTreeView* view = nullptr;
};

TEST_F(ChannelsTest, ThePagesEditsAreWhatGenerateWritesAndUndoRedoGiveThemBack) {
    download();
    auto [a, b] = twoBouquets();
    ASSERT_GE(a, 0);
    const std::string nameA = model->groups()[static_cast<size_t>(a)].name;
    const std::string nameB = model->groups()[static_cast<size_t>(b)].name;
    const std::vector<QString> before = names(a);
    const QString third = before[2];
    // Each step's document and tree, the download's first.
    std::vector<std::pair<std::string, std::string>> states{{docText(), tree(model)}};
    auto step = [&] {
        QCoreApplication::processEvents();
        states.emplace_back(docText(), tree(model));
        EXPECT_NE(states.back(), states[states.size() - 2]) << "step " << states.size() - 1;
    };

    pick(a, {2});
    press("hChanTop");
    step();
    EXPECT_EQ(names(a)[0], third);
    EXPECT_EQ(names(a)[1], before[0]);
    // Still selected: Down moves it one.
    press("hChanDown");
    step();
    EXPECT_EQ(names(a)[1], third);
    EXPECT_TRUE(view->selectionModel()->isRowSelected(1, model->groupIndex(a)));

    // Typed in place, as the delegate hands it over.
    model->setData(model->chanIndex(a, 0, ChanModel::kName), "Renamed One", Qt::EditRole);
    step();
    EXPECT_EQ(names(a)[0], "Renamed One");

    pick(a, {2});
    const QString hidden = names(a)[2];
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    step();
    const std::vector<QString> left = names(a);
    EXPECT_EQ(std::count(left.begin(), left.end(), hidden), 0);

    page->ask = [&](const QString&, const QStringList& choices, bool editable, QString* out) {
        *out = editable ? QString("Mine") : QString::fromStdString(nameB);
        return editable || choices.contains(*out);
    };
    pick(a, {1});
    press("hChanCopy");
    step();
    const std::vector<QString> inB = names(group(nameB));
    EXPECT_EQ(std::count(inB.begin(), inB.end(), third), 1);
    EXPECT_EQ(names(a)[1], third);  // a copy: it stays

    pick(a, {0, 1});
    press("hChanNew");
    step();
    ASSERT_GE(group("Mine"), 0);
    EXPECT_EQ(names(group("Mine")), (std::vector<QString>{"Renamed One", third}));

    pick(a, {0});
    press("hChanLock");
    step();
    const T_chanEntry& locked = model->groups()[static_cast<size_t>(a)].chans[0];
    EXPECT_TRUE(locked.locked);
    EXPECT_EQ(chDB.ch[locked.row].locked, 1);

    // A drop between bouquets: the channel leaves a for b's top.
    const QString moved = names(a).back();
    const int last = static_cast<int>(names(a).size()) - 1;
    std::unique_ptr<QMimeData> mime(model->mimeData({model->chanIndex(a, last)}));
    model->dropMimeData(mime.get(), Qt::MoveAction, 0, 0, model->groupIndex(group(nameB)));
    step();
    EXPECT_EQ(names(group(nameB))[0], moved);
    const std::vector<QString> rest = names(group(nameA));
    EXPECT_EQ(std::count(rest.begin(), rest.end(), moved), 0);

    // What Generate writes is the tree, bouquet by bouquet.
    const fs::path out = dir_ / "e2";
    fs::create_directories(out);
    tab(3);
    click(Widget.hFamily[2]);
    ui.answerFolder(out.string());
    run(Widget.hGenerate);
    const auto written = e2Bouquets(out);
    int checked = 0;
    for (const T_chanGroup& g : model->groups()) {
        std::string location;
        for (uint32_t s = 1; s <= satDB.count; ++s)
            if (satDB.sat[s].sat_id == g.satId) location = satDB.sat[s].location;
        std::vector<std::string> tv;
        for (const T_chanEntry& e : g.chans)
            if (!e.radio) tv.push_back(e.name.toStdString());
        if (tv.empty()) continue;
        auto it = written.find(g.name + " " + location);
        ASSERT_NE(it, written.end()) << g.name;
        EXPECT_EQ(it->second, tv) << g.name;
        ++checked;
    }
    EXPECT_GE(checked, 3);

    // Undo all the way back to the download, then redo all, with the keys
    // and the buttons; each step gives its document and tree exactly.
    tab(4);
    view->setFocus();
    for (size_t i = states.size() - 1; i > 0; --i) {
        if (i % 2)
            QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        else
            press("hChanUndo");
        EXPECT_EQ(std::make_pair(docText(), tree(model)), states[i - 1]) << "undo to " << i - 1;
    }
    EXPECT_FALSE(page->findChild<QPushButton*>("hChanUndo")->isEnabled());
    for (size_t i = 1; i < states.size(); ++i) {
        if (i % 2)
            QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        else
            press("hChanRedo");
        EXPECT_EQ(std::make_pair(docText(), tree(model)), states[i]) << "redo to " << i;
    }

    // The search field selects every channel whose name holds the text.
    auto* search = page->findChild<QLineEdit*>("hChanSearch");
    type(search, "renamed ONE");
    size_t renamed = 0;
    for (const T_chanGroup& g : model->groups())
        for (const T_chanEntry& e : g.chans) renamed += e.name == "Renamed One";
    const QModelIndexList found = view->selectionModel()->selectedRows(ChanModel::kName);
    EXPECT_GE(renamed, 2u);  // in a and in Mine at least
    EXPECT_EQ(static_cast<size_t>(found.size()), renamed);
    for (const QModelIndex& i : found) EXPECT_EQ(i.data().toString(), "Renamed One");
}

TEST_F(ChannelsTest, SavedEditsComeBackAfterARestartAndANewDownload) {
    // An edit the list no longer matches is kept and said.
    writeFile("Default.edits", "hide 1.0E:0001:0001:FFFF \"Gone\"\n");
    download();
    EXPECT_EQ(page->lastReport().unmatched.size(), 1u);
    EXPECT_EQ(w<VaStatusBar>(Widget.hStatus)->part(1)->text(),
              toQt(strFormat(fieldText(MsgLang.msgEditsReport).c_str(), size_t{0}, size_t{1},
                             size_t{0}, size_t{0})));
    const int g = twoBouquets().first;
    ASSERT_GE(g, 0);
    pick(g, {2});
    press("hChanUp");
    const std::vector<QString> order = names(g);
    EXPECT_TRUE(Widget.cfgChanged);
    const std::string doc = docText();

    // Closing asks now; Save Cfg writes the edits beside the file.
    ui.clearShown();
    command(ids::kExit);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_FALSE(wnd->ended());
    ui.answerSave((dir_ / "Default.cfg").string());
    command(ids::kSaveCfg);
    EXPECT_FALSE(Widget.cfgChanged);
    EXPECT_FALSE(page->unsaved());
    T_editsDoc saved;
    std::string err;
    ASSERT_TRUE(loadEditsFile((dir_ / "Default.edits").string(), &saved, &err)) << err;
    EXPECT_EQ(formatEdits(saved), doc);

    wnd.reset();
    open();
    EXPECT_EQ(model->rowCount(), 0);
    download();
    EXPECT_EQ(docText(), doc);
    EXPECT_EQ(names(g), order);
    EXPECT_FALSE(Widget.cfgChanged);

    // The tool, from the same configuration, finds the same edits beside it
    // and writes the same list as the window.
    const fs::path win = dir_ / "win", tool = dir_ / "tool";
    fs::create_directories(win);
    tab(3);
    click(Widget.hFamily[2]);
    ui.answerFolder(win.string());
    run(Widget.hGenerate);
    const CliResult r = runCliTool(
        "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) +
        " --db-name velartis_sample --config '" + (dir_ / "Default.cfg").string() + "' --master '" +
        (dir_ / "VAconfig.vac").string() + "' --format e2 --output '" + tool.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Edits: 1 of 2 applied"), std::string::npos) << r.out;
    EXPECT_EQ(e2Bouquets(tool), e2Bouquets(win));
    tab(4);

    // A file that cannot be read is said, and Save Cfg leaves it to be mended.
    const std::string broken = "order \"Sport\" 19.2E:0001\n";
    writeFile("Default.edits", broken);
    ui.clearShown();
    download();
    size_t said = 0;
    for (const UiCall& c : ui.shown()) said += c.text.find("line 1: order") != std::string::npos;
    EXPECT_EQ(said, 1u);
    ui.answerSave((dir_ / "Default.cfg").string());
    command(ids::kSaveCfg);
    std::string kept;
    readFileWhole((dir_ / "Default.edits").string(), &kept);
    EXPECT_EQ(kept, broken);
}

// A list the user made by hand on the box: its bouquet order and its
// names become one change of the document, which undo takes back.
TEST_F(ChannelsTest, TakesTheOrderOfAHandMadeListAsOneUndoableChange) {
    download();
    const fs::path box = dir_ / "box";
    fs::create_directories(box);
    ASSERT_TRUE(writeFileWhole((box / "lamedb").string(),
                               "eDVB services /4/\ntransponders\n"
                               "00c02e3c:044d:0001\n\ts 11836000:27500000:0:3:192:2:0\n/\n"
                               "00c02f13:0441:0001\n\ts 12051000:27500000:1:3:192:2:0\n/\n"
                               "end\nservices\n"
                               "6dd5:00c02f13:0441:0001:1:0\nWDR K\xC3\xB6ln\np:ARD\n"
                               "7031:00c02e3c:044d:0001:1:0\nTagesschau 24\np:ARD\nend\n",
                               nullptr));
    ASSERT_TRUE(writeFileWhole((box / "bouquets.tv").string(),
                               "#NAME Bouquets (TV)\n#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET "
                               "\"userbouquet.a.tv\" ORDER BY bouquet\n",
                               nullptr));
    ASSERT_TRUE(writeFileWhole((box / "userbouquet.a.tv").string(),
                               "#NAME ARD\n#SERVICE 1:0:1:6dd5:441:1:c02f13:0:0:0:\n"
                               "#SERVICE 1:0:1:7031:44d:1:c02e3c:0:0:0:\n",
                               nullptr));
    const std::string before = docText();
    const std::string treeBefore = tree(model);
    QString told;
    page->askFolder = [&](QString* folder) {
        *folder = QString::fromStdString(box.string());
        return true;
    };
    page->tell = [&](const QString& text, bool error) {
        told = text;
        EXPECT_FALSE(error) << text.toStdString();
    };
    press("hChanTakeOrder");
    QCoreApplication::processEvents();
    EXPECT_EQ(told.toStdString(),
              "The list's order was taken: 1 bouquets ordered, 0 made, 1 channels renamed. Save "
              "the edits to keep it.");
    const int ard = group("ARD");
    ASSERT_GE(ard, 0);
    EXPECT_EQ(names(ard)[0], QString::fromUtf8("WDR K\xC3\xB6ln"));
    EXPECT_EQ(names(ard)[1], "Tagesschau 24");
    EXPECT_NE(docText().find("order \"ARD\" 19.2E:0001:0441:6DD5 "), std::string::npos);
    EXPECT_TRUE(page->unsaved());
    page->undoStack()->undo();
    QCoreApplication::processEvents();
    EXPECT_EQ(docText(), before);
    EXPECT_EQ(tree(model), treeBefore);

    // A folder that is no list: said, and the document stays.
    page->askFolder = [&](QString* folder) {
        *folder = QString::fromStdString((dir_ / "nothing").string());
        return true;
    };
    page->tell = [&](const QString& text, bool error) {
        told = text;
        EXPECT_TRUE(error);
    };
    press("hChanTakeOrder");
    EXPECT_NE(told.toStdString().find("The order was not taken: "), std::string::npos)
        << told.toStdString();
    EXPECT_EQ(docText(), before);
}
