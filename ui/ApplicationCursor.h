#pragma once

#include <QtCore/qnamespace.h>

namespace jumelix {

// The application-wide cursor is one value: the top of Qt's override-cursor
// stack, or the default cursor when the stack is empty. Setting it replaces
// the top; the default empties the stack.
void SetApplicationCursor(Qt::CursorShape shape);
void SetDefaultApplicationCursor();

// The cursor rule of a modal window, for as long as the scope lives: the
// default cursor shows while the window is open; when it closes, the
// application cursor in force before comes back if nothing changed it
// meanwhile, otherwise the default cursor is set.
class ModalCursorScope {
public:
    ModalCursorScope();
    ~ModalCursorScope();
    ModalCursorScope(const ModalCursorScope&) = delete;
    ModalCursorScope& operator=(const ModalCursorScope&) = delete;

private:
    unsigned changesAtOpen_;
};

}  // namespace jumelix
