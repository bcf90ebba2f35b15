#include "support/log_writer.h"

#include <charconv>
#include <utility>

#include "platform/file_system.h"
#include "platform/library_lifetime.h"
#include "support/error.h"

namespace qx {

namespace {

constexpr int kWriteAttempts = 10;
constexpr int kAttemptPauseMs = 50;
// A queue buffer that a burst has grown past this is let go after its write.
constexpr size_t kKeptQueueBytes = 1 << 20;

String Digits(int aValue, size_t aWidth) { return PadLeft(IntToStr(aValue), aWidth, u'0'); }

String DateStamp(const platform::LocalTime& t) {
  return Digits(t.Year, 4) + Digits(t.Month, 2) + Digits(t.Day, 2);
}

// "yyyymmddhhnnsszzz" for the name of a file moved aside.
String RotationStamp(const platform::LocalTime& t) {
  return DateStamp(t) + Digits(t.Hour, 2) + Digits(t.Minute, 2) + Digits(t.Second, 2) +
         Digits(t.Millisecond, 3);
}

// PadLeft(IntToStr(aValue), aWidth, '0') as bytes.
void AppendDigits(std::string& aOut, int aValue, size_t aWidth) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, aValue).ptr;
  const size_t count = static_cast<size_t>(end - digits);
  if (count < aWidth) aOut.append(aWidth - count, '0');
  aOut.append(digits, count);
}

// "yyyy-mm-dd hh:mm:ss:zzz". The time separator is a colon: the locales this library runs
// under name no other for the log's format settings.
void AppendStamp(std::string& aOut, const platform::LocalTime& t) {
  AppendDigits(aOut, t.Year, 4);
  aOut += '-';
  AppendDigits(aOut, t.Month, 2);
  aOut += '-';
  AppendDigits(aOut, t.Day, 2);
  aOut += ' ';
  AppendDigits(aOut, t.Hour, 2);
  aOut += ':';
  AppendDigits(aOut, t.Minute, 2);
  aOut += ':';
  AppendDigits(aOut, t.Second, 2);
  aOut += ':';
  AppendDigits(aOut, t.Millisecond, 3);
}

// ToUtf8(aText) appended: the ASCII run at the start is copied as it is, the rest converted.
void AppendUtf8(std::string& aOut, StringView aText) {
  size_t i = 0;
  while (i < aText.size() && aText[i] < 0x80) aOut += static_cast<char>(aText[i++]);
  if (i < aText.size()) aOut += ToUtf8(aText.substr(i));
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
  fWriter.fSleep.Wake();
  // The loop drains the queue before it ends, so joining is waiting for the last line.
  if (fThread.joinable()) fThread.join();
}

void tQX_LogThread::Push(const platform::LocalTime& aTime, bool aError, std::initializer_list<StringView> aParts,
                         size_t aLimit) {
  // The parts are converted one by one where that gives the bytes of the joined text: all but
  // the last are ASCII (no surrogate pair can then be split) and no cut falls inside them.
  size_t total = 0;
  size_t index = 0;
  bool apart = true;
  for (const StringView part : aParts) {
    if (++index < aParts.size())
      for (const char16_t c : part) apart = apart && c < 0x80;
    total += part.size();
  }
  String joined;
  if (!apart || (aLimit > 0 && total > aLimit)) {
    for (const StringView part : aParts) joined.append(part);
    if (aLimit > 0 && joined.size() > aLimit) joined.resize(aLimit);
  }
  bool wake = false;
  {
    std::lock_guard<std::mutex> guard(fLock);
    AppendStamp(fQueued, aTime);
    fQueued += aError ? " - ERROR - " : " - ";
    if (joined.empty())
      for (const StringView part : aParts) AppendUtf8(fQueued, part);
    else
      AppendUtf8(fQueued, joined);
    fQueued += "\r\n";
    fEnds.push_back(fQueued.size());
    wake = fIdle;
    fIdle = false;  // one wake is enough
  }
  if (wake) fWriter.fSleep.Wake();
}

size_t tQX_LogThread::Count() const {
  std::lock_guard<std::mutex> guard(fLock);
  return fEnds.size() + fTaken;
}

