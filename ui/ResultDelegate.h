#pragma once

#include <QStyledItemDelegate>

namespace jumelix {

// Draws a result list's selection the way the lists always showed it: on the
// first column only, and only while the list has the focus.
class ResultDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace jumelix
