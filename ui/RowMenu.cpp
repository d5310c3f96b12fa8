#include "ui/RowMenu.h"

#include "ui/Texts.h"

namespace jumelix {

RowMenu::RowMenu(QWidget* parent) : QMenu(parent)
{
    setAttribute(Qt::WA_WindowPropagation);  // in the window's face
    setAccessibleName(text::RowMenu);
    addChoice(text::OpenFile, RowAction::OpenFile);
    addChoice(text::ShowInFolder, RowAction::ShowInFolder);
    addChoice(text::CopyPath, RowAction::CopyPath)->setShortcut(QKeySequence::Copy);
    goToDouble_ = addChoice(text::GoToDouble, RowAction::GoToDouble);
    compare_ = addChoice(text::CompareWithDouble, RowAction::CompareWithDouble);
}

QAction* RowMenu::addChoice(const QString& text, RowAction action)
{
    return addAction(text, this, [this, action] { emit Chosen(action, row_); });
}

void RowMenu::Open(std::uint64_t row, bool doubleListed, QPoint at)
{
    row_ = row;
    goToDouble_->setEnabled(doubleListed);
    compare_->setEnabled(compareAllowed_());
    popup(at);
}

}  // namespace jumelix
