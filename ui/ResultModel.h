#pragma once

#include "search/ResultList.h"
#include "search/ResultOrdering.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace jumelix {

// One result list as its view reads it: 64-bit row numbers, three texts a
// row worked out on demand, nothing kept per row. Rows appended to the list
// by a running search show once Grow() is called.
class ResultModel final : public QObject {
    Q_OBJECT

public:
    ResultModel(ResultList& list, ResultOrdering& ordering, QObject* parent = nullptr);

    std::uint64_t RowCount() const { return rows_; }
    // Empty past the last row.
    QString Text(std::uint64_t row, Column column) const;
    // Replaces that row's folder text in this list only.
    void SetFolder(std::uint64_t row, const QString& folder);
    // Sorts as a click on that column's header does; returns where
    // `followedRow` went.
    std::uint64_t SortByColumn(Column column, std::uint64_t followedRow);
    // Whether the last sort on that column put its values in decreasing order.
    bool SortedDecreasing(Column column) const { return ordering_.SortedDecreasing(column); }

    // The files behind a row, as the catalogue has them whatever the row's
    // folder text says: nothing past the last row.
    struct Files {
        std::string Path;
        std::string DoublePath;
        std::uint64_t Size = 0;
    };
    std::optional<Files> FilesOf(std::uint64_t row) const;
    // The row's whole path and its double's, one a line; empty past the last row.
    QString Description(std::uint64_t row) const;
    // The row listing this row's double for its entry; kNoRow while there is none.
    std::uint64_t MirrorOf(std::uint64_t row) const;

    // Shows the rows appended to the list since the last call. Between two
    // calls of Clear() a list only grows.
    void Grow();
    // Empties the list and the model together, so no view reads a gone row.
    void Clear();

signals:
    void Grown(quint64 previousRows);
    void Reset();
    void Reordered();

private:
    ResultList& list_;
    ResultOrdering& ordering_;
    std::uint64_t rows_ = 0;
};

}  // namespace jumelix
