#include "common/driver_library.h"

#include <dlfcn.h>

namespace qxtools {

bool DriverLibrary::Load(const std::string& aPath, std::string& aError) {
  Unload();
  fHandle = ::dlopen(aPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fHandle == nullptr) {
    const char* message = ::dlerror();
    aError = message != nullptr ? message : "cannot load " + aPath;
    return false;
  }
  fAlloc = reinterpret_cast<decltype(fAlloc)>(::dlsym(fHandle, "SysAllocStringLen"));
  fFree = reinterpret_cast<decltype(fFree)>(::dlsym(fHandle, "SysFreeString"));
  fLength = reinterpret_cast<decltype(fLength)>(::dlsym(fHandle, "SysStringLen"));
  if (fAlloc == nullptr || fFree == nullptr || fLength == nullptr) {
    aError = aPath + " is not the driver library";
    Unload();
    return false;
  }
  return true;
}

void DriverLibrary::Unload() {
  if (fHandle != nullptr) ::dlclose(fHandle);
  fHandle = nullptr;
}

RequestFunction DriverLibrary::Find(const char* aName) const {
  return fHandle == nullptr ? nullptr : reinterpret_cast<RequestFunction>(::dlsym(fHandle, aName));
}

}  // namespace qxtools
