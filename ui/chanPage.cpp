#include "ui/chanPage.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelection>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QUndoCommand>
#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

#include "app/programRecords.h"
#include "app/tablesCopy.h"
#include "channels/dbTypes.h"
#include "config/textFunc.h"
#include "ui/qtPlatform.h"

namespace {

bool sameKey(const T_chanRef& a, const T_chanRef& b) {
    return a.position == b.position && a.nid == b.nid && a.tid == b.tid && a.sid == b.sid;
}

// The document's changes of one action, worked out on a copy of it so
// that each step's place is the place it has when the step runs.
class StepBuilder {
public:
    explicit StepBuilder(const T_editsDoc& d) : doc_(d) {}
    void append(T_edit e) {
        steps.push_back({doc_.edits.size(), std::nullopt, e});
        doc_.edits.push_back(std::move(e));
    }
    // Every edit pred holds for goes, from the last back.
    template <class P>
    void eraseIf(P pred) {
        for (size_t i = doc_.edits.size(); i-- > 0;)
            if (pred(doc_.edits[i])) {
                steps.push_back({i, doc_.edits[i], std::nullopt});
                doc_.edits.erase(doc_.edits.begin() + static_cast<std::ptrdiff_t>(i));
            }
    }
    std::vector<T_editStep> steps;

private:
    T_editsDoc doc_;
};

T_edit oneChannel(EditKind kind, const T_chanRef& c) {
    T_edit e;
    e.kind = kind;
    e.channels = {c};
    return e;
}

// An order edit of bouquet g's name that gives g its new order and keeps
// the order every other run of that name shows now. It replaces the
// earlier one and goes last, after the copies and moves it may list.
void writeOrder(StepBuilder* b, const std::vector<T_chanGroup>& groups, int g,
                const std::vector<T_chanRef>& order) {
    T_edit e;
    e.kind = EditKind::kOrder;
    e.bouquet = groups[static_cast<size_t>(g)].name;
    std::set<std::tuple<int, uint32_t, uint32_t, uint32_t>> seen;
    auto add = [&](const T_chanRef& r) {
        if (seen.emplace(r.position, r.nid, r.tid, r.sid).second) e.channels.push_back(r);
    };
    for (size_t k = 0; k < groups.size(); ++k) {
        if (groups[k].name != e.bouquet) continue;
        if (static_cast<int>(k) == g)
            for (const T_chanRef& r : order) add(r);
        else
            for (const T_chanEntry& c : groups[k].chans) add(c.ref);
    }
    b->eraseIf(
        [&](const T_edit& x) { return x.kind == EditKind::kOrder && x.bouquet == e.bouquet; });
    b->append(std::move(e));
}

}  // namespace

// The tables as the last download left them, before any edit.
struct ChanPage::Pristine {
    TablesCopy tables;
    void take() { tables.take(programTables()); }
    void put() const { tables.put(programTables()); }
};

class EditsCommand : public QUndoCommand {
public:
    EditsCommand(ChanPage* page, std::vector<T_editStep> steps, ChanPage::Keys before,
                 ChanPage::Keys after, const QString& text)
        : QUndoCommand(text),
          page_(page),
          steps_(std::move(steps)),
          before_(std::move(before)),
          after_(std::move(after)) {}
    void redo() override {
        page_->runSteps(steps_, true);
        page_->reapply(after_);
        emit page_->edited(page_->report_);
    }
    void undo() override {
        page_->runSteps(steps_, false);
        page_->reapply(before_);
        emit page_->edited(page_->report_);
    }

private:
    ChanPage* page_;
    std::vector<T_editStep> steps_;
    ChanPage::Keys before_, after_;
};

