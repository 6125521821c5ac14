#include "ui/chanModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <memory>
#include <unordered_map>

#include "channels/dbTypes.h"
#include "config/codepage.h"
#include "config/textFunc.h"
#include "ui/qtPlatform.h"

namespace {

const char* const kMime = "application/x-velartis-channels";

}  // namespace

void ChanModel::rebuild(const T_channelTables& db, int listType) {
    beginResetModel();
    groups_.clear();
    listType_ = listType;
    if (db.complete()) {
        std::unordered_map<int32_t, QString> satNames;
        for (uint32_t i = 1; i <= db.satDB->count && i < kSatDbSlots; ++i)
            satNames.emplace(db.satDB->sat[i].sat_id,
                             QString::fromStdString(fieldText(db.satDB->sat[i].satName)));
        const ChanRefs refs(db);
        auto refOf = [&refs](uint32_t row) { return refs.of(row); };
        const uint32_t n = std::min(db.chDB->count, kChDbSlots - 1);
        for (uint32_t i = 1; i <= n; ++i) {
            const T_dbCh& ch = db.chDB->ch[i];
            if (groups_.empty() || groups_.back().satId != ch.sat_id ||
                groups_.back().groupId != ch.groupId) {
                T_chanGroup g;
                // Names in the tables are UTF-8.
                g.name = fieldText(ch.groupName);
                g.shown = QString::fromStdString(g.name);
                g.sat = satNames[ch.sat_id];
                g.satId = ch.sat_id;
                g.groupId = ch.groupId;
                groups_.push_back(std::move(g));
            }
            // A bouquet's marker row is no channel to edit.
            if (ch.fake) continue;
            T_chanEntry e;
            e.row = i;
            e.ref = refOf(i);
            e.name = QString::fromStdString(fieldText(ch.ch_name));
            e.radio = ch.ch_type != 0;
            e.coded = ch.scrambled != 0;
            e.hd = ch.hd != 0;
            e.locked = ch.locked != 0;
            groups_.back().chans.push_back(std::move(e));
        }
    }
    endResetModel();
}

void ChanModel::clear() {
    beginResetModel();
    groups_.clear();
    endResetModel();
}

void ChanModel::setTexts(const QStringList& headers, const QStringList& values) {
    headers_ = headers;
    values_ = values;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (!groups_.empty())
        emit dataChanged(index(0, 0), index(static_cast<int>(groups_.size()) - 1, kColumns - 1));
}

// A channel's index carries its group + 1, times an odd number: the hash
// of an index adds its row to that, and group numbers as they are would
// give the indexes of 20 000 channels a thousand hash values among them,
// which the view's selection (persistent indexes in a hash) pays for at
// every change. An odd number has an inverse, which gives the group back.
namespace {
constexpr quintptr kSpread = static_cast<quintptr>(0x9E3779B97F4A7C15ull);
constexpr quintptr inverse(quintptr x) {
    quintptr y = x;  // right to 3 bits; each step doubles them
    for (int i = 0; i < 6; ++i) y *= 2 - x * y;
    return y;
}
static_assert(kSpread * inverse(kSpread) == 1);
}  // namespace

int ChanModel::groupOf(const QModelIndex& i) const {
    if (!i.isValid()) return -1;
    return i.internalId() ? static_cast<int>(i.internalId() * inverse(kSpread) - 1) : i.row();
}

int ChanModel::chanOf(const QModelIndex& i) const {
    return i.isValid() && i.internalId() ? i.row() : -1;
}

QModelIndex ChanModel::groupIndex(int g, int column) const {
    return createIndex(g, column, quintptr{0});
}

QModelIndex ChanModel::chanIndex(int g, int c, int column) const {
    return createIndex(c, column, static_cast<quintptr>(g + 1) * kSpread);
}