void tQX_LogThread::Sleep(std::unique_lock<std::mutex>& aLock, int aTimeoutMs) {
  aLock.unlock();
  fWriter.fSleep.Sleep(aTimeoutMs);
  aLock.lock();
}

void tQX_LogThread::Execute() {
  std::unique_lock<std::mutex> lock(fLock);
  std::string bytes;
  std::vector<size_t> ends;
  for (;;) {
    if (fEnds.empty()) {
      if (fTerminated) break;  // terminated and drained
      // Nothing came during the gathering wait: sleep until a Push wakes the thread.
      fIdle = true;
      Sleep(lock, -1);
      fIdle = false;
      continue;
    }
    // The whole queue goes to the file step; the two buffers change places, so a steady
    // stream of lines allocates nothing.
    bytes.swap(fQueued);
    ends.swap(fEnds);
    fTaken = ends.size();
    lock.unlock();
    try {
      fWriter.WriteToFile(bytes, ends);
    } catch (...) {
      // Lines that cannot be written are dropped; the writer never fails its callers.
    }
    bytes.clear();
    ends.clear();
    if (bytes.capacity() > kKeptQueueBytes) std::string().swap(bytes);
    if (ends.capacity() > kKeptQueueBytes / 64) std::vector<size_t>().swap(ends);
    lock.lock();
    fTaken = 0;
    // A wait that Push does not cut short: the lines of the next few milliseconds go out
    // together in one write, and their callers do not wake the thread. The end cuts it short.
    const int64_t until = platform::MonotonicMs() + kGatherMs;
    for (int64_t left = kGatherMs; !fTerminated && left > 0; left = until - platform::MonotonicMs())
      Sleep(lock, static_cast<int>(left));
  }
  lock.unlock();
  platform::EndOfLibraryThread();
}

// ---- tQX_LogWriter ----

tQX_LogWriter::tQX_LogWriter(StringView aFileName, StringView aDirectory, int32_t aMaxMessageLength, bool aDaily,
                             Notice aNotice)
    : fNotice(std::move(aNotice)) {
  String name(aFileName);
  if (aDaily) name += u"_" + DateStamp(platform::LocalNow());
  name += u".log";
  fFileName = name;
  SetDirectory(aDirectory);
  fMaxMessageLength = aMaxMessageLength;
  fDaily = aDaily;
  fMaxLogfileSize = 5000;
  // The file is made now, so that a log that cannot be written is known before its first line:
  // the name handed out is then one that exists.
  String fileName = fFileName;
  const bool moved = !OpenFile(fileName) && FallBack(fileName);
  CloseFile();
  fThread = std::make_unique<tQX_LogThread>(*this);
  if (moved) Write(let_error, fFallBackMessage);
}

String tQX_LogWriter::FallbackDirectory() {
  return platform::CombinePath(platform::TemporaryDirectory(), u"QX_LogFiles");
}

bool tQX_LogWriter::FallBack(String& aFileName) {
  const String folder = FallbackDirectory();
  const String moved = platform::CombinePath(folder, platform::ExtractFileName(aFileName));
  {
    std::lock_guard<std::mutex> guard(fLock);
    if (fFellBack) return false;
    fFellBack = true;
  }
  const bool opened = platform::ForceDirectories(folder) && OpenFile(moved);
  const String message = opened ? u"The log " + aFileName + u" cannot be written: its lines go to " + moved
                                : u"The log " + aFileName + u" cannot be written, nor " + moved + u": its lines are lost";
  if (opened) {
    {
      std::lock_guard<std::mutex> guard(fLock);
      fFileName = moved;
    }
    aFileName = moved;
    // The moved log says first why it is where it is; the constructor queues it once the
    // thread runs.
    fFallBackMessage = message;
    if (fThread) Write(let_error, message);
  }
  if (fNotice) {
    try {
      fNotice(message);
    } catch (...) {
      // The notice is a courtesy: the log goes on without it.
    }
  }
  return opened;
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
  Write(aEntryType, {aMessage});
}

void tQX_LogWriter::Write(tQX_MessageType aEntryType, std::initializer_list<StringView> aParts) {
  {
    std::lock_guard<std::mutex> guard(fLock);
    if (fFileName.empty()) throw Error(u"Log filename is empty ");
  }
  fThread->Push(platform::LocalNow(), aEntryType == let_error, aParts,
                fMaxMessageLength > 0 ? static_cast<size_t>(fMaxMessageLength) : 0);
}

