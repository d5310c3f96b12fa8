#include "ui/ResultModel.h"

#include "catalogue/Catalogue.h"
#include "ui/Texts.h"

namespace jumelix {

ResultModel::ResultModel(ResultList& list, ResultOrdering& ordering, QObject* parent)
    : QObject(parent), list_(list), ordering_(ordering)
{
}

QString ResultModel::Text(std::uint64_t row, Column column) const
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
std::uint64_t ResultModel::SortByColumn(Column column, std::uint64_t followedRow)
{
    Grow();
    const std::uint64_t followed = ordering_.ColumnClick(list_, column, followedRow);
    emit Reordered();
    return followed;
}

std::optional<ResultModel::Files> ResultModel::FilesOf(std::uint64_t row) const
{
    const std::optional<RowOrigin> origin = row < rows_ ? list_.OriginOf(row) : std::nullopt;
    if (!origin)
        return std::nullopt;
    const Catalogue& catalogue = *list_.SourceCatalogue();
    const CatalogueEntry entry = catalogue[origin->Entry];
    return Files{entry.Path(), catalogue[origin->Outer].Path(), entry.Size};
}

QString ResultModel::Description(std::uint64_t row) const
{
    const std::optional<Files> files = FilesOf(row);
    if (!files)
        return {};
    return RowDescription(files->Path, files->DoublePath, list_.ByContents());
}

std::uint64_t ResultModel::MirrorOf(std::uint64_t row) const
{
    // A mirror the search appended since the last Grow() is not shown yet.
    const std::uint64_t mirror = row < rows_ ? list_.MirrorOf(row) : ResultList::kNoRow;
    return mirror < rows_ ? mirror : ResultList::kNoRow;
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
