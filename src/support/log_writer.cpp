#include "support/log_writer.h"

#include <chrono>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/library_lifetime.h"
#include "support/error.h"

namespace qx {

namespace {

constexpr int kWriteAttempts = 10;
constexpr int kAttemptPauseMs = 50;

String Digits(int aValue, size_t aWidth) { return PadLeft(IntToStr(aValue), aWidth, u'0'); }

String DateStamp(const platform::LocalTime& t) {
  return Digits(t.Year, 4) + Digits(t.Month, 2) + Digits(t.Day, 2);
}

// "yyyy-mm-dd hh:mm:ss:zzz". The time separator is a colon: the locales this library runs
// under name no other for the log's format settings.
String LineStamp(const platform::LocalTime& t) {
  String s;
  s.reserve(23);
  s += Digits(t.Year, 4) + u"-" + Digits(t.Month, 2) + u"-" + Digits(t.Day, 2) + u" ";
  s += Digits(t.Hour, 2) + u":" + Digits(t.Minute, 2) + u":" + Digits(t.Second, 2) + u":" +
       Digits(t.Millisecond, 3);
  return s;
}

// "yyyymmddhhnnsszzz" for the name of a file moved aside.
String RotationStamp(const platform::LocalTime& t) {
  return DateStamp(t) + Digits(t.Hour, 2) + Digits(t.Minute, 2) + Digits(t.Second, 2) +
         Digits(t.Millisecond, 3);
}

}  // namespace

// ---- tQX_LogThread ----

tQX_LogThread::tQX_LogThread(tQX_LogWriter& aWriter)
    : fWriter(aWriter), fLock(aWriter.fLock), fThread([this] { Execute(); }) {}

tQX_LogThread::~tQX_LogThread() {
  {
    std::lock_guard<std::mutex> guard(fLock);
    fTerminated = true;
  }
  fWake.notify_one();
  // The loop drains the queue before it ends, so joining is waiting for the last line.
  if (fThread.joinable()) fThread.join();
}

void tQX_LogThread::Push(String aLine) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> guard(fLock);
    fQueue.push_back(std::move(aLine));
    wake = fIdle;
  }
  if (wake) fWake.notify_one();
}

size_t tQX_LogThread::Count() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fQueue.size();
}

void tQX_LogThread::Execute() {
  std::unique_lock<std::mutex> lock(fLock);
  std::vector<const String*> batch;
  for (;;) {
    if (fQueue.empty()) {
      if (fTerminated) break;  // terminated and drained
      // Nothing came during the gathering wait: sleep until a Push wakes the thread.
      fIdle = true;
      fWake.wait(lock, [this] { return !fQueue.empty() || fTerminated; });
      fIdle = false;
      continue;
    }
    // The lines stay queued while they are written; references into a deque survive
    // push_back, and this thread is the only one that removes lines.
    batch.clear();
    for (const String& line : fQueue) batch.push_back(&line);
    lock.unlock();
    try {
      fWriter.WriteToFile(batch);
    } catch (...) {
      // Lines that cannot be formatted for the disk are dropped like lines that cannot be written.
    }
    lock.lock();
    fQueue.erase(fQueue.begin(), fQueue.begin() + static_cast<std::ptrdiff_t>(batch.size()));
    // A wait that Push does not signal: the lines of the next few milliseconds go out together
    // in one write, and their callers do not wake the thread. The end cuts it short.
    fWake.wait_for(lock, std::chrono::milliseconds(kGatherMs), [this] { return fTerminated; });
  }
  lock.unlock();
  platform::EndOfLibraryThread();
}

// ---- tQX_LogWriter ----

tQX_LogWriter::tQX_LogWriter(StringView aFileName, StringView aDirectory, int32_t aMaxMessageLength,
                             bool aDaily) {
  String name(aFileName);
  if (aDaily) name += u"_" + DateStamp(platform::LocalNow());
  name += u".log";
  fFileName = name;
  SetDirectory(aDirectory);
  fMaxMessageLength = aMaxMessageLength;
  fDaily = aDaily;
  fMaxLogfileSize = 5000;
  fThread = std::make_unique<tQX_LogThread>(*this);
}

tQX_LogWriter::~tQX_LogWriter() { fThread.reset(); }

