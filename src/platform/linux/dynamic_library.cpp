// Libraries loaded at run time over dlopen and dlsym.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace qx::platform {

LibraryHandle LoadDynamicLibrary(StringView aName, String& aErrorText, int32_t& aErrorCode) {
  ::dlerror();
  void* handle = ::dlopen(ToUtf8(aName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = ::dlerror();
    aErrorText = FromUtf8(message != nullptr ? message : "unknown error");
    // dlopen tells no error number; a missing or unreadable file is the usual cause.
    aErrorCode = 126;
  }
  return handle;
}

void* FindSymbol(LibraryHandle aLibrary, const std::string& aSymbol) {
  if (aLibrary == nullptr) return nullptr;
  return ::dlsym(aLibrary, aSymbol.c_str());
}

void FreeDynamicLibrary(LibraryHandle aLibrary) {
  if (aLibrary != nullptr) ::dlclose(aLibrary);
}

String NativeLibraryFileName(StringView aWindowsName) {
  String name(aWindowsName);
  if (name.size() >= 4 && LowerCase(name.substr(name.size() - 4)) == u".dll") name.replace(name.size() - 4, 4, u".so");
  return name;
}

}  // namespace qx::platform
