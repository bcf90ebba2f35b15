// The companion libraries (the processor and the RT-server library): loaded by file name from the
// working directory, once per process, and never unloaded, and the texts handed to and taken from
// them as length-prefixed UTF-16 strings of the exported allocator.
#pragma once

#include "platform/bstr_allocator.h"
#include "platform/dynamic_library.h"
#include "support/text.h"

// The calling convention of the companion libraries' entry points.
#if defined(_WIN32)
#define QX_COMPANION_CALL __stdcall
#else
#define QX_COMPANION_CALL
#endif

namespace qx::platform {

// The library aFileName, combined with the working directory unless it is rooted. A library
// already loaded by this process under the same path is handed out again: a device released while
// another still calls into the library must not pull it away. Raises "Invalid characters in path"
// and "Unable to load library <path>. Error code: [<n>]".
LibraryHandle LoadCompanionLibrary(StringView aFileName);

// The entry point aName of aLibrary cast to its procedure type; nullptr when the library lacks it.
template <typename Entry>
Entry FindEntry(LibraryHandle aLibrary, const char* aName) {
  return reinterpret_cast<Entry>(FindSymbol(aLibrary, aName));
}

// An input text as a string of the exported allocator, released when the call is over.
class CompanionInput {
 public:
  explicit CompanionInput(StringView aText);
  ~CompanionInput();
  CompanionInput(const CompanionInput&) = delete;
  CompanionInput& operator=(const CompanionInput&) = delete;
  Bstr Get() const { return fText; }

 private:
  Bstr fText;
};

// A text a library produced, copied and released (empty for null).
String TakeCompanionText(Bstr& aText);

}  // namespace qx::platform
