// The driver library as a calling program sees it: loaded at run time by its path, its exported
// functions found by name, and the BSTR allocator the caller shares with it (on Linux the one the
// library exports, on Windows OLEAUT32's). For the programs outside the library: fpcall and the
// test programs. driver_library_posix.cpp and driver_library_windows.cpp implement it.
#pragma once

#include <cstdint>
#include <string>

#include "QXRP_EPSFPNAT_20.h"

namespace qxtools {

using RequestFunction = QXRP_RESULT(QXRP_CALL*)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*);

class DriverLibrary {
 public:
  DriverLibrary() = default;
  ~DriverLibrary() { Unload(); }
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  // Loads the library; false with aError set when it cannot be loaded or lacks the allocator.
  bool Load(const std::string& aPath, std::string& aError);
  bool IsLoaded() const { return fHandle != nullptr; }
  // Unloads it (dlclose, FreeLibrary); nothing when it is not loaded.
  void Unload();
  // An exported request function (VERSION too), or nullptr.
  RequestFunction Find(const char* aName) const;

  QXRP_BSTR Alloc(const std::u16string& aText) const {
    return fAlloc(reinterpret_cast<const QXRP_OLECHAR*>(aText.data()), static_cast<uint32_t>(aText.size()));
  }
  void Free(QXRP_BSTR aText) const { fFree(aText); }
  std::u16string Text(QXRP_BSTR aText) const {
    if (aText == nullptr) return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t*>(aText), fLength(aText));
  }

 private:
  void* fHandle = nullptr;
  QXRP_BSTR(QXRP_CALL* fAlloc)(const QXRP_OLECHAR*, uint32_t) = nullptr;
  void(QXRP_CALL* fFree)(QXRP_BSTR) = nullptr;
  uint32_t(QXRP_CALL* fLength)(QXRP_BSTR) = nullptr;
};

}  // namespace qxtools