ChanPage::ChanPage(QWidget* parent) : QWidget(parent) {
    buildControls();
    model_.onRename = [this](int g, int c, const QString& name) {
        // After the editor has closed: the apply rebuilds the tree under it.
        QTimer::singleShot(0, this, [this, g, c, name] { rename(g, c, name); });
    };
    model_.onDrop = [this](const ChanModel::Items& items, int g, int at) {
        QTimer::singleShot(0, this, [this, items, g, at] { drop(items, g, at); });
    };
    ask = [this](const QString& label, const QStringList& choices, bool editable, QString* out) {
        bool ok = false;
        const QString title = toQt(fieldText(texts_.tabChannels));
        *out = choices.isEmpty()
                   ? QInputDialog::getText(this, title, label, QLineEdit::Normal, QString(), &ok)
                   : QInputDialog::getItem(this, title, label, choices, 0, editable, &ok);
        return ok;
    };
    askFolder = [this](QString* folder) {
        *folder = QFileDialog::getExistingDirectory(this, toQt(fieldText(texts_.btnChanTakeOrder)));
        return !folder->isEmpty();
    };
    tell = [this](const QString& text, bool error) {
        const QString title = toQt(fieldText(texts_.tabChannels));
        if (error)
            QMessageBox::warning(this, title, text);
        else
            QMessageBox::information(this, title, text);
    };
    connect(&stack_, &QUndoStack::canUndoChanged, this, [this] { setUsable(); });
    connect(&stack_, &QUndoStack::canRedoChanged, this, [this] { setUsable(); });
    setUsable();
}

ChanPage::~ChanPage() {
    // The commands reach back into the page; they go first.
    stack_.clear();
}

void ChanPage::buildControls() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(4);
    auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    searchLabel_ = new QLabel(this);
    searchLabel_->setObjectName("lblChanSearch");
    search_ = new QLineEdit(this);
    search_->setObjectName("hChanSearch");
    search_->setClearButtonEnabled(true);
    searchLabel_->setBuddy(search_);
    connect(search_, &QLineEdit::textChanged, this, &ChanPage::search);
    auto* top = new QHBoxLayout;
    top->addWidget(searchLabel_);
    top->addWidget(search_, 1);
    grid->addLayout(top, 0, 0);

    tree_ = new QTreeView(this);
    tree_->setObjectName("hChanTree");
    tree_->setModel(&model_);
    // Rows of one height let the view skip measuring 20 000 of them.
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setDragDropMode(QAbstractItemView::DragDrop);
    tree_->setDefaultDropAction(Qt::MoveAction);
    tree_->setDragEnabled(true);
    tree_->setAcceptDrops(true);
    tree_->setDropIndicatorShown(true);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    tree_->setAllColumnsShowFocus(true);
    tree_->setMinimumHeight(200);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree_->header()->setSectionResizeMode(ChanModel::kName, QHeaderView::Stretch);
    grid->addWidget(tree_, 1, 0);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);

    empty_ = new QLabel(this);
    empty_->setObjectName("lblChanEmpty");
    empty_->setWordWrap(true);
    grid->addWidget(empty_, 2, 0);

    up_ = button("hChanUp");
    down_ = button("hChanDown");
    top_ = button("hChanTop");
    bottom_ = button("hChanBottom");
    rename_ = button("hChanRename");
    hide_ = button("hChanHide");
    copy_ = button("hChanCopy");
    moveTo_ = button("hChanMove");
    new_ = button("hChanNew");
    lock_ = button("hChanLock");
    unlock_ = button("hChanUnlock");
    undo_ = button("hChanUndo");
    redo_ = button("hChanRedo");
    save_ = button("hChanSave");
    takeOrder_ = button("hChanTakeOrder");
    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    for (QWidget* w : {up_, down_, top_, bottom_}) side->addWidget(w);
    side->addSpacing(8);
    for (QWidget* w : {rename_, hide_, copy_, moveTo_, new_, lock_, unlock_}) side->addWidget(w);
    side->addSpacing(8);
    for (QWidget* w : {undo_, redo_, save_}) side->addWidget(w);
    side->addSpacing(8);
    side->addWidget(takeOrder_);
    side->addStretch(1);
    grid->addLayout(side, 0, 1, 3, 1);

    connect(up_, &QPushButton::clicked, this, [this] { moveSelected(Move::kUp); });
    connect(down_, &QPushButton::clicked, this, [this] { moveSelected(Move::kDown); });
    connect(top_, &QPushButton::clicked, this, [this] { moveSelected(Move::kTop); });
    connect(bottom_, &QPushButton::clicked, this, [this] { moveSelected(Move::kBottom); });
    connect(rename_, &QPushButton::clicked, this, [this] {
        const QModelIndex i = tree_->currentIndex();
        if (!i.isValid()) return;
        const QModelIndex name = i.siblingAtColumn(ChanModel::kName);
        tree_->setCurrentIndex(name);
        tree_->edit(name);
    });
    connect(hide_, &QPushButton::clicked, this, &ChanPage::hideSelected);
    connect(copy_, &QPushButton::clicked, this, [this] {
        QString to;
        if (!selectedItems().empty() && askName(toQt(fieldText(texts_.msgChanCopyTo)), false, &to))
            copySelected(to);
    });
    connect(moveTo_, &QPushButton::clicked, this, [this] {
        QString to;
        if (!selectedItems().empty() && askName(toQt(fieldText(texts_.msgChanMoveTo)), false, &to))
            moveSelectedTo(to);
    });
    connect(new_, &QPushButton::clicked, this, [this] {
        QString name;
        if (!selectedItems().empty() &&
            askName(toQt(fieldText(texts_.msgChanNewName)), true, &name))
            newBouquet(name);
    });
    connect(lock_, &QPushButton::clicked, this, [this] { lockSelected(true); });
    connect(unlock_, &QPushButton::clicked, this, [this] { lockSelected(false); });
    connect(undo_, &QPushButton::clicked, &stack_, &QUndoStack::undo);
    connect(redo_, &QPushButton::clicked, &stack_, &QUndoStack::redo);
    connect(save_, &QPushButton::clicked, this, &ChanPage::saveAsked);
    connect(takeOrder_, &QPushButton::clicked, this, [this] {
        QString folder;
        if (!askFolder || !askFolder(&folder)) return;
        T_importedOrder what;
        std::string err;
        const std::string path = folder.toStdString();
        if (!takeOrder(path, &what, &err)) {
            if (tell) tell(toQt(strFormat(texts_.msgChanOrderErr, err.c_str())), true);
            return;
        }
        if (tell)
            tell(
                toQt(strFormat(texts_.msgChanOrderTaken, what.ordered, what.created, what.renamed)),
                false);
    });

    // The usual keys, anywhere on the page; a line being edited keeps its own.
    auto key = [this](QKeySequence k, auto f) {
        auto* s = new QShortcut(k, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, f);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { stack_.undo(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { stack_.redo(); });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { stack_.redo(); });
    key(QKeySequence(Qt::Key_Delete), [this] { hideSelected(); });
}

