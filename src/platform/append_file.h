// A file kept open for appending, as the log writer uses it: it tracks its own size and can
// tell, with one look at the name, whether the name still shows the file that is open.
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

}  // namespace qx::platform