String tQX_LogWriter::Directory() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fDirectory;
}

void tQX_LogWriter::SetDirectory(StringView aValue) {
  String joined;
  {
    std::lock_guard<std::mutex> guard(fLock);
    fDirectory = String(aValue);
    joined = platform::CombinePath(fDirectory, platform::ExtractFileName(fFileName));
    fFileName = joined;
  }
  // A directory that cannot be created shows later as lines that fail their attempts.
  if (!aValue.empty()) platform::ForceDirectories(aValue);
}

String tQX_LogWriter::FileName() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fFileName;
}

void tQX_LogWriter::SetFileName(StringView aValue) {
  std::lock_guard<std::mutex> guard(fLock);
  fFileName = platform::CombinePath(fDirectory, platform::ExtractFileName(aValue));
}

int32_t tQX_LogWriter::MaxLogFileSize() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fMaxLogfileSize;
}

void tQX_LogWriter::SetMaxLogFileSize(int32_t aValue) {
  std::lock_guard<std::mutex> guard(fLock);
  fMaxLogfileSize = aValue;
}

void tQX_LogWriter::Write(tQX_MessageType aEntryType, StringView aMessage) {
  if (FileName().empty()) throw Error(u"Log filename is empty ");
  String line = LineStamp(platform::LocalNow());
  line += aEntryType == let_error ? u" - ERROR - " : u" - ";
  if (fMaxMessageLength > 0 && aMessage.size() > static_cast<size_t>(fMaxMessageLength))
    aMessage = aMessage.substr(0, static_cast<size_t>(fMaxMessageLength));
  line.append(aMessage);
  fThread->Push(std::move(line));
}

int64_t tQX_LogWriter::GetLogFileSize() const { return platform::GetFileSize(FileName()); }

void tQX_LogWriter::WriteToFile(const std::vector<const String*>& aLines) {
  String fileName;
  int64_t limit = 0;
  {
    std::lock_guard<std::mutex> guard(fLock);
    fileName = fFileName;
    limit = static_cast<int64_t>(fMaxLogfileSize) * 1024;
  }
  // The open file serves only while its name still shows it: a new name, a file removed, moved
  // aside or made read-only by someone else gets a new open, as an open per line would.
  if (fFile.IsOpen() && (fOpenName != fileName || !fFile.StillNamedBy(fileName))) fFile.Close();
  if (!fFile.IsOpen() && fFile.Open(fileName)) fOpenName = fileName;
  std::string bytes;
  for (const String* line : aLines) {
    // The size the file would have had before this line; a file that cannot be opened has none.
    if (CheckLogfileSize() && fFile.IsOpen() && fFile.Size() + static_cast<int64_t>(bytes.size()) > limit) {
      Flush(fileName, bytes);
      MoveAside(fileName);
    }
    bytes += ToUtf8(*line);
    bytes += "\r\n";
  }
  Flush(fileName, bytes);
}

void tQX_LogWriter::Flush(const String& aFileName, std::string& aBytes) {
  size_t done = 0;
  for (int attempt = 1; attempt <= kWriteAttempts && done < aBytes.size(); ++attempt) {
    if (!fFile.IsOpen() && fFile.Open(aFileName)) fOpenName = aFileName;
    done += fFile.Write(std::string_view(aBytes).substr(done));
    if (done == aBytes.size()) break;
    // A failed write: the next attempt opens the file again.
    fFile.Close();
    if (attempt < kWriteAttempts) platform::SleepMs(kAttemptPauseMs);
  }
  // Ten failures: the rest is dropped without a report; the writer never fails its callers.
  aBytes.clear();
}

void tQX_LogWriter::MoveAside(const String& aFileName) {
  fFile.Close();
  String aside;
  // Two moves within one millisecond would give the same name and the second would replace the
  // first file: wait for the next millisecond instead.
  for (int tries = 0; tries < 100; ++tries) {
    aside = platform::RemoveFileExtension(aFileName) + u"_" + RotationStamp(platform::LocalNow()) + u".log";
    if (!platform::FileExists(aside)) break;
    platform::SleepMs(1);
  }
  platform::RenameFile(aFileName, aside);  // refused: the lines go to the big file, retried next line
  if (fFile.Open(aFileName)) fOpenName = aFileName;
}

}  // namespace qx
