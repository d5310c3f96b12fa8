#pragma once

#include <QFont>

namespace jumelix {

// The windows' font. "MS Sans Serif" does not exist here: a sans-serif face of
// about its widths, sized in pixels so that the texts fit the fixed layouts
// whatever the screen's resolution.
QFont WindowFont(int pixelSize, bool bold);

}  // namespace jumelix
