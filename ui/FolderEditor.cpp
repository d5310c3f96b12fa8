#include "ui/FolderEditor.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QLineEdit>

#include <utility>

namespace jumelix {

FolderEditor::FolderEditor(QAbstractScrollArea* list) : QObject(list), list_(list) {}

QLineEdit* FolderEditor::Line() const
{
    return row_ != ResultList::kNoRow ? line_ : nullptr;
}

void FolderEditor::Open(std::uint64_t row, const QString& folder, const QRect& cell)
{
    if (line_ == nullptr) {
        line_ = new QLineEdit(list_->viewport());
        line_->setFrame(false);
        line_->installEventFilter(this);
    }
    row_ = row;
    line_->setText(folder);
    line_->selectAll();
    Place(cell);
    line_->show();
    line_->setFocus(Qt::OtherFocusReason);
}

void FolderEditor::Place(const QRect& cell)
{
    line_->setGeometry(cell);
}

void FolderEditor::Commit()
{
    if (row_ == ResultList::kNoRow)
        return;
    emit Committed(std::exchange(row_, ResultList::kNoRow), line_->text());
    close();
}

void FolderEditor::Cancel()
{
    if (std::exchange(row_, ResultList::kNoRow) != ResultList::kNoRow)
        close();
}

// Hiding the focused line takes its focus away, which commits nothing more:
// the edited row is already forgotten.
void FolderEditor::close()
{
    const bool hadFocus = line_->hasFocus();
    line_->hide();
    if (hadFocus)
        list_->setFocus(Qt::OtherFocusReason);
    list_->viewport()->update();
}

// Watches the line only.
bool FolderEditor::eventFilter(QObject* /*watched*/, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            key == Qt::Key_Escape ? Cancel() : Commit();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        Commit();
    }
    return false;
}

}  // namespace jumelix
