#pragma once

#include "ResultList.h"

#include <QAbstractTableModel>

#include <functional>

namespace jumelix {

// One result list as three columns, read from the list on demand. The model
// shows the rows the list had when it was last told to grow; a list can hold
// more rows than a view can count, so at most INT_MAX of them are shown.
class ResultModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ResultModel(ResultList& list, QObject* parent = nullptr);

    // Shows the rows appended to the list since the last call.
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

private:
    int listRowsShown() const;

    ResultList& list_;
    int rows_ = 0;
};

}  // namespace jumelix
