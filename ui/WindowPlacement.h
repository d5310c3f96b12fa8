#pragma once

#include <QShowEvent>

class QDialog;
class QWidget;

namespace jumelix {

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
