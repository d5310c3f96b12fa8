#pragma once

#include "ResultList.h"
#include "ResultOrdering.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string_view>

namespace jumelix {

// A text of the file system or the catalogue (UTF-8 bytes) as shown text.
QString FromBytes(std::string_view text);

// One result list as its view reads it: 64-bit row numbers, three texts a
// row worked out on demand, nothing kept per row. Rows appended to the list
// by a running search show once Grow() is called.
class ResultModel final : public QObject {
    Q_OBJECT

public:
    enum Column { FolderColumn, NameColumn, SizeColumn, ColumnCount };

    ResultModel(ResultList& list, ResultOrdering& ordering, QObject* parent = nullptr);

    std::uint64_t RowCount() const { return rows_; }
    // Empty past the last row.
    QString Text(std::uint64_t row, int column) const;
    // Replaces that row's folder text in this list only.
    void SetFolder(std::uint64_t row, const QString& folder);
    // Sorts as a click on that column's header does; returns where
    // `followedRow` went.
    std::uint64_t SortByColumn(int column, std::uint64_t followedRow);

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
