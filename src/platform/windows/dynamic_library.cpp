// Libraries loaded at run time with LoadLibraryW and GetProcAddress.
#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/windows/system_text.h"

namespace qx::platform {

LibraryHandle LoadDynamicLibrary(StringView aName, String& aErrorText, int32_t& aErrorCode) {
  HMODULE module = ::LoadLibraryW(Wide(aName).c_str());
  if (module == nullptr) {
    const DWORD error = ::GetLastError();
    aErrorText = SystemMessage(error);
    aErrorCode = static_cast<int32_t>(error);
  }
  return reinterpret_cast<LibraryHandle>(module);
}

void* FindSymbol(LibraryHandle aLibrary, const std::string& aSymbol) {
  if (aLibrary == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(aLibrary), aSymbol.c_str()));
}

void FreeDynamicLibrary(LibraryHandle aLibrary) {
  if (aLibrary != nullptr) ::FreeLibrary(static_cast<HMODULE>(aLibrary));
}

String NativeLibraryFileName(StringView aWindowsName) { return String(aWindowsName); }

}  // namespace qx::platform
