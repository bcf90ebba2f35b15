// Asynchronous log writer: Write formats a line in the caller's thread and queues it; one
// background thread per writer appends the lines to the file in order, one open-append-close
// cycle per line, and moves the file aside when it has grown past MaxLogFileSize KiB.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "support/text.h"

namespace qx {

enum tQX_MessageType { let_info, let_error };

class tQX_LogWriter;

// The background thread of one writer and its queue of formatted lines. A line stays at the head
// of the queue while it is being written, so a non-empty queue always means pending work.
class tQX_LogThread {
 public:
  explicit tQX_LogThread(tQX_LogWriter& aWriter);
  // Waits until every queued line has been handed to the file step, then ends the thread.
  ~tQX_LogThread();
  tQX_LogThread(const tQX_LogThread&) = delete;
  tQX_LogThread& operator=(const tQX_LogThread&) = delete;

  void Push(String aLine);
  size_t Count() const;
  tQX_LogWriter& Writer() const { return fWriter; }

 private:
  void Execute();

  tQX_LogWriter& fWriter;
  std::mutex& fLock;  // the writer's lock, which guards the queue
  std::deque<String> fQueue;
  std::condition_variable fWake;
  bool fTerminated = false;
  std::thread fThread;
};

class tQX_LogWriter {
 public:
  // The file is aFileName + ".log", or aFileName + "_yyyymmdd.log" with the creation date when
  // aDaily; it lives in aDirectory, which is created. aMaxMessageLength > 0 cuts messages.
  tQX_LogWriter(StringView aFileName, StringView aDirectory, int32_t aMaxMessageLength, bool aDaily);
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

  // Size of the current file in bytes, -1 when it cannot be read (missing file).
  int64_t GetLogFileSize() const;
  bool CheckLogfileSize() const { return true; }
  // Lines queued and not yet written (the one being written included).
  size_t PendingLines() const { return fThread->Count(); }

 private:
  friend class tQX_LogThread;
  // Background thread only: rotation test, then up to ten append attempts.
  void WriteToFile(const String& aLine);

  mutable std::mutex fLock;  // guards the queue and the three settings below
  String fDirectory;
  int32_t fMaxMessageLength = 0;
  String fFileName;
  bool fDaily = false;
  int32_t fMaxLogfileSize = 5000;
  std::unique_ptr<tQX_LogThread> fThread;
};

}  // namespace qx
