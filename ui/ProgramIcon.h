#pragma once

#include <QIcon>

namespace jumelix {

// The program's icon in every size it was rendered at, for the windows and the
// application (resource files ":/icons/<size>/jumelix.png").
QIcon ProgramIcon();

}  // namespace jumelix
