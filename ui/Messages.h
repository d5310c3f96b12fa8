#pragma once

#include <QShowEvent>
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

// Runs an event handler: an error it raises is shown in the error box, and the
// program goes on.
void RunHandler(QWidget* window, const std::function<void()>& handler);

// Moves a window to the centre of its screen.
void CentreOnScreen(QWidget& window);

// A window that the program shows in the middle of its screen, each time,
// once its own show handling has given it its size.
template <typename Window>
class Centred : public Window {
public:
    using Window::Window;

protected:
    void showEvent(QShowEvent* event) override
    {
        Window::showEvent(event);
        if (!event->spontaneous())
            CentreOnScreen(*this);
    }
};

// Shows a dialog modally under the cursor rule of modal windows.
int ExecModal(QDialog& dialog);

}  // namespace jumelix