void ChanPage::setUsable() {
    const bool on = pristine_ && !busy_;
    for (QWidget* w :
         std::initializer_list<QWidget*>{tree_, search_, up_, down_, top_, bottom_, rename_, hide_,
                                         copy_, moveTo_, new_, lock_, unlock_, save_, takeOrder_})
        w->setEnabled(on);
    undo_->setEnabled(on && stack_.canUndo());
    redo_->setEnabled(on && stack_.canRedo());
    empty_->setVisible(!pristine_);
}

void ChanPage::applyLanguage(const LangStruct& m) {
    texts_ = m;
    auto t = [](const auto& field) { return toQt(fieldText(field)); };
    const std::pair<QWidget*, QString> captions[] = {{up_, t(m.btnChanUp)},
                                                     {down_, t(m.btnChanDown)},
                                                     {top_, t(m.btnChanTop)},
                                                     {bottom_, t(m.btnChanBottom)},
                                                     {rename_, t(m.btnChanRename)},
                                                     {hide_, t(m.btnChanHide)},
                                                     {copy_, t(m.btnChanCopy)},
                                                     {moveTo_, t(m.btnChanMove)},
                                                     {new_, t(m.btnChanNew)},
                                                     {lock_, t(m.btnChanLock)},
                                                     {unlock_, t(m.btnChanUnlock)},
                                                     {undo_, t(m.btnChanUndo)},
                                                     {redo_, t(m.btnChanRedo)},
                                                     {save_, t(m.btnChanSave)},
                                                     {takeOrder_, t(m.btnChanTakeOrder)},
                                                     {searchLabel_, t(m.lblChanSearch)},
                                                     {empty_, t(m.lblChanEmpty)}};
    for (const auto& [w, text] : captions) QtPlatform::putText(w, text);
    // Without a caption of their own, named for a screen reader.
    search_->setAccessibleName(t(m.lblChanSearch));
    tree_->setAccessibleName(t(m.tabChannels));
    model_.setTexts({t(m.colChanNum), t(m.colChanName), t(m.colChanType), t(m.colChanFta),
                     t(m.colChanHd), t(m.colChanLock)},
                    {t(m.valChanTv), t(m.valChanRadio), t(m.valChanFta), t(m.valChanCoded),
                     t(m.colChanHd), t(m.valChanLocked)});
    // The short columns as wide as their caption or their longest value.
    const QFontMetrics fm = tree_->fontMetrics();
    const QFontMetrics head = tree_->header()->fontMetrics();
    const std::pair<int, QStringList> widths[] = {
        {ChanModel::kNum, {t(m.colChanNum), "00000"}},
        {ChanModel::kType, {t(m.colChanType), t(m.valChanTv), t(m.valChanRadio)}},
        {ChanModel::kFta, {t(m.colChanFta), t(m.valChanFta), t(m.valChanCoded)}},
        {ChanModel::kHd, {t(m.colChanHd)}},
        {ChanModel::kLock, {t(m.colChanLock), t(m.valChanLocked)}}};
    for (const auto& [column, texts] : widths) {
        int w = 0;
        for (const QString& x : texts)
            w = std::max({w, fm.horizontalAdvance(x), head.horizontalAdvance(x)});
        // The first column holds the tree's branches too.
        const int branches = column == ChanModel::kNum ? 2 * tree_->indentation() : 0;
        tree_->header()->resizeSection(column, w + 24 + branches);
    }
}

