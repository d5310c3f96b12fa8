#pragma once

#include <QString>

#include <functional>

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

// Runs an event handler: an error it raises is shown in the error box, and the
// program goes on.
void RunHandler(QWidget* window, const std::function<void()>& handler);

// Moves a window to the centre of its screen.
void CentreOnScreen(QWidget& window);

// Shows a dialog modally under the cursor rule of modal windows.
int ExecModal(QDialog& dialog);

}  // namespace jumelix