QModelIndex ChanModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumns) return {};
    if (!parent.isValid())
        return row < static_cast<int>(groups_.size()) ? groupIndex(row, column) : QModelIndex();
    if (parent.internalId()) return {};
    const int g = parent.row();
    if (g >= static_cast<int>(groups_.size()) ||
        row >= static_cast<int>(groups_[static_cast<size_t>(g)].chans.size()))
        return {};
    return chanIndex(g, row, column);
}

QModelIndex ChanModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !child.internalId()) return {};
    return groupIndex(groupOf(child));
}

int ChanModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(groups_.size());
    if (parent.internalId() || parent.column() != 0) return 0;
    return static_cast<int>(groups_[static_cast<size_t>(parent.row())].chans.size());
}

int ChanModel::columnCount(const QModelIndex&) const { return kColumns; }

QVariant ChanModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const T_chanGroup& g = groups_[static_cast<size_t>(groupOf(index))];
    const int c = chanOf(index);
    auto value = [this](int i) { return i < values_.size() ? values_[i] : QString(); };
    if (c < 0) {
        if (role == Qt::ToolTipRole) return g.sat;
        if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
        if (index.column() == kName)
            return role == Qt::DisplayRole && listType_ == 0 && !g.sat.isEmpty()
                       ? g.shown + "  (" + g.sat + ")"
                       : g.shown;
        if (index.column() == kNum && role == Qt::DisplayRole)
            return QString::number(g.chans.size());
        return {};
    }
    const T_chanEntry& e = g.chans[static_cast<size_t>(c)];
    if (role == Qt::EditRole) return index.column() == kName ? QVariant(e.name) : QVariant();
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case kNum: return c + 1;
    case kName: return e.name;
    case kType: return value(e.radio ? 1 : 0);
    case kFta: return value(e.coded ? 3 : 2);
    case kHd: return e.hd ? value(4) : QString();
    case kLock: return e.locked ? value(5) : QString();
    default: return {};
    }
}

QVariant ChanModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= headers_.size()) return {};
    return headers_[section];
}

Qt::ItemFlags ChanModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (chanOf(index) >= 0) f |= Qt::ItemIsDragEnabled;
    if (index.column() == kName) f |= Qt::ItemIsEditable;
    return f;
}

bool ChanModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != kName || !onRename) return false;
    const QString name = value.toString().trimmed();
    if (name.isEmpty() || name == data(index, Qt::EditRole).toString()) return false;
    onRename(groupOf(index), chanOf(index), name);
    return true;
}

QStringList ChanModel::mimeTypes() const { return {kMime}; }

QMimeData* ChanModel::mimeData(const QModelIndexList& indexes) const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const QModelIndex& i : indexes)
        if (i.column() == 0 && chanOf(i) >= 0) out << groupOf(i) << chanOf(i);
    auto* m = new QMimeData;
    m->setData(kMime, bytes);
    return m;
}

bool ChanModel::dropTarget(int row, const QModelIndex& parent, int* group, int* at) const {
    if (!parent.isValid()) return false;
    *group = groupOf(parent);
    // On a channel: before it; between a group's rows: there; on a group: at its end.
    *at = chanOf(parent) >= 0 ? chanOf(parent) : row;
    return *group >= 0;
}

bool ChanModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                const QModelIndex& parent) const {
    int g = 0, at = 0;
    return data->hasFormat(kMime) && dropTarget(row, parent, &g, &at);
}

bool ChanModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                             const QModelIndex& parent) {
    int g = 0, at = 0;
    if (action != Qt::MoveAction || !data->hasFormat(kMime) || !dropTarget(row, parent, &g, &at) ||
        !onDrop)
        return false;
    Items items;
    QDataStream in(data->data(kMime));
    while (!in.atEnd()) {
        int a = 0, b = 0;
        in >> a >> b;
        if (a >= 0 && a < static_cast<int>(groups_.size()) && b >= 0 &&
            b < static_cast<int>(groups_[static_cast<size_t>(a)].chans.size()))
            items.emplace_back(a, b);
    }
    if (items.empty()) return false;
    onDrop(items, g, at);
    // The rows move through the edit; the view must not remove any itself.
    return false;
}
