#pragma once

#include <QtWidgets>

#include <functional>

namespace jumelix {

// Answers the program's modal windows as a user would: every message box is
// noted and closed with its "OK" button; any other modal window goes to
// OnDialog, which rejects it unless a test says otherwise.
class ModalAnswerer final : public QObject {
public:
    std::function<void(QWidget*)> OnDialog = [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); };
    std::function<QString()> Snapshot;
    // Each box as "caption icon: text", flagged when it is not in the middle of the screen or
    // shows a cursor other than the default one, then " | " and what Snapshot gave as it opened.
    QStringList Messages;

    ModalAnswerer()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::answer);
        timer_.start(2);
    }

    // The application cursor's shape, or -1 for the default cursor.
    static int CursorShape() { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1; }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return OnDialog(modal);
        const char* const icons[] = {"", " information", " warning", " critical", " question"};
        const bool centred = box->frameGeometry().center() == box->screen()->availableGeometry().center();
        Messages << box->windowTitle() + icons[box->icon()] + ": " + box->text() + (centred ? "" : " (off centre)") +
                        (CursorShape() == Qt::ArrowCursor ? "" : " (cursor)") + (Snapshot ? " | " + Snapshot() : "");
        box->button(QMessageBox::Ok)->click();
    }

    QTimer timer_;
};

}  // namespace jumelix
