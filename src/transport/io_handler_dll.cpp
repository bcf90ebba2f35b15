#include "transport/io_handler_dll.h"

#include "support/error.h"

namespace qx {

namespace {

const char16_t kCreateTitle[] = u"kIOHandler_Dll.Create";
const char16_t kDestroyTitle[] = u"kIOHandler_Dll.Destroy";
// The number the system gives for a library that is not found.
constexpr int32_t kNoLibraryNameError = 126;

}  // namespace

kIOHandler_Dll::kIOHandler_Dll(const kConnection& aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler_Passive(&aConnection, aDirectory, aFileName) {
  const String& name = aConnection.LibraryName();
  WriteLog(let_info, kCreateTitle, u"Loading DLL " + name);
  String message;
  int32_t number = 0;
  // dlopen of an empty name gives the host program itself, whose functions are no device's.
  if (name.empty()) {
    message = u"No library name given";
    number = kNoLibraryNameError;
  } else {
    fLibraryHandle = platform::LoadDynamicLibrary(name, message, number);
  }
  if (fLibraryHandle == nullptr)
    throw Error(u"Unable to Load Library " + name + u". " + message + u" [" + IntToStr(number) + u"]");
  WriteLog(let_info, kCreateTitle, u"DLL Loaded successfully");
}

kIOHandler_Dll::~kIOHandler_Dll() {
  if (fLibraryHandle == nullptr) return;
  try {
    WriteLog(let_info, kDestroyTitle, u"Unloading DLL");
  } catch (...) {
    // A log line that cannot be queued must not keep the library loaded.
  }
  platform::FreeDynamicLibrary(fLibraryHandle);
  fLibraryHandle = nullptr;
  try {
    WriteLog(let_info, kDestroyTitle, u"DLL Unloaded Successfully");
  } catch (...) {
  }
}

void* kIOHandler_Dll::GetAddress(StringView aProcName) const {
  void* address = platform::FindSymbol(fLibraryHandle, ToUtf8(aProcName));
  if (address == nullptr) throw Error(u"Unable to get address for procedure " + String(aProcName));
  return address;
}

}  // namespace qx
