#include <windows.h>
#include <oleauto.h>

#include "common/driver_library.h"

namespace qxtools {

namespace {

std::wstring WidePath(const std::string& aPath) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, aPath.data(), static_cast<int>(aPath.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, aPath.data(), static_cast<int>(aPath.size()), out.data(), n);
  return out;
}

}  // namespace

bool DriverLibrary::Load(const std::string& aPath, std::string& aError) {
  Unload();
  fHandle = reinterpret_cast<void*>(::LoadLibraryW(WidePath(aPath).c_str()));
  if (fHandle == nullptr) {
    aError = "cannot load " + aPath + " (error #" + std::to_string(::GetLastError()) + ")";
    return false;
  }
  // The caller's strings come from the system allocator, as a Windows POS program's do.
  fAlloc = reinterpret_cast<decltype(fAlloc)>(&::SysAllocStringLen);
  fFree = reinterpret_cast<decltype(fFree)>(&::SysFreeString);
  fLength = reinterpret_cast<decltype(fLength)>(&::SysStringLen);
  return true;
}

void DriverLibrary::Unload() {
  if (fHandle != nullptr) ::FreeLibrary(static_cast<HMODULE>(fHandle));
  fHandle = nullptr;
}

RequestFunction DriverLibrary::Find(const char* aName) const {
  if (fHandle == nullptr) return nullptr;
  return reinterpret_cast<RequestFunction>(reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(fHandle), aName)));
}

}  // namespace qxtools
