// Asynchronous log writer: Write formats a line in the caller's thread and queues it; one
// background thread per writer appends the lines to the file in order, everything queued in one
// write per wake-up, and moves the file aside when it has grown past MaxLogFileSize KiB. The file
// stays open between wake-ups; the files hold exactly the bytes that an open-append-close cycle
// per line gave.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/append_file.h"
#include "support/text.h"

namespace qx {

enum tQX_MessageType { let_info, let_error };

class tQX_LogWriter;

// The background thread of one writer and its queue of formatted lines. A line stays at the head
// of the queue while it is being written, so a non-empty queue always means pending work.
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
  bool fIdle = false;  // waiting without a time limit: the next Push wakes it
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
  // Background thread only: the lines in one write, with the rotation test before each line.
  void WriteToFile(const std::vector<const String*>& aLines);
  // Appends aBytes to the open file (opening it when needed); up to ten attempts with a pause
  // and a new open between them, then the bytes are dropped. aBytes is empty afterwards.
  void Flush(const String& aFileName, std::string& aBytes);
  // Moves the file aside under its name plus the time now; a refused move is retried at the
  // next line.
  void MoveAside(const String& aFileName);

  mutable std::mutex fLock;  // guards the queue and the three settings below
  String fDirectory;
  int32_t fMaxMessageLength = 0;
  String fFileName;
  bool fDaily = false;
  int32_t fMaxLogfileSize = 5000;
  // The log thread's own: the open file and the name it was opened under.
  platform::AppendFile fFile;
  String fOpenName;
  std::unique_ptr<tQX_LogThread> fThread;
};

}  // namespace qx
