// File-system calls over the wide-character Windows API. "\" is the delimiter the library writes;
// "/" is read as one too, as Windows itself does.
#include "platform/file_system.h"

#include <windows.h>

#include <string>

#include "platform/windows/system_text.h"
#include "support/error.h"

// <windows.h> maps DeleteFile to DeleteFileW; the library's own DeleteFile is meant here.
#undef DeleteFile

namespace qx::platform {

namespace {

bool IsDelimiter(char16_t c) { return c == u'\\' || c == u'/'; }

// Position of the last delimiter, or of the colon of a drive ("C:name"); npos when none.
size_t LastDelimiter(StringView aPath) {
  for (size_t i = aPath.size(); i > 0; --i)
    if (IsDelimiter(aPath[i - 1]) || (i == 2 && aPath[1] == u':')) return i - 1;
  return StringView::npos;
}

bool Attributes(StringView aPath, WIN32_FILE_ATTRIBUTE_DATA& aData) {
  if (aPath.empty() || HasInvalidPathChars(aPath)) return false;
  return ::GetFileAttributesExW(Wide(aPath).c_str(), GetFileExInfoStandard, &aData) != 0;
}

}  // namespace

bool HasInvalidPathChars(StringView aPath) { return aPath.find(u'\0') != StringView::npos; }

// "\dir", "\\server\share" and "C:\dir" are rooted; "C:dir" is not.
bool IsPathRooted(StringView aPath) {
  if (!aPath.empty() && IsDelimiter(aPath[0])) return true;
  return aPath.size() >= 3 && aPath[1] == u':' && IsDelimiter(aPath[2]);
}

String CombinePath(StringView aDirectory, StringView aName) {
  if (HasInvalidPathChars(aDirectory) || HasInvalidPathChars(aName))
    throw Error(u"Illegal characters in path.");
  if (aDirectory.empty() || IsPathRooted(aName)) return String(aName);
  String out(aDirectory);
  if (!IsDelimiter(out.back()) && out.back() != u':') out += kPathDelimiter;
  out.append(aName);
  return out;
}

String ExtractFileName(StringView aPath) {
  const size_t at = LastDelimiter(aPath);
  return String(at == StringView::npos ? aPath : aPath.substr(at + 1));
}

String ExtractFileDir(StringView aPath) {
  const size_t at = LastDelimiter(aPath);
  if (at == StringView::npos) return String();
  // The root keeps its delimiter: "C:\" and "\" stay whole.
  if (aPath[at] == u':' || at == 0 || (at == 2 && aPath[1] == u':')) return String(aPath.substr(0, at + 1));
  return String(aPath.substr(0, at));
}

String RemoveFileExtension(StringView aPath) {
  const size_t at = LastDelimiter(aPath);
  const size_t dot = aPath.rfind(u'.');
  if (dot == StringView::npos || (at != StringView::npos && dot < at)) return String(aPath);
  return String(aPath.substr(0, dot));
}

bool ForceDirectories(StringView aPath) {
  if (aPath.empty() || HasInvalidPathChars(aPath)) return false;
  for (size_t pos = 1; pos <= aPath.size(); ++pos) {
    if (pos != aPath.size() && !IsDelimiter(aPath[pos])) continue;
    const StringView part = aPath.substr(0, pos);
    // Drive roots ("C:") and the server part of "\\server\share" are not made.
    if (part.back() == u':' || (part.size() >= 2 && IsDelimiter(part[0]) && IsDelimiter(part[1]) &&
                                part.substr(2).find_first_of(u"\\/") == StringView::npos))
      continue;
    if (!::CreateDirectoryW(Wide(part).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS &&
        !DirectoryExists(part))
      return false;
  }
  return DirectoryExists(aPath);
}

bool FileExists(StringView aPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return Attributes(aPath, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(StringView aPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return Attributes(aPath, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t GetFileSize(StringView aPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!Attributes(aPath, data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RenameFile(StringView aFrom, StringView aTo) {
  if (HasInvalidPathChars(aFrom) || HasInvalidPathChars(aTo)) return false;
  // As on Linux, an existing target is replaced.
  return ::MoveFileExW(Wide(aFrom).c_str(), Wide(aTo).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool DeleteFile(StringView aPath) {
  if (HasInvalidPathChars(aPath)) return false;
  return ::DeleteFileW(Wide(aPath).c_str()) != 0;
}

bool AppendToFile(StringView aPath, std::string_view aBytes) {
  if (aPath.empty() || HasInvalidPathChars(aPath)) return false;
  // Readers (a technician's editor) and a renaming rotation may hold the file meanwhile.
  HANDLE file = ::CreateFileW(Wide(aPath).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (!aBytes.empty()) {
    const DWORD chunk = aBytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(aBytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, aBytes.data(), chunk, &written, nullptr) || written == 0) {
      ok = false;
      break;
    }
    aBytes.remove_prefix(written);
  }
  // Closing is the flush: every line is on the file before the next one is taken.
  if (!::CloseHandle(file)) ok = false;
  return ok;
}

bool ReadSmallFile(StringView aPath, std::string& aBytes, size_t aMaxBytes) {
  if (aPath.empty() || HasInvalidPathChars(aPath)) return false;
  HANDLE file = ::CreateFileW(Wide(aPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  aBytes.clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr) || aBytes.size() + n > aMaxBytes) {
      ok = false;
      break;
    }
    if (n == 0) break;
    aBytes.append(buffer, n);
  }
  ::CloseHandle(file);
  return ok;
}

String TemporaryDirectory() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
  if (n == 0 || n > MAX_PATH + 1) return u"C:\\Windows\\Temp";
  String dir = FromWide(std::wstring(buffer, n));
  while (dir.size() > 3 && (dir.back() == u'\\' || dir.back() == u'/')) dir.pop_back();
  return dir;
}

}  // namespace qx::platform
