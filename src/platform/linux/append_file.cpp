#include "platform/append_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/clock.h"

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

bool AppendFile::Truncate(int64_t aSize) {
  if (fHandle < 0 || aSize < 0 || aSize > fSize) return false;
  int result = 0;
  do {
    result = ::ftruncate(static_cast<int>(fHandle), static_cast<off_t>(aSize));
  } while (result != 0 && errno == EINTR);
  if (result != 0) return false;
  fSize = aSize;
  return true;
}

bool AppendFile::StillNamedBy(StringView aPath) const {
  struct stat s {};
  if (fHandle < 0 || ::stat(ToUtf8(aPath).c_str(), &s) != 0) return false;
  return static_cast<uint64_t>(s.st_dev) == fDevice && static_cast<uint64_t>(s.st_ino) == fInode &&
         static_cast<uint32_t>(s.st_mode) == fMode;
}


// ---- AppendFileSleep: an epoll over an eventfd (the wake) and an inotify watch of the file ----

namespace {

constexpr uint32_t kWakeTag = 1;
constexpr uint32_t kWatchTag = 2;
constexpr int kFallbackSleepMs = 20;
// What makes a name stop showing the open file, or its permissions change: unlink and link
// (the link count is an attribute), chmod, rename of the file or over it. Writes do not count.
constexpr uint32_t kFileEvents = IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;
constexpr uint32_t kDirEvents = IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;

void CloseFd(intptr_t& aFd) {
  if (aFd >= 0) ::close(static_cast<int>(aFd));
  aFd = -1;
}

}  // namespace

AppendFileSleep::AppendFileSleep() {
  fWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  fPoller = ::epoll_create1(EPOLL_CLOEXEC);
  fWatcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  // The wake is edge-triggered: every Wake reports once and the counter is never read back, so
  // a wake-up costs no system call of the sleeper beyond its wait.
  epoll_event wake{};
  wake.events = EPOLLIN | EPOLLET;
  wake.data.u32 = kWakeTag;
  if (fWake < 0 || fPoller < 0 || ::epoll_ctl(static_cast<int>(fPoller), EPOLL_CTL_ADD, static_cast<int>(fWake), &wake) != 0) {
    CloseFd(fWake);
    CloseFd(fPoller);
  }
  epoll_event watch{};
  watch.events = EPOLLIN;
  watch.data.u32 = kWatchTag;
  if (fWatcher >= 0 &&
      (fPoller < 0 || ::epoll_ctl(static_cast<int>(fPoller), EPOLL_CTL_ADD, static_cast<int>(fWatcher), &watch) != 0))
    CloseFd(fWatcher);
}

AppendFileSleep::~AppendFileSleep() {
  CloseFd(fWatcher);
  CloseFd(fPoller);
  CloseFd(fWake);
}

void AppendFileSleep::Watch(const AppendFile& aFile, StringView aPath) {
  Unwatch();
  if (fWatcher < 0 || !aFile.IsOpen()) return;  // fChanged stays true: look at the name each time
  const std::string path = ToUtf8(aPath);
  const int watcher = static_cast<int>(fWatcher);
  fFileWatch = ::inotify_add_watch(watcher, path.c_str(), kFileEvents);
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  fDirWatch = ::inotify_add_watch(watcher, dir.c_str(), kDirEvents);
  // The name may have changed between the open and the watch: the watch then serves only once
  // the name is seen to show the open file still.
  fChanged = fFileWatch < 0 || fDirWatch < 0 || !aFile.StillNamedBy(aPath);
}

void AppendFileSleep::Unwatch() {
  // Removing a watch queues an IN_IGNORED for it, which Sleep passes over.
  if (fFileWatch >= 0) ::inotify_rm_watch(static_cast<int>(fWatcher), fFileWatch);
  if (fDirWatch >= 0) ::inotify_rm_watch(static_cast<int>(fWatcher), fDirWatch);
  fFileWatch = -1;
  fDirWatch = -1;
  fChanged = true;
}

bool AppendFileSleep::Changed() {
  // Without both watches in place only a look at the name can tell.
  const bool changed = fChanged || fFileWatch < 0 || fDirWatch < 0;
  fChanged = false;
  return changed;
}

void AppendFileSleep::Sleep(int aTimeoutMs) {
  if (fPoller < 0) {  // no descriptors to wait on: a short sleep, and the caller looks again
    SleepMs(aTimeoutMs < 0 || aTimeoutMs > kFallbackSleepMs ? kFallbackSleepMs : aTimeoutMs);
    return;
  }
  epoll_event events[2];
  const int n = ::epoll_wait(static_cast<int>(fPoller), events, 2, aTimeoutMs < 0 ? -1 : aTimeoutMs);
  for (int i = 0; i < n; ++i) {
    if (events[i].data.u32 != kWatchTag) continue;
    // Read what the watch reported; what one read leaves keeps the watch ready for the next wait.
    alignas(inotify_event) char buffer[4096];
    const ssize_t got = ::read(static_cast<int>(fWatcher), buffer, sizeof buffer);
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      inotify_event event{};
      std::memcpy(&event, buffer + at, sizeof event);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
      if (event.wd != fFileWatch && event.wd != fDirWatch) continue;  // a watch removed earlier
      fChanged = true;
      // The system removed the watch itself (its file is gone): it is not removed again.
      if ((event.mask & IN_IGNORED) != 0) (event.wd == fFileWatch ? fFileWatch : fDirWatch) = -1;
    }
  }
}

void AppendFileSleep::Wake() {
  const uint64_t one = 1;
  if (fWake >= 0) {
    // The counter grows by one per wake and is never read; it cannot fill in practice (2^64).
    [[maybe_unused]] const ssize_t n = ::write(static_cast<int>(fWake), &one, sizeof one);
  }
}

}  // namespace qx::platform
