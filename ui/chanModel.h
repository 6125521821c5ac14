#pragma once
// The Channels page's tree: the bouquets (list type 0) or virtual
// satellites (types 1 and 2) of the tables in memory, each with its
// channels. The model copies what it shows, so a job that rewrites the
// tables never pulls rows from under the view; it is rebuilt whole after
// every apply, which for 20 000 channels costs a few milliseconds.
#include <QAbstractItemModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "edits/edits.h"

struct T_chanEntry {
    uint32_t row = 0;  // in chDB
    T_chanRef ref;     // as an edit names it
    QString name;
    bool radio = false, coded = false, hd = false, locked = false;
};

// One run of the tables: rows of one satellite and group in a row.
struct T_chanGroup {
    std::string name;  // UTF-8, as edits name it
    QString shown, sat;
    int32_t satId = 0, groupId = 0;
    std::vector<T_chanEntry> chans;
};

class ChanModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { kNum, kName, kType, kFta, kHd, kLock, kColumns };
    // What a drop carries: (group, channel) pairs.
    using Items = std::vector<std::pair<int, int>>;

    explicit ChanModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

    // listType 0 names each bouquet's satellite beside it: bouquets of one
    // name stand on several.
    void rebuild(const T_channelTables& db, int listType);
    void clear();
    const std::vector<T_chanGroup>& groups() const { return groups_; }

    // The group of an index, its own or its channel's (-1 for none), and
    // the channel's place in it (-1 for a group).
    int groupOf(const QModelIndex& i) const;
    int chanOf(const QModelIndex& i) const;
    QModelIndex groupIndex(int g, int column = 0) const;
    QModelIndex chanIndex(int g, int c, int column = 0) const;

    // Column captions, then TV, Radio, FTA, Coded, HD, Locked.
    void setTexts(const QStringList& headers, const QStringList& values);

    // A name typed in place (chan -1: the group's) and channels dropped
    // before channel `at` of a group (-1: at its end). The page turns them
    // into edits; the model itself changes only through rebuild.
    std::function<void(int group, int chan, const QString& name)> onRename;
    std::function<void(const Items& items, int group, int at)> onDrop;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

private:
    // Where a drop lands: the group and the channel it goes before.
    bool dropTarget(int row, const QModelIndex& parent, int* group, int* at) const;

    std::vector<T_chanGroup> groups_;
    int listType_ = 0;
    QStringList headers_, values_;
};