T_editsReport ChanPage::downloaded(int listType, const std::string& editsPath,
                                   std::string* loadError) {
    if (!pristine_) pristine_ = std::make_unique<Pristine>();
    pristine_->take();
    listType_ = listType;
    busy_ = false;
    // Unsaved edits stay; else the file is the document, as another
    // program may have changed it.
    if (!loaded_ || stack_.isClean()) {
        T_editsDoc read;
        std::string err;
        if (!loadEditsFile(editsPath, &read, &err)) {
            // Not loaded: a save must not put an empty document over the
            // file the user may still mend.
            if (loadError) *loadError = err;
            loaded_ = false;
        } else {
            if (!loaded_ || !(read.edits == doc_.edits)) {
                doc_ = std::move(read);
                stack_.clear();
            }
            loaded_ = true;
        }
    }
    reapply(selectedKeys());
    setUsable();
    return report_;
}

void ChanPage::jobStarts(bool download) {
    busy_ = true;
    if (download) model_.clear();
    setUsable();
}

void ChanPage::jobEnded() {
    busy_ = false;
    if (pristine_ && model_.groups().empty()) model_.rebuild(programTables(), listType_);
    setUsable();
}

void ChanPage::dropTables() {
    pristine_.reset();
    busy_ = false;
    model_.clear();
    setUsable();
}

void ChanPage::forget() {
    stack_.clear();
    doc_ = {};
    report_ = {};
    loaded_ = false;
    dropTables();
}

bool ChanPage::save(const std::string& path, std::string* err) {
    if (!saveEditsFile(path, doc_, err)) return false;
    stack_.setClean();
    return true;
}

void ChanPage::runSteps(const std::vector<T_editStep>& steps, bool forwards) {
    auto run = [this](size_t at, const std::optional<T_edit>& from,
                      const std::optional<T_edit>& to) {
        auto it = doc_.edits.begin() + static_cast<std::ptrdiff_t>(at);
        if (from && to)
            *it = *to;
        else if (to)
            doc_.edits.insert(it, *to);
        else
            doc_.edits.erase(it);
    };
    if (forwards)
        for (const T_editStep& s : steps) run(s.at, s.before, s.after);
    else
        for (auto s = steps.rbegin(); s != steps.rend(); ++s) run(s->at, s->after, s->before);
}

