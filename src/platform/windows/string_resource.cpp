// The version records of the DLL's string-table resource (version_resource.rc).
#include "platform/string_resource.h"

#include <windows.h>

namespace qx::platform {

namespace {

// The module that holds this code: the DLL, not the host program.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

String LoadStringResource(int32_t aId) {
  if (aId < 0 || aId > 0xFFFF) return String();
  wchar_t buffer[1025];
  const int length = ::LoadStringW(ThisModule(), static_cast<UINT>(aId), buffer, 1025);
  if (length <= 0) return String();
  return String(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length));
}

}  // namespace qx::platform
