#include "ResultModel.h"

#include "Catalogue.h"

namespace jumelix {

QString FromBytes(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

ResultModel::ResultModel(ResultList& list, ResultOrdering& ordering, QObject* parent)
    : QObject(parent), list_(list), ordering_(ordering)
{
}

QString ResultModel::Text(std::uint64_t row, int column) const
{
    if (row >= rows_)
        return {};
    const ResultRow texts = list_.Row(row);
    switch (column) {
    case FolderColumn:
        return FromBytes(texts.Folder);
    case NameColumn:
        return FromBytes(texts.Name);
    default:
        return FromBytes(DecimalText(texts.Size));
    }
}

void ResultModel::SetFolder(std::uint64_t row, const QString& folder)
{
    list_.SetFolder(row, folder.toStdString());
}

// The sort takes in the rows the search appended since the last pump.
std::uint64_t ResultModel::SortByColumn(int column, std::uint64_t followedRow)
{
    Grow();
    const std::uint64_t followed = ordering_.ColumnClick(list_, column, followedRow);
    emit Reordered();
    return followed;
}

void ResultModel::Grow()
{
    const std::uint64_t previous = rows_;
    rows_ = list_.RowCount();
    if (rows_ > previous)
        emit Grown(previous);
}

void ResultModel::Clear()
{
    list_.Clear();
    rows_ = 0;
    emit Reset();
}

}  // namespace jumelix