void ChanPage::reapply(const Keys& keys) {
    if (!pristine_) return;
    // The bouquets open now stay open.
    std::set<std::pair<int32_t, std::string>> open;
    for (size_t g = 0; g < model_.groups().size(); ++g)
        if (tree_->isExpanded(model_.groupIndex(static_cast<int>(g))))
            open.emplace(model_.groups()[g].satId, model_.groups()[g].name);
    pristine_->put();
    report_ = applyEdits(doc_, programTables(), listType_);
    model_.rebuild(programTables(), listType_);
    for (size_t g = 0; g < model_.groups().size(); ++g)
        if (open.count({model_.groups()[g].satId, model_.groups()[g].name}))
            tree_->setExpanded(model_.groupIndex(static_cast<int>(g)), true);
    select(keys);
}

void ChanPage::push(std::vector<T_editStep> steps, Keys selectAfter, const QString& text) {
    if (steps.empty()) return;
    stack_.push(
        new EditsCommand(this, std::move(steps), selectedKeys(), std::move(selectAfter), text));
}

const T_chanRef& ChanPage::ref(int group, int chan) const {
    return model_.groups()[static_cast<size_t>(group)].chans[static_cast<size_t>(chan)].ref;
}

std::string ChanPage::keyOf(const std::string& group, const T_chanRef& r) {
    std::string k = group;
    k += '\x1f';
    const uint32_t v[4] = {static_cast<uint32_t>(r.position), r.nid, r.tid, r.sid};
    k.append(reinterpret_cast<const char*>(v), sizeof v);
    return k;
}

std::string ChanPage::keyOf(int group, int chan) const {
    return keyOf(model_.groups()[static_cast<size_t>(group)].name, ref(group, chan));
}

