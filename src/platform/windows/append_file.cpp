// A file kept open for appending, over the wide-character file API. The file is shared for
// reading, writing and deleting, so that a technician can open, move or remove a log that the
// library holds open, as with a file opened for each line.
#include "platform/append_file.h"

#include <algorithm>

#include "platform/windows/system_text.h"

namespace qx::platform {

namespace {

HANDLE Handle(intptr_t aHandle) { return reinterpret_cast<HANDLE>(aHandle); }

// Volume, file index and read-only flag of a file: what tells one file from another.
bool Identify(HANDLE aFile, uint64_t& aVolume, uint64_t& aIndex, uint32_t& aAttributes) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(aFile, &info)) return false;
  aVolume = info.dwVolumeSerialNumber;
  aIndex = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  aAttributes = info.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
  return true;
}

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool AppendFile::Open(StringView aPath) {
  Close();
  HANDLE file = ::CreateFileW(Wide(aPath).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShare, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size) || !Identify(file, fDevice, fInode, fMode)) {
    ::CloseHandle(file);
    return false;
  }
  fHandle = reinterpret_cast<intptr_t>(file);
  fSize = size.QuadPart;
  return true;
}

void AppendFile::Close() {
  if (fHandle >= 0) ::CloseHandle(Handle(fHandle));
  fHandle = -1;
}

size_t AppendFile::Write(std::string_view aBytes) {
  size_t done = 0;
  while (fHandle >= 0 && done < aBytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(aBytes.size() - done, 1u << 30));
    if (!::WriteFile(Handle(fHandle), aBytes.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  fSize += static_cast<int64_t>(done);
  return done;
}

bool AppendFile::Truncate(int64_t aSize) {
  if (fHandle < 0 || aSize < 0 || aSize > fSize) return false;
  // The handle may only append: the end is set through a second handle that may write.
  wchar_t path[MAX_PATH * 2];
  const DWORD n = ::GetFinalPathNameByHandleW(Handle(fHandle), path, MAX_PATH * 2, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= MAX_PATH * 2) return false;
  HANDLE writer = ::CreateFileW(path, GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end{};
  end.QuadPart = aSize;
  const bool done = ::SetFilePointerEx(writer, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(writer);
  ::CloseHandle(writer);
  if (done) fSize = aSize;
  return done;
}

bool AppendFile::StillNamedBy(StringView aPath) const {
  if (fHandle < 0) return false;
  HANDLE named = ::CreateFileW(Wide(aPath).c_str(), FILE_READ_ATTRIBUTES, kShare, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  uint64_t volume = 0, index = 0;
  uint32_t attributes = 0;
  const bool same = Identify(named, volume, index, attributes) && volume == fDevice && index == fInode &&
                    attributes == fMode;
  ::CloseHandle(named);
  return same;
}

}  // namespace qx::platform

// ---- AppendFileSleep: an auto-reset event; changes to the file are not watched, so Changed
// is always true and the owner looks at the name at every wake-up ----

namespace qx::platform {

AppendFileSleep::AppendFileSleep() {
  HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  fWake = event == nullptr ? -1 : reinterpret_cast<intptr_t>(event);
}

AppendFileSleep::~AppendFileSleep() {
  if (fWake >= 0) ::CloseHandle(Handle(fWake));
}

void AppendFileSleep::Watch(const AppendFile&, StringView) {}

void AppendFileSleep::Unwatch() {}

bool AppendFileSleep::Changed() { return true; }

void AppendFileSleep::Sleep(int aTimeoutMs) {
  constexpr DWORD kFallbackSleepMs = 20;  // no event to wait on: a short sleep, and the caller looks again
  if (fWake < 0) {
    ::Sleep(aTimeoutMs < 0 || static_cast<DWORD>(aTimeoutMs) > kFallbackSleepMs ? kFallbackSleepMs
                                                                                 : static_cast<DWORD>(aTimeoutMs));
    return;
  }
  ::WaitForSingleObject(Handle(fWake), aTimeoutMs < 0 ? INFINITE : static_cast<DWORD>(aTimeoutMs));
}

void AppendFileSleep::Wake() {
  if (fWake >= 0) ::SetEvent(Handle(fWake));
}

}  // namespace qx::platform
