#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace jumelix {

// The program's message boxes, each with one "OK" button.
enum class MessageKind {
    Information,  // caption "Information", information icon
    Warning,      // caption "Avertissement", exclamation icon
    Plain,        // caption the application title, no icon
    Error,        // caption the application title, stop icon
};

void ShowMessage(QWidget* parent, MessageKind kind, const QString& text);

// An error's text as the error box shows it: a full stop is added unless the
// last character's code is at or below that of ".".
QString ErrorBoxText(const QString& error);

// While a modal window is open the default cursor shows; when it closes the
// cursor in force before comes back, unless the cursor was changed meanwhile,
// in which case the default cursor is set.
class ModalCursor {
public:
    ModalCursor();
    ~ModalCursor();
    ModalCursor(const ModalCursor&) = delete;
    ModalCursor& operator=(const ModalCursor&) = delete;
};

// Shows a dialog modally under the modal cursor rule.
int ExecModal(QDialog& dialog);

// Drops every application cursor: the default cursor shows.
void SetDefaultCursor();

}  // namespace jumelix
