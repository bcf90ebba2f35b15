// Libraries loaded at run time: the companion libraries and the library transport.
#pragma once

#include <cstdint>
#include <string>

#include "support/text.h"

namespace qx::platform {

// An opaque handle of a loaded library; nullptr for none.
using LibraryHandle = void*;

// Loads the library by the name given (a path, or a name the system looks up). On failure it
// answers nullptr and sets aErrorText and aErrorCode to the system's message and number.
LibraryHandle LoadDynamicLibrary(StringView aName, String& aErrorText, int32_t& aErrorCode);
// The address of an exported symbol; nullptr when the library lacks it.
void* FindSymbol(LibraryHandle aLibrary, const std::string& aSymbol);
void FreeDynamicLibrary(LibraryHandle aLibrary);
// The file name of a library named as on Windows ("name.dll") on this system: unchanged on
// Windows; on Linux a trailing ".dll" (any letter case) becomes ".so".
String NativeLibraryFileName(StringView aWindowsName);

}  // namespace qx::platform
