#include "Messages.h"

#include "ApplicationCursor.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <exception>

namespace jumelix {

void ShowMessage(QWidget* parent, MessageKind kind, const QString& text)
{
    QString caption = QGuiApplication::applicationDisplayName();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageKind::Information:
        caption = QStringLiteral("Information");
        icon = QMessageBox::Information;
        break;
    case MessageKind::Warning:
        caption = QStringLiteral("Avertissement");
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Plain:
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    }
    // A box shown before its window (at start-up) is centred on the screen.
    QMessageBox box(icon, caption, text, QMessageBox::Ok,
                    parent != nullptr && parent->isVisible() ? parent : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    ExecModal(box);
}

QString ErrorBoxText(const QString& error)
{
    if (!error.isEmpty() && error.back().unicode() <= u'.')
        return error;
    return error + u'.';
}

void RunHandler(QWidget* window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowMessage(window, MessageKind::Error, ErrorBoxText(QString::fromLocal8Bit(error.what())));
    }
}

int ExecModal(QDialog& dialog)
{
    const ModalCursorScope cursor;
    return dialog.exec();
}

}  // namespace jumelix
