#pragma once

namespace jumelix {

// Set and cleared by the step commands and the key handler; read by the walk
// and the search at their stop points.
struct RunFlags {
    bool WalkRunning = false;
    bool WalkStop = false;
    bool SearchRunning = false;
    bool SearchStop = false;
};

}  // namespace jumelix
