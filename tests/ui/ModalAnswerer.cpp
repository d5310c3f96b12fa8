#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>

namespace jumelix {

ModalAnswerer::ModalAnswerer()
{
    timer_.setInterval(2);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::answer);
    timer_.start();
}

QStringList ModalAnswerer::Texts() const
{
    QStringList texts;
    for (const Message& message : Messages)
        texts << message.text;
    return texts;
}

void ModalAnswerer::answer()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        Messages.push_back({box->windowTitle(), box->text(), box->icon(),
                            static_cast<int>(box->buttons().size()),
                            cursor != nullptr ? int(cursor->shape()) : -1});
        box->button(QMessageBox::Ok)->click();
    } else if (OnDialog) {
        OnDialog(modal);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}

}  // namespace jumelix
