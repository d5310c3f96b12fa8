#pragma once

namespace jumelix {

// Puts the calling thread behind the window's: batch scheduling, so that the
// window's thread takes a processor as soon as it wakes, and `niceness` more
// than the process. Threads it starts afterwards inherit both.
void RunBehindWindow(int niceness);

}  // namespace jumelix
