#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/file_system.h"
#include "platform/windows/system_text.h"

namespace qx::platform {

String ExecutablePath() {
  // GetModuleFileNameW does not say how long the path is: grow the buffer until it fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return String();
    if (n < buffer.size()) return FromWide(buffer.data(), n);
    if (buffer.size() >= 32768) return String();
    buffer.resize(buffer.size() * 2);
  }
}

String ExecutableDirectory() { return ExtractFileDir(ExecutablePath()); }

String ExecutableName() { return RemoveFileExtension(ExtractFileName(ExecutablePath())); }

String CurrentDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return String();
  std::wstring buffer(size, L'\0');
  const DWORD n = ::GetCurrentDirectoryW(size, buffer.data());
  if (n == 0 || n >= size) return String();
  return FromWide(buffer.data(), n);
}

StringList CommandLineArguments() {
  StringList arguments;
  int count = 0;
  wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (list == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(FromWide(std::wstring(list[i])));
  ::LocalFree(list);
  return arguments;
}

String EnvironmentVariable(StringView aName) {
  if (aName.empty() || aName.find(u'=') != StringView::npos || aName.find(u'\0') != StringView::npos)
    return String();
  const std::wstring name = Wide(aName);
  std::wstring buffer(256, L'\0');
  for (;;) {
    const DWORD n = ::GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return String();
    if (n < buffer.size()) return FromWide(buffer.data(), n);
    buffer.resize(n);
  }
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(GetCurrentProcessId()); }

bool ProcessIsRunning(uint32_t aProcessId) {
  if (aProcessId == 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, aProcessId);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

}  // namespace qx::platform
