#include "ui/ApplicationCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace jumelix {
namespace {

// Counts the changes made through this unit, so that a modal window can tell
// whether the cursor was changed while it was open.
unsigned changeCount = 0;

}  // namespace

void SetApplicationCursor(Qt::CursorShape shape)
{
    ++changeCount;
    if (QGuiApplication::overrideCursor()) {
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(shape));
    }
}

void SetDefaultApplicationCursor()
{
    ++changeCount;
    while (QGuiApplication::overrideCursor()) {
        QGuiApplication::restoreOverrideCursor();
    }
}

ModalCursorScope::ModalCursorScope() : changesAtOpen_(changeCount)
{
    // Pushed over the cursor in force, so that popping it brings that one back.
    QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
}

ModalCursorScope::~ModalCursorScope()
{
    if (changeCount == changesAtOpen_) {
        QGuiApplication::restoreOverrideCursor();
    } else {
        SetDefaultApplicationCursor();
    }
}

}  // namespace jumelix
