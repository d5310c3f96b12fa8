#include "ui/WindowPlacement.h"

#include "ui/ApplicationCursor.h"

#include <QDialog>
#include <QScreen>
#include <QWidget>

namespace jumelix {

void CentreOnScreen(QWidget& window)
{
    QRect frame = window.frameGeometry();
    frame.moveCenter(window.screen()->availableGeometry().center());
    window.move(frame.topLeft());
}

int ExecModal(QDialog& dialog)
{
    const ModalCursorScope cursor;
    return dialog.exec();
}

}  // namespace jumelix
