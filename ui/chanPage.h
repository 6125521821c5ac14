#pragma once
// The Channels page: the list of the last download as a tree of bouquets
// (or virtual satellites) and channels, shaped by the user through the
// edits document (edits/edits.h). Every action becomes one undoable change
// of the document, after which the tables are put back as the download
// left them and the whole document is applied again: what the tree shows
// is what Generate writes.
#include <QString>
#include <QStringList>
#include <QUndoStack>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "config/langTypes.h"
#include "edits/edits.h"
#include "ui/chanModel.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// One change of the document: the edit at `at` goes from before to after
// (no before: inserted there; no after: erased).
struct T_editStep {
    size_t at = 0;
    std::optional<T_edit> before, after;
};

class ChanPage : public QWidget {
    Q_OBJECT
public:
    explicit ChanPage(QWidget* parent);
    ~ChanPage() override;

    // A download of listType has filled the tables: they are kept as they
    // are, the document is read from editsPath unless it holds unsaved
    // edits, and applied. *loadError says why the file could not be read
    // (the document then stays as it was).
    T_editsReport downloaded(int listType, const std::string& editsPath, std::string* loadError);
    // A job is about to run: a download takes the tables away, a writer
    // only reads them.
    void jobStarts(bool download);
    // A job ended and the tables are what they were before it.
    void jobEnded();
    // The tables are gone (a failed download).
    void dropTables();
    // Another configuration: its edits are another document.
    void forget();

    // The document is the file's (it was read after a download).
    bool loaded() const { return loaded_; }
    bool unsaved() const { return !stack_.isClean(); }
    // Writes the document whole; the page's edits count as saved then.
    bool save(const std::string& path, std::string* err);
    const T_editsDoc& doc() const { return doc_; }
    const T_editsReport& lastReport() const { return report_; }
    QUndoStack* undoStack() { return &stack_; }
    ChanModel* model() { return &model_; }
    QTreeView* view() const { return tree_; }

    void applyLanguage(const LangStruct& m);

    // What the buttons do, on the selected channels.
    enum class Move { kUp, kDown, kTop, kBottom };
    void moveSelected(Move how);
    void hideSelected();
    void copySelected(const QString& to);
    void moveSelectedTo(const QString& to);
    void newBouquet(const QString& name);
    void lockSelected(bool on);
    void rename(int group, int chan, const QString& name);
    void drop(const ChanModel::Items& items, int group, int at);
    // Selects the channels whose names hold text, opening their bouquets.
    void search(const QString& text);
    // The bouquet order and channel names of an Enigma2 settings folder the
    // user has, as one undoable change of the document (they replace the
    // document's edits of the same bouquets and channels). False, with the
    // reason, for a folder that is no Enigma2 list.
    bool takeOrder(const std::string& folder, T_importedOrder* what, std::string* err);

    // Asks for a bouquet's name: one of choices or, editable, a new one.
    // The window's dialog by default; tests answer it themselves.
    std::function<bool(const QString& label, const QStringList& choices, bool editable,
                       QString* out)>
        ask;
    // Asks for a folder, and tells the user a result; the window's dialogs
    // by default, tests answer them themselves.
    std::function<bool(QString* folder)> askFolder;
    std::function<void(const QString& text, bool error)> tell;

signals:
    // The document changed (an action, an undo or a redo) and was applied.
    void edited(const T_editsReport& report);
    void saveAsked();

private:
    friend class EditsCommand;
    struct Pristine;
    using Keys = std::unordered_set<std::string>;

    void buildControls();
    void setUsable();
    // Runs steps on the document, forwards or backwards.
    void runSteps(const std::vector<T_editStep>& steps, bool forwards);
    // The tables as the download left them, the document applied, the
    // tree rebuilt with these channels selected.
    void reapply(const Keys& select);
    // One action: its steps as one undoable command, applied.
    void push(std::vector<T_editStep> steps, Keys selectAfter, const QString& text);
    // The selected channels as (group, channel), in the tree's order.
    ChanModel::Items selectedItems() const;
    Keys selectedKeys() const;
    const T_chanRef& ref(int group, int chan) const;
    // A channel of a bouquet, as a selection is kept across applies.
    static std::string keyOf(const std::string& group, const T_chanRef& r);
    std::string keyOf(int group, int chan) const;
    void select(const Keys& keys);
    void selectWhere(const std::function<bool(int group, int chan)>& in);
    QStringList groupNames() const;
    bool askName(const QString& label, bool editable, QString* out);

    std::unique_ptr<Pristine> pristine_;
    int listType_ = 0;
    bool loaded_ = false;
    bool busy_ = false;
    T_editsDoc doc_;
    T_editsReport report_;
    QUndoStack stack_;
    ChanModel model_;
    LangStruct texts_{};

    QTreeView* tree_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel *searchLabel_ = nullptr, *empty_ = nullptr;
    QPushButton *up_ = nullptr, *down_ = nullptr, *top_ = nullptr, *bottom_ = nullptr,
                *rename_ = nullptr, *hide_ = nullptr, *copy_ = nullptr, *moveTo_ = nullptr,
                *new_ = nullptr, *lock_ = nullptr, *unlock_ = nullptr, *undo_ = nullptr,
                *redo_ = nullptr, *save_ = nullptr, *takeOrder_ = nullptr;
};
