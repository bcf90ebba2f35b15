#include "platform/companion_library.h"

#include <map>
#include <mutex>

#include "platform/file_system.h"
#include "platform/process.h"
#include "support/error.h"

namespace qx::platform {

LibraryHandle LoadCompanionLibrary(StringView aFileName) {
  if (HasInvalidPathChars(aFileName)) throw Error(u"Invalid characters in path");
  const String path = CombinePath(CurrentDirectory(), aFileName);
  static std::mutex mutex;
  static std::map<String, LibraryHandle> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  const auto found = loaded.find(path);
  if (found != loaded.end()) return found->second;
  String message;
  int32_t code = 0;
  LibraryHandle handle = LoadDynamicLibrary(path, message, code);
  if (handle == nullptr)
    throw Error(u"Unable to load library " + path + u". Error code: [" + IntToStr(code) + u"]");
  loaded.emplace(path, handle);
  return handle;
}

CompanionInput::CompanionInput(StringView aText)
    : fText(BstrAlloc(aText.data(), static_cast<uint32_t>(aText.size()))) {
  if (fText == nullptr && !aText.empty()) throw Error(u"Out of memory");
}

CompanionInput::~CompanionInput() { BstrFree(fText); }

String TakeCompanionText(Bstr& aText) {
  String out = aText == nullptr ? String() : String(aText, BstrLength(aText));
  BstrFree(aText);
  aText = nullptr;
  return out;
}

}  // namespace qx::platform
