// Asynchronous log writer: Write formats a line in the caller's thread, in the file's own bytes,
// and queues it; one background thread per writer appends the lines to the file in order,
// everything queued in one write per wake-up, and moves the file aside when it has grown past
// MaxLogFileSize KiB. The file stays open between wake-ups; the files hold exactly the bytes
// that an open-append-close cycle per line gave.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/append_file.h"
#include "platform/clock.h"
#include "support/text.h"

namespace qx {

enum tQX_MessageType { let_info, let_error };

class tQX_LogWriter;

// The background thread of one writer and its queue: the queued lines' bytes one after the
// other, each with its line break, and where each line ends. The thread takes the whole queue
// at a wake-up; its lines count as pending until they have been handed to the file step.
class tQX_LogThread {
 public:
  // After a write the thread waits this long for more lines before it sleeps until woken:
  // lines that come close together go to the file in one write, and their callers need not
  // wake the thread.
  static constexpr int kGatherMs = 20;

  explicit tQX_LogThread(tQX_LogWriter& aWriter);
  // Waits until every queued line has been handed to the file step, then ends the thread.
  ~tQX_LogThread();
  tQX_LogThread(const tQX_LogThread&) = delete;
  tQX_LogThread& operator=(const tQX_LogThread&) = delete;

  // Queues "stamp - message" (" - ERROR - " when aError) with its line break, in UTF-8; the
  // message is its parts one after the other, cut after aLimit characters (0: no limit).
  void Push(const platform::LocalTime& aTime, bool aError, std::initializer_list<StringView> aParts, size_t aLimit);
  size_t Count() const;
  tQX_LogWriter& Writer() const { return fWriter; }

 private:
  void Execute();
  // Sleeps with the lock released.
  void Sleep(std::unique_lock<std::mutex>& aLock, int aTimeoutMs);

  tQX_LogWriter& fWriter;
  std::mutex& fLock;  // the writer's lock, which guards the queue
  std::string fQueued;
  std::vector<size_t> fEnds;  // the end of each queued line in fQueued, its line break included
  size_t fTaken = 0;          // lines the thread has taken and not yet handed to the file step
  bool fTerminated = false;
  bool fIdle = false;  // sleeping without a time limit: the next Push wakes it
  std::thread fThread;
};

class tQX_LogWriter {
 public:
  // Told, once, when the log's own folder cannot take its lines: the message says where they go.
  using Notice = std::function<void(StringView aMessage)>;

  // The file is aFileName + ".log", or aFileName + "_yyyymmdd.log" with the creation date when
  // aDaily; it lives in aDirectory, which is created, and the file is created at once. When
  // neither can be made, or the folder is lost later and cannot be made again, the log moves to
  // FallbackDirectory() and aNotice (called in the thread that finds it) says so.
  // aMaxMessageLength > 0 cuts messages.
  tQX_LogWriter(StringView aFileName, StringView aDirectory, int32_t aMaxMessageLength, bool aDaily,
                Notice aNotice = {});
  // Where logs go whose folder cannot be written: "QX_LogFiles" in the system's temporary folder.
  static String FallbackDirectory();
  // Returns only when every line queued before it is on disk (or dropped after ten attempts).
  ~tQX_LogWriter();
  tQX_LogWriter(const tQX_LogWriter&) = delete;
  tQX_LogWriter& operator=(const tQX_LogWriter&) = delete;

  String Directory() const;
  // Moves the log to another directory (created at once); the file's own name stays.
  void SetDirectory(StringView aValue);
  String FileName() const;
  // Renames the log within the current directory; only the file-name part of aValue is used.
  void SetFileName(StringView aValue);
  int32_t MaxMessageLength() const { return fMaxMessageLength; }
  bool Daily() const { return fDaily; }
  int32_t MaxLogFileSize() const;
  void SetMaxLogFileSize(int32_t aValue);

  // Formats "yyyy-mm-dd hh:mm:ss:zzz - message" (" - ERROR - " for let_error) and queues it.
  // Never touches the disk. Raises "Log filename is empty " when there is no file name.
  void Write(tQX_MessageType aEntryType, StringView aMessage);
  // The same for the message made of aParts one after the other, without joining them first.
  void Write(tQX_MessageType aEntryType, std::initializer_list<StringView> aParts);

  // Size of the current file in bytes, -1 when it cannot be read (missing file).
  int64_t GetLogFileSize() const;
  bool CheckLogfileSize() const { return true; }
  // Lines queued and not yet written (the one being written included).
  size_t PendingLines() const { return fThread->Count(); }

 private:
  friend class tQX_LogThread;
  // Background thread only: the lines in one write, with the rotation test before each line;
  // aEnds gives where each line of aBytes ends.
  void WriteToFile(std::string_view aBytes, const std::vector<size_t>& aEnds);
  // Appends aBytes, whole lines, to the open file (opening it when needed); up to ten attempts
  // with a pause and a new open between them, then the lines left are dropped. A line is in the
  // file whole or not at all; should a torn line stay, the next line starts on a new line.
  // aFileName follows the log when it moves to the fallback folder.
  void Flush(String& aFileName, std::string_view aBytes);
  // Moves the file aside under its name plus the time now; a refused move is retried at the
  // next line.
  void MoveAside(const String& aFileName);
  // Opens the file; a folder that is gone is made again first.
  bool OpenFile(const String& aFileName);
  void CloseFile();
  // The log's file name in the fallback folder, once, when aFileName cannot be opened there;
  // false when it moved already or that folder cannot be made.
  bool FallBack(String& aFileName);

  mutable std::mutex fLock;  // guards the queue and the three settings below
  String fDirectory;
  int32_t fMaxMessageLength = 0;
  String fFileName;
  bool fDaily = false;
  int32_t fMaxLogfileSize = 5000;
  // The log thread's own: the open file and the name it was opened under. The sleep is the
  // thread's too, but any thread may wake it.
  platform::AppendFile fFile;
  String fOpenName;
  platform::AppendFileSleep fSleep;
  bool fTorn = false;  // the file ends in a line cut short that could not be taken back
  Notice fNotice;
  bool fFellBack = false;  // guarded by fLock
  String fFallBackMessage;
  std::unique_ptr<tQX_LogThread> fThread;
};

}  // namespace qx
