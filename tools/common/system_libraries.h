// The system libraries that the driver library uses, kept loaded for the life of a test program
// (Linux). Some keep state that they never free: libpixman's tables from its load-time
// constructor (through cairo), libcups' per-thread state, libcurl's cookie-file list
// (tests/lsan.supp). Unloaded with the driver library, that state would be reported by
// LeakSanitizer at the program's exit from modules that are gone, which no suppression can name;
// kept loaded, it stays reachable or can be named. The driver library itself is still loaded and
// unloaded as the program says.
#pragma once

#include <dlfcn.h>

#include <initializer_list>

namespace qxtools {

inline void KeepSystemLibrariesLoaded() {
  static const bool kept = [] {
    for (const char* name : {"libcurl.so.4", "libcups.so.2", "libcairo.so.2", "libpixman-1.so.0", "libfontconfig.so.1",
                             "libfreetype.so.6", "libjpeg.so.62", "libpugixml.so.1"})
      (void)::dlopen(name, RTLD_NOW | RTLD_NODELETE);
    return true;
  }();
  (void)kept;
}

}  // namespace qxtools
