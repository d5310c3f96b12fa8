#pragma once

#include "ResultList.h"

#include <QAbstractTableModel>

#include <functional>
#include <string_view>

namespace jumelix {

// A text of the file system or the catalogue (UTF-8 bytes) as shown text.
QString FromBytes(std::string_view text);

// One result list as three columns, read from the list on demand. A list can
// hold billions of rows, and a tree view lays out every row it is given, so
// the view fetches rows a page at a time as it is scrolled to the end; a list
// can also hold more rows than a view can count, so at most INT_MAX of them
// can be fetched.
class ResultModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ResultModel(ResultList& list, QObject* parent = nullptr);

    static constexpr int kPageRows = 10000;

    // Shows rows appended to the list since the last call, up to the first
    // page; the view fetches the rest.
    void Grow();
    // Empties the list and the model together, so no view reads a gone row.
    void Clear();
    // Runs a reordering of the list's rows.
    void Reorder(const std::function<void()>& reorder);
    // The list holds more rows than the model can show.
    bool Truncated() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    int rowsAvailable() const;
    void showRows(int rows);

    ResultList& list_;
    int rows_ = 0;
    bool changing_ = false;
};

}  // namespace jumelix
