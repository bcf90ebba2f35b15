// How the library's background threads (the log writers) end when the library goes away.
#pragma once

namespace qx::platform {

// True while the library is being unloaded because the whole process is ending (Windows: the
// system has already stopped every other thread, so there is nothing left to wait for or to shut
// down). False on Linux, where the library's exit hooks run while its threads still live.
bool ProcessIsEnding();

// The last call of each background thread of the library, made after it has released its locks.
// While the library is being unloaded with FreeLibrary, Windows holds its loader lock in the
// unloading thread, which waits for this thread to end, and the system's normal end of a thread
// waits for that same lock: there the thread ends itself at once, without the system's per-thread
// notifications. Everywhere else this returns and the thread ends as usual.
void EndOfLibraryThread();

}  // namespace qx::platform
