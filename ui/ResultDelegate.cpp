#include "ResultDelegate.h"

#include <QWidget>

namespace jumelix {

void ResultDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool listHasFocus = option->widget != nullptr && option->widget->hasFocus();
    if (index.column() != 0 || !listHasFocus)
        option->state &= ~QStyle::State_Selected;
}

}  // namespace jumelix
