#include "platform/file_system.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "support/error.h"

namespace qx::platform {

bool HasInvalidPathChars(StringView aPath) { return aPath.find(u'\0') != StringView::npos; }

bool IsPathRooted(StringView aPath) { return !aPath.empty() && aPath[0] == kPathDelimiter; }

String CombinePath(StringView aDirectory, StringView aName) {
  if (HasInvalidPathChars(aDirectory) || HasInvalidPathChars(aName))
    throw Error(u"Illegal characters in path.");
  if (aDirectory.empty() || IsPathRooted(aName)) return String(aName);
  String out(aDirectory);
  if (out.back() != kPathDelimiter) out += kPathDelimiter;
  out.append(aName);
  return out;
}

String ExtractFileName(StringView aPath) {
  const size_t slash = aPath.rfind(kPathDelimiter);
  return String(slash == StringView::npos ? aPath : aPath.substr(slash + 1));
}

String ExtractFileDir(StringView aPath) {
  const size_t slash = aPath.rfind(kPathDelimiter);
  if (slash == StringView::npos) return String();
  return String(aPath.substr(0, slash == 0 ? 1 : slash));
}

String RemoveFileExtension(StringView aPath) {
  const size_t slash = aPath.rfind(kPathDelimiter);
  const size_t dot = aPath.rfind(u'.');
  if (dot == StringView::npos || (slash != StringView::npos && dot < slash)) return String(aPath);
  return String(aPath.substr(0, dot));
}

bool ForceDirectories(StringView aPath) {
  if (aPath.empty() || HasInvalidPathChars(aPath)) return false;
  const std::string path = ToUtf8(aPath);
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(StringView aPath) {
  struct stat st{};
  return ::stat(ToUtf8(aPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(StringView aPath) {
  struct stat st{};
  return ::stat(ToUtf8(aPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t GetFileSize(StringView aPath) {
  struct stat st{};
  if (::stat(ToUtf8(aPath).c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool RenameFile(StringView aFrom, StringView aTo) {
  return std::rename(ToUtf8(aFrom).c_str(), ToUtf8(aTo).c_str()) == 0;
}

bool DeleteFile(StringView aPath) { return ::unlink(ToUtf8(aPath).c_str()) == 0; }

bool AppendToFile(StringView aPath, std::string_view aBytes) {
  const int fd = ::open(ToUtf8(aPath).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  while (!aBytes.empty()) {
    const ssize_t n = ::write(fd, aBytes.data(), aBytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    aBytes.remove_prefix(static_cast<size_t>(n));
  }
  // Closing is the flush: every line is on the file before the next one is taken.
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool ReadSmallFile(StringView aPath, std::string& aBytes, size_t aMaxBytes) {
  const int fd = ::open(ToUtf8(aPath).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  aBytes.clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || aBytes.size() + static_cast<size_t>(n) > aMaxBytes) {
      ok = false;
      break;
    }
    if (n == 0) break;
    aBytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

String TemporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? FromUtf8(dir) : String(u"/tmp");
}

}  // namespace qx::platform
