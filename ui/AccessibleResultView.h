#pragma once

namespace jumelix {

// Makes every ResultView an accessible table: its column headers as header
// cells that can be pressed, its rows counted up to INT_MAX, and any cell made
// on demand. Call it before a ResultView is made, as a widget keeps the
// accessible interface it was first given; calls after the first do nothing.
void InstallAccessibleResultView();

}  // namespace jumelix
