// A file kept open for appending, as the log writer uses it: it tracks its own size and can
// tell, with one look at the name, whether the name still shows the file that is open. The
// writer's thread sleeps in an AppendFileSleep, which also watches the open file where the
// system can report what happens to it, so the look at the name is needed only after a change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/text.h"

namespace qx::platform {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens aPath for appending, creating it when missing; false when it cannot.
  bool Open(StringView aPath);
  bool IsOpen() const { return fHandle >= 0; }
  void Close();
  // Appends the bytes in one system write when it can; returns how many were written (fewer
  // than asked when the write failed).
  size_t Write(std::string_view aBytes);
  // Cuts the open file back to aSize bytes (no more than it has), so that a write that failed
  // half-way leaves nothing of itself; false when it cannot.
  bool Truncate(int64_t aSize);
  // The file's size when it was opened plus everything written since.
  int64_t Size() const { return fSize; }
  // False when aPath no longer names the open file (removed, moved aside, replaced) or its
  // permissions changed since it was opened: a new open then decides, as it would for a
  // file opened for each line.
  bool StillNamedBy(StringView aPath) const;

 private:
  intptr_t fHandle = -1;
  int64_t fSize = 0;
  uint64_t fDevice = 0;
  uint64_t fInode = 0;
  uint32_t fMode = 0;
};

// The sleep of the thread that owns an AppendFile. Sleep ends on Wake (from any thread), when
// its time is up, or when the watched file's name, links or attributes change; Changed then
// tells the owner to look at the name. Where the system reports no such changes (or refuses a
// watch), Changed is always true and the owner looks at the name at every wake-up.
class AppendFileSleep {
 public:
  AppendFileSleep();
  ~AppendFileSleep();
  AppendFileSleep(const AppendFileSleep&) = delete;
  AppendFileSleep& operator=(const AppendFileSleep&) = delete;

  // Watches aFile, just opened under aPath, in place of what was watched before. Unwatch ends
  // the watch (call it before the file is closed or moved by its owner).
  void Watch(const AppendFile& aFile, StringView aPath);
  void Unwatch();
  // True when the watched file may have changed since Watch or the last call.
  bool Changed();
  // Sleeps until Wake, until aTimeoutMs have passed (negative: no limit) or until the watched
  // file changes; it may also end early for no reason, so callers check their own condition.
  void Sleep(int aTimeoutMs);
  // Ends the current or the next Sleep. Callable from any thread.
  void Wake();

 private:
  intptr_t fWake = -1;     // Linux: eventfd; Windows: auto-reset event
  intptr_t fPoller = -1;   // Linux: epoll over the wake and the watch
  intptr_t fWatcher = -1;  // Linux: inotify; -1 where changes are not reported
  int fFileWatch = -1;
  int fDirWatch = -1;
  bool fChanged = true;
};

}  // namespace qx::platform
