#include "ui/DirectoryEdit.h"

#include "ui/FolderDialog.h"
#include "ui/Messages.h"
#include "ui/Texts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace jumelix {

DirectoryEdit::DirectoryEdit(QWidget* parent) : QLineEdit(parent)
{
    QAction* browse = addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                QLineEdit::TrailingPosition);
    browse->setText(text::Browse);
    browse->setToolTip(text::Browse);
    connect(browse, &QAction::triggered, this, &DirectoryEdit::Browse);
}

QString DirectoryEdit::startFolder() const
{
    QString start = text();
    if (start.isEmpty())
        start = initialFolder_.isEmpty() ? QDir::rootPath() : initialFolder_;
    if (!QFileInfo(start).isDir())
        start = QDir::rootPath();
    return start;
}

void DirectoryEdit::Browse()
{
    RunHandler(window(), [this] {
        bool accepted = false;
        const QString result = BrowseFolder(window(), startFolder(), accepted);
        if (isEnabled())
            setFocus();
        emit AfterDialog(result, accepted);
        if (!accepted)
            return;
        setText(result);
        if (!result.isEmpty() && QFileInfo(result).isDir())
            initialFolder_ = result;
    });
}

void DirectoryEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier) {
        Browse();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace jumelix
