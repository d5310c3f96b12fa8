#include "ResultModel.h"

#include "Catalogue.h"

#include <algorithm>
#include <climits>

namespace jumelix {
namespace {

enum Column { FolderColumn, NameColumn, SizeColumn, ColumnCount };

}  // namespace

QString FromBytes(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

ResultModel::ResultModel(ResultList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list)
{
}

int ResultModel::rowsAvailable() const
{
    return static_cast<int>(std::min<std::uint64_t>(list_.RowCount(), INT_MAX));
}

// Views and testers may ask for more rows while a change is announced: they
// get them once it is over.
void ResultModel::showRows(int rows)
{
    if (changing_ || rows <= rows_)
        return;
    changing_ = true;
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
    changing_ = false;
}

void ResultModel::Grow()
{
    showRows(std::min(rowsAvailable(), kPageRows));
}

bool ResultModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !changing_ && rows_ < rowsAvailable();
}

void ResultModel::fetchMore(const QModelIndex& parent)
{
    if (!parent.isValid())
        showRows(rows_ + std::min(rowsAvailable() - rows_, kPageRows));
}

void ResultModel::Clear()
{
    changing_ = true;
    beginResetModel();
    list_.Clear();
    rows_ = 0;
    endResetModel();
    changing_ = false;
}

void ResultModel::Reorder(const std::function<void()>& reorder)
{
    Grow();
    changing_ = true;
    emit layoutAboutToBeChanged();
    reorder();
    emit layoutChanged();
    changing_ = false;
}

bool ResultModel::Truncated() const
{
    return list_.RowCount() > static_cast<std::uint64_t>(INT_MAX);
}

int ResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int ResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const ResultRow row = list_.Row(static_cast<std::uint64_t>(index.row()));
    switch (index.column()) {
    case FolderColumn:
        return FromBytes(row.Folder);
    case NameColumn:
        return FromBytes(row.Name);
    default:
        return FromBytes(DecimalText(row.Size));
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case FolderColumn:
        return QStringLiteral("Dossiers");
    case NameColumn:
        return QStringLiteral("Fichiers");
    case SizeColumn:
        return QStringLiteral("Taille (en octets)");
    default:
        return {};
    }
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == FolderColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ResultModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        index.column() != FolderColumn)
        return false;
    list_.SetFolder(static_cast<std::uint64_t>(index.row()), value.toString().toStdString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

}  // namespace jumelix
