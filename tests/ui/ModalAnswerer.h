#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <vector>

namespace jumelix {

// Answers the program's modal windows as a user would: every message box is
// noted and closed with its "OK" button; any other modal window goes to
// OnDialog, or is rejected when there is none.
class ModalAnswerer final : public QObject {
public:
    struct Message {
        QString caption, text;
        QMessageBox::Icon icon;
        int cursor;     // the application cursor while the box was open, or -1 for none
        QString shown;  // what Snapshot gave as the box opened
        QPoint centre;  // of the box's frame
    };
    std::function<void(QWidget*)> OnDialog;
    std::function<QString()> Snapshot;
    std::vector<Message> Messages;

    ModalAnswerer()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::answer);
        timer_.start(2);
    }

    // The application cursor's shape, or -1 for the default cursor.
    static int CursorShape()
    {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor != nullptr ? int(cursor->shape()) : -1;
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const Message& message : Messages)
            texts << message.text;
        return texts;
    }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            Messages.push_back({box->windowTitle(), box->text(), box->icon(), CursorShape(),
                                Snapshot ? Snapshot() : QString(), box->frameGeometry().center()});
            box->button(QMessageBox::Ok)->click();
        } else if (OnDialog) {
            OnDialog(modal);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    }

    QTimer timer_;
};

}  // namespace jumelix