int64_t tQX_LogWriter::GetLogFileSize() const { return platform::GetFileSize(FileName()); }

bool tQX_LogWriter::OpenFile(const String& aFileName) {
  // A folder removed while the log was open is made again, so that the log goes on.
  if (!fFile.Open(aFileName) &&
      !(platform::ForceDirectories(platform::ExtractFileDir(aFileName)) && fFile.Open(aFileName)))
    return false;
  fOpenName = aFileName;
  fSleep.Watch(fFile, aFileName);
  return true;
}

void tQX_LogWriter::CloseFile() {
  fSleep.Unwatch();
  fFile.Close();
}

void tQX_LogWriter::WriteToFile(std::string_view aBytes, const std::vector<size_t>& aEnds) {
  String fileName;
  int64_t limit = 0;
  {
    std::lock_guard<std::mutex> guard(fLock);
    fileName = fFileName;
    limit = static_cast<int64_t>(fMaxLogfileSize) * 1024;
  }
  // The open file serves only while its name still shows it: a new name, a file removed, moved
  // aside or made read-only by someone else gets a new open, as an open per line would. The
  // name is looked at only when the sleep saw the file change (or cannot watch it).
  if (fFile.IsOpen() && (fOpenName != fileName || (fSleep.Changed() && !fFile.StillNamedBy(fileName))))
    CloseFile();
  if (!fFile.IsOpen() && !OpenFile(fileName)) FallBack(fileName);
  size_t from = 0;  // the first byte not yet written
  size_t start = 0;
  for (const size_t end : aEnds) {
    // The size the file would have had before this line; a file that cannot be opened has none.
    if (CheckLogfileSize() && fFile.IsOpen() && fFile.Size() + static_cast<int64_t>(start - from) > limit) {
      Flush(fileName, aBytes.substr(from, start - from));
      from = start;
      MoveAside(fileName);
    }
    start = end;
  }
  Flush(fileName, aBytes.substr(from));
}

void tQX_LogWriter::Flush(String& aFileName, std::string_view aBytes) {
  static constexpr std::string_view kLineBreak = "\r\n";
  size_t done = 0;  // the bytes of whole lines in the file
  for (int attempt = 1; attempt <= kWriteAttempts && done < aBytes.size(); ++attempt) {
    if (!fFile.IsOpen() && !OpenFile(aFileName) && FallBack(aFileName)) attempt = 1;
    // A line cut short that could not be taken back ends here, so the next one is whole.
    if (fFile.IsOpen() && fTorn) fTorn = fFile.Write(kLineBreak) != kLineBreak.size();
    if (fFile.IsOpen() && !fTorn) {
      const std::string_view rest = aBytes.substr(done);
      const int64_t before = fFile.Size();
      const size_t written = fFile.Write(rest);
      if (written == rest.size()) break;
      // A write that failed half-way (a full disk): the lines it wrote whole stay, the rest of
      // the cut line is taken back.
      const size_t lastBreak = written == 0 ? std::string_view::npos : rest.rfind('\n', written - 1);
      const size_t whole = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
      if (written > whole && !fFile.Truncate(before + static_cast<int64_t>(whole))) fTorn = true;
      done += whole;
    }
    // A failed write: the next attempt opens the file again.
    CloseFile();
    if (attempt < kWriteAttempts) platform::SleepMs(kAttemptPauseMs);
  }
  // Ten failures: the rest is dropped without a report; the writer never fails its callers.
}

void tQX_LogWriter::MoveAside(const String& aFileName) {
  CloseFile();
  String aside;
  // Two moves within one millisecond would give the same name and the second would replace the
  // first file: wait for the next millisecond instead.
  for (int tries = 0; tries < 100; ++tries) {
    aside = platform::RemoveFileExtension(aFileName) + u"_" + RotationStamp(platform::LocalNow()) + u".log";
    if (!platform::FileExists(aside)) break;
    platform::SleepMs(1);
  }
  platform::RenameFile(aFileName, aside);  // refused: the lines go to the big file, retried next line
  OpenFile(aFileName);
}

}  // namespace qx
