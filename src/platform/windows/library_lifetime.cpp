// The DLL's entry point records why it is being detached; the C runtime calls it before it runs
// the library's exit hooks, so the hooks know whether FreeLibrary or the end of the process
// unloads them.
#include "platform/library_lifetime.h"

#include <windows.h>

#include <atomic>

namespace qx::platform {

namespace {

enum class Detach { none, free_library, process_end };

std::atomic<Detach> gDetach{Detach::none};

}  // namespace

bool ProcessIsEnding() { return gDetach.load() == Detach::process_end; }

void EndOfLibraryThread() {
  // A thread ended this way keeps the C runtime's small per-thread block; that is the price of an
  // unload that cannot deadlock.
  if (gDetach.load() == Detach::free_library) ::TerminateThread(::GetCurrentThread(), 0);
}

}  // namespace qx::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD aReason, LPVOID aReserved) {
  if (aReason == DLL_PROCESS_DETACH)
    qx::platform::gDetach.store(aReserved != nullptr ? qx::platform::Detach::process_end
                                                     : qx::platform::Detach::free_library);
  return TRUE;
}
