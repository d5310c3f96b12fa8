#pragma once

#include <QString>

#include <functional>

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

// Runs an event handler: an error it raises is shown in the error box, and the
// program goes on.
void RunHandler(QWidget* window, const std::function<void()>& handler);

}  // namespace jumelix
