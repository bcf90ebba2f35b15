#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qx::platform {

bool AppendFile::Open(StringView aPath) {
  Close();
  const int fd = ::open(ToUtf8(aPath).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat s {};
  if (::fstat(fd, &s) != 0) {
    ::close(fd);
    return false;
  }
  fHandle = fd;
  fSize = static_cast<int64_t>(s.st_size);
  fDevice = static_cast<uint64_t>(s.st_dev);
  fInode = static_cast<uint64_t>(s.st_ino);
  fMode = static_cast<uint32_t>(s.st_mode);
  return true;
}

void AppendFile::Close() {
  if (fHandle >= 0) ::close(static_cast<int>(fHandle));
  fHandle = -1;
}

size_t AppendFile::Write(std::string_view aBytes) {
  size_t done = 0;
  while (fHandle >= 0 && done < aBytes.size()) {
    const ssize_t n = ::write(static_cast<int>(fHandle), aBytes.data() + done, aBytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  fSize += static_cast<int64_t>(done);
  return done;
}

bool AppendFile::StillNamedBy(StringView aPath) const {
  struct stat s {};
  if (fHandle < 0 || ::stat(ToUtf8(aPath).c_str(), &s) != 0) return false;
  return static_cast<uint64_t>(s.st_dev) == fDevice && static_cast<uint64_t>(s.st_ino) == fInode &&
         static_cast<uint32_t>(s.st_mode) == fMode;
}

}  // namespace qx::platform