ChanModel::Items ChanPage::selectedItems() const {
    // From the ranges: selectedRows() asks every row of them against every
    // range, slow for a thousand single rows.
    ChanModel::Items out;
    for (const QItemSelectionRange& r : tree_->selectionModel()->selection()) {
        const int g = model_.groupOf(r.parent());
        if (!r.parent().isValid() || g < 0) continue;
        for (int c = r.top(); c <= r.bottom(); ++c) out.emplace_back(g, c);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

ChanPage::Keys ChanPage::selectedKeys() const {
    Keys out;
    for (const auto& [g, c] : selectedItems()) out.insert(keyOf(g, c));
    return out;
}

void ChanPage::select(const Keys& keys) {
    if (keys.empty()) {
        selectWhere([](int, int) { return false; });
        return;
    }
    selectWhere([&](int g, int c) { return keys.count(keyOf(g, c)) != 0; });
}

void ChanPage::selectWhere(const std::function<bool(int group, int chan)>& in) {
    QItemSelection sel;
    QModelIndex first;
    const auto& groups = model_.groups();
    for (size_t g = 0; g < groups.size(); ++g) {
        const int gi = static_cast<int>(g);
        const int n = static_cast<int>(groups[g].chans.size());
        int from = -1;
        // A run of rows is one range: a selection of single rows is merged
        // row by row, which 20 000 of them make slow.
        for (int c = 0; c <= n; ++c) {
            const bool yes = c < n && in(gi, c);
            if (yes && from < 0) from = c;
            if (yes || from < 0) continue;
            sel.append(QItemSelectionRange(model_.chanIndex(gi, from, 0),
                                           model_.chanIndex(gi, c - 1, ChanModel::kColumns - 1)));
            if (!first.isValid()) first = model_.chanIndex(gi, from);
            if (!tree_->isExpanded(model_.groupIndex(gi)))
                tree_->setExpanded(model_.groupIndex(gi), true);
            from = -1;
        }
    }
    tree_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    if (first.isValid()) {
        tree_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        tree_->scrollTo(first);
    }
}

QStringList ChanPage::groupNames() const {
    QStringList out;
    for (const T_chanGroup& g : model_.groups())
        if (!out.contains(g.shown)) out << g.shown;
    return out;
}

bool ChanPage::takeOrder(const std::string& folder, T_importedOrder* what, std::string* err) {
    if (!pristine_ || busy_) return false;
    // Against the tables as the download left them: which bouquets it has
    // and what it names the channels.
    pristine_->put();
    T_editsDoc next = doc_;
    const bool ok = editsFromEnigma2(folder, programTables(), &next, what, err);
    report_ = applyEdits(doc_, programTables(), listType_);
    if (!ok) return false;
    StepBuilder b(doc_);
    b.eraseIf([](const T_edit&) { return true; });
    for (const T_edit& e : next.edits) b.append(e);
    push(std::move(b.steps), selectedKeys(), QString());
    return true;
}

bool ChanPage::askName(const QString& label, bool editable, QString* out) {
    if (!ask || !ask(label, editable ? QStringList() : groupNames(), editable, out)) return false;
    *out = out->trimmed();
    return !out->isEmpty();
}

void ChanPage::moveSelected(Move how) {
    const ChanModel::Items items = selectedItems();
    if (items.empty()) return;
    const auto& groups = model_.groups();
    StepBuilder b(doc_);
    for (size_t k = 0; k < items.size();) {
        const int g = items[k].first;
        const int n = static_cast<int>(groups[static_cast<size_t>(g)].chans.size());
        std::vector<char> picked(static_cast<size_t>(n), 0);
        for (; k < items.size() && items[k].first == g; ++k)
            picked[static_cast<size_t>(items[k].second)] = 1;
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
        auto sel = [&](int i) {
            return picked[static_cast<size_t>(order[static_cast<size_t>(i)])];
        };
        auto swapAt = [&](int i, int j) {
            std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
        };
        // A selected channel steps past its unselected neighbour; one at the
        // edge holds, and so do the ones behind it.
        if (how == Move::kUp)
            for (int i = 1; i < n; ++i) {
                if (sel(i) && !sel(i - 1)) swapAt(i, i - 1);
            }
        else if (how == Move::kDown)
            for (int i = n - 2; i >= 0; --i) {
                if (sel(i) && !sel(i + 1)) swapAt(i, i + 1);
            }
        else
            std::stable_partition(order.begin(), order.end(), [&](int i) {
                return (picked[static_cast<size_t>(i)] != 0) == (how == Move::kTop);
            });
        bool same = true;
        for (int i = 0; i < n; ++i) same = same && order[static_cast<size_t>(i)] == i;
        if (same) continue;
        std::vector<T_chanRef> refs;
        for (int i : order)
            refs.push_back(groups[static_cast<size_t>(g)].chans[static_cast<size_t>(i)].ref);
        writeOrder(&b, groups, g, refs);
    }
    push(std::move(b.steps), selectedKeys(), QString());
}

void ChanPage::hideSelected() {
    StepBuilder b(doc_);
    for (const auto& [g, c] : selectedItems()) {
        T_edit e = oneChannel(EditKind::kHide, ref(g, c));
        e.bouquet = model_.groups()[static_cast<size_t>(g)].name;
        b.append(std::move(e));
    }
    push(std::move(b.steps), {}, QString());
}

void ChanPage::copySelected(const QString& to) {
    StepBuilder b(doc_);
    for (const auto& [g, c] : selectedItems()) {
        T_edit e = oneChannel(EditKind::kCopy, ref(g, c));
        e.bouquet = to.toStdString();
        b.append(std::move(e));
    }
    push(std::move(b.steps), selectedKeys(), QString());
}

void ChanPage::moveSelectedTo(const QString& to) {
    const std::string name = to.toStdString();
    for (size_t g = 0; g < model_.groups().size(); ++g)
        if (model_.groups()[g].name == name) {
            drop(selectedItems(), static_cast<int>(g), -1);
            return;
        }
}

void ChanPage::drop(const ChanModel::Items& items, int group, int at) {
    const auto& groups = model_.groups();
    if (items.empty() || group < 0 || group >= static_cast<int>(groups.size())) return;
    const T_chanGroup& into = groups[static_cast<size_t>(group)];
    StepBuilder b(doc_);
    Keys after;
    std::vector<T_chanRef> dropped;
    std::vector<char> own(into.chans.size(), 0);
    for (const auto& [g, c] : items) {
        const T_chanGroup& from = groups[static_cast<size_t>(g)];
        const T_chanRef& ref = from.chans[static_cast<size_t>(c)].ref;
        if (g == group) own[static_cast<size_t>(c)] = 1;
        if (from.name != into.name) {
            T_edit e = oneChannel(EditKind::kMove, ref);
            e.from = from.name;
            e.bouquet = into.name;
            b.append(std::move(e));
        }
        dropped.push_back(ref);
    }
    // The group's own channels without the dropped ones, those going in
    // where they were dropped.
    std::vector<T_chanRef> order;
    const int n = static_cast<int>(into.chans.size());
    if (at < 0 || at > n) at = n;
    for (int c = 0; c <= n; ++c) {
        if (c == at) order.insert(order.end(), dropped.begin(), dropped.end());
        if (c < n && !own[static_cast<size_t>(c)])
            order.push_back(into.chans[static_cast<size_t>(c)].ref);
    }
    writeOrder(&b, groups, group, order);
    for (const T_chanRef& r : dropped) after.insert(keyOf(into.name, r));
    push(std::move(b.steps), std::move(after), QString());
}

void ChanPage::newBouquet(const QString& name) {
    const ChanModel::Items items = selectedItems();
    if (items.empty() || name.trimmed().isEmpty()) return;
    T_edit e;
    e.kind = EditKind::kNewBouquet;
    e.bouquet = name.trimmed().toStdString();
    Keys after;
    std::set<std::tuple<int, uint32_t, uint32_t, uint32_t>> seen;
    for (const auto& [g, c] : items) {
        const T_chanRef& r = ref(g, c);
        if (!seen.emplace(r.position, r.nid, r.tid, r.sid).second) continue;
        e.channels.push_back(r);
        after.insert(keyOf(e.bouquet, r));
    }
    StepBuilder b(doc_);
    b.append(std::move(e));
    push(std::move(b.steps), std::move(after), QString());
}

void ChanPage::lockSelected(bool on) {
    StepBuilder b(doc_);
    for (const auto& [g, c] : selectedItems()) {
        const T_chanRef& r = ref(g, c);
        // One lock edit per channel: the last word is the only one.
        b.eraseIf([&](const T_edit& x) {
            return x.kind == EditKind::kLock && !x.channels.empty() && sameKey(x.channels[0], r);
        });
        T_edit e = oneChannel(EditKind::kLock, r);
        e.on = on;
        b.append(std::move(e));
    }
    push(std::move(b.steps), selectedKeys(), QString());
}

void ChanPage::rename(int group, int chan, const QString& name) {
    const auto& groups = model_.groups();
    if (group < 0 || group >= static_cast<int>(groups.size())) return;
    StepBuilder b(doc_);
    T_edit e;
    e.name = name.trimmed().toStdString();
    if (e.name.empty()) return;
    if (chan < 0) {
        e.kind = EditKind::kRenameBouquet;
        e.bouquet = groups[static_cast<size_t>(group)].name;
        if (e.bouquet == e.name) return;
        b.append(std::move(e));
        push(std::move(b.steps), {}, QString());
        return;
    }
    if (chan >= static_cast<int>(groups[static_cast<size_t>(group)].chans.size())) return;
    // The earlier rename of the channel goes; its reference keeps the
    // name the download gave, which the key falls back to.
    T_chanRef r = ref(group, chan);
    for (const T_edit& x : doc_.edits)
        if (x.kind == EditKind::kRename && !x.channels.empty() && sameKey(x.channels[0], r))
            r = x.channels[0];
    b.eraseIf([&](const T_edit& x) {
        return x.kind == EditKind::kRename && !x.channels.empty() && sameKey(x.channels[0], r);
    });
    e.kind = EditKind::kRename;
    e.channels = {r};
    b.append(std::move(e));
    push(std::move(b.steps), selectedKeys(), QString());
}

void ChanPage::search(const QString& text) {
    const QString want = text.trimmed();
    const auto& groups = model_.groups();
    selectWhere([&](int g, int c) {
        return !want.isEmpty() &&
               groups[static_cast<size_t>(g)].chans[static_cast<size_t>(c)].name.contains(
                   want, Qt::CaseInsensitive);
    });
}
