#include "support/log_writer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "support/error.h"
#include "support/read_file.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

std::vector<std::string> ReadLines(const std::string& aPath) {
  std::vector<std::string> lines;
  const std::string text = ReadFile(aPath);
  size_t start = 0;
  for (size_t hit; (hit = text.find("\r\n", start)) != std::string::npos; start = hit + 2)
    lines.push_back(text.substr(start, hit - start));
  return lines;
}

TEST(LogWriter, LineFormatAndSeparators) {
  TempDir dir;
  {
    tQX_LogWriter log(u"App", dir.Text(), 0, false);
    log.Write(let_info, u"Connected");
    log.Write(let_error, u"Read Timeout");
    log.Write(let_info, u"caff\u00E8 \u20AC");
  }
  const std::string text = ReadFile(dir / "App.log");
  ASSERT_GE(text.size(), 3u);
  EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");  // no byte-order mark
  const std::vector<std::string> lines = ReadLines(dir / "App.log");
  ASSERT_EQ(lines.size(), 3u);
  const std::string stamp = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})";
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + " - Connected"))) << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + " - ERROR - Read Timeout"))) << lines[1];
  EXPECT_EQ(lines[2].substr(23), " - caff\xC3\xA8 \xE2\x82\xAC");
}

TEST(LogWriter, FileNamesDailyAndNot) {
  TempDir dir;
  const platform::LocalTime t = platform::LocalNow();
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", t.Year, t.Month, t.Day);
  {
    tQX_LogWriter plain(u"App", dir.Text() + u"/LogFiles", 0, false);
    EXPECT_EQ(plain.FileName(), dir.Text() + u"/LogFiles/App.log");
    EXPECT_TRUE(fs::is_directory(dir / "LogFiles"));  // created at once
    tQX_LogWriter daily(u"EPS", dir.Text(), 0, true);
    EXPECT_EQ(ToUtf8(daily.FileName()), dir / ("EPS_" + std::string(date) + ".log"));
    EXPECT_TRUE(daily.Daily());
    // Only the file-name part is taken; no date or extension is added.
    daily.SetFileName(u"/other/Name.txt");
    EXPECT_EQ(daily.FileName(), dir.Text() + u"/Name.txt");
    daily.SetDirectory(dir.Text() + u"/moved/");
    EXPECT_EQ(daily.FileName(), dir.Text() + u"/moved/Name.txt");
    EXPECT_TRUE(fs::is_directory(dir / "moved"));
    EXPECT_THROW(daily.SetDirectory(String(u"bad\0dir", 7)), Error);
    EXPECT_EQ(daily.FileName(), dir.Text() + u"/moved/Name.txt");  // keeps the old name
  }
}

TEST(LogWriter, MessagesAreCutToTheMaximumLength) {
  TempDir dir;
  {
    tQX_LogWriter cut(u"Cut", dir.Text(), 10, false);
    cut.Write(let_info, u"0123456789ABCDEFGHIJKLMNO");
    tQX_LogWriter whole(u"Whole", dir.Text(), 0, false);
    whole.Write(let_info, u"0123456789ABCDEFGHIJKLMNO");
  }
  EXPECT_EQ(ReadLines(dir / "Cut.log").at(0).substr(23), " - 0123456789");
  EXPECT_EQ(ReadLines(dir / "Whole.log").at(0).substr(23), " - 0123456789ABCDEFGHIJKLMNO");
}

// A message written in parts gives the bytes of the same message written whole, wherever the
// cut falls and whatever the parts hold (a surrogate pair split between two parts included).
TEST(LogWriter, MessageInPartsIsTheJoinedMessage) {
  struct Case {
    std::vector<String> parts;
  };
  const std::vector<Case> cases = {
      {{u"Read", u":", u"\u0002answer\u0003"}},
      {{u"Write", u":", u"caff\u00E8 \u20AC \U0001F600"}},
      {{u"caff\u00E8", u":", u"x"}},             // not ASCII before the last part
      {{u"pair \xD83D", u"\xDE00 end"}},         // a pair split between parts
      {{u"lone \xD83D", u"", u"tail"}},           // a lone high surrogate
      {{u"0123456", u":", u"789ABCDEF"}},          // cut inside the last part
      {{u"01234567890123", u":", u"x"}},           // cut inside the first part
      {{u"", u"", u""}},
  };
  for (const int32_t limit : {0, 10}) {
    TempDir dir;
    {
      tQX_LogWriter parts(u"Parts", dir.Text(), limit, false);
      tQX_LogWriter whole(u"Whole", dir.Text(), limit, false);
      for (const Case& c : cases) {
        String joined;
        for (const String& p : c.parts) joined += p;
        whole.Write(let_info, joined);
        if (c.parts.size() == 2)
          parts.Write(let_info, {c.parts[0], c.parts[1]});
        else
          parts.Write(let_info, {c.parts[0], c.parts[1], c.parts[2]});
      }
    }
    const std::vector<std::string> a = ReadLines(dir / "Parts.log");
    const std::vector<std::string> b = ReadLines(dir / "Whole.log");
    ASSERT_EQ(a.size(), cases.size());
    ASSERT_EQ(b.size(), cases.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].substr(23), b[i].substr(23)) << limit << " case " << i;
  }
}

TEST(LogWriter, EmptyFileNameIsRefused) {
  tQX_LogWriter log(u"", u"", 0, false);
  log.SetFileName(u"");
  try {
    log.Write(let_info, u"x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"Log filename is empty ");
  }
  EXPECT_EQ(log.PendingLines(), 0u);
}

// The file is moved aside only when it is strictly larger than the limit, and the line that
// found it too large starts the new file.
TEST(LogWriter, RotatesStrictlyAboveTheLimit) {
  for (const int64_t size : {int64_t{5120000}, int64_t{5120001}}) {
    TempDir dir;
    const std::string path = dir / "EPS.log";
    fs::resize_file((std::ofstream(path).close(), path), static_cast<uintmax_t>(size));
    {
      tQX_LogWriter log(u"EPS", dir.Text(), 0, false);
      EXPECT_EQ(log.MaxLogFileSize(), 5000);
      log.Write(let_info, u"next line");
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir.Path())) files.push_back(entry.path());
    if (size == 5120000) {
      ASSERT_EQ(files.size(), 1u);
      EXPECT_GT(fs::file_size(path), static_cast<uintmax_t>(size));
    } else {
      ASSERT_EQ(files.size(), 2u);
      EXPECT_EQ(ReadLines(path).size(), 1u);
      EXPECT_EQ(ReadLines(path)[0].substr(23), " - next line");
      for (const fs::path& f : files) {
        if (f == path) continue;
        EXPECT_TRUE(std::regex_match(f.filename().string(), std::regex(R"(EPS_\d{17}\.log)"))) << f;
        EXPECT_EQ(fs::file_size(f), static_cast<uintmax_t>(size));
      }
    }
  }
}

TEST(LogWriter, DestructorDrainsEveryLineInCallOrderPerThread) {
  TempDir dir;
  constexpr int kThreads = 4;
  constexpr int kLines = 1000;
  {
    tQX_LogWriter log(u"Many", dir.Text(), 0, false);
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t)
      producers.emplace_back([&log, t] {
        for (int i = 0; i < kLines; ++i)
          log.Write(let_info, u"T" + IntToStr(t) + u" #" + IntToStr(i));
      });
    for (auto& p : producers) p.join();
  }
  const std::vector<std::string> lines = ReadLines(dir / "Many.log");
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  int next[kThreads] = {};
  for (const std::string& line : lines) {
    const std::string msg = line.substr(26);  // after "stamp - "
    const int t = msg[1] - '0';
    ASSERT_EQ(msg, "T" + std::to_string(t) + " #" + std::to_string(next[t])) << line;
    ++next[t];
  }
}

void WaitWritten(const tQX_LogWriter& aLog) {
  while (aLog.PendingLines() != 0) std::this_thread::yield();
}

// A log folder removed while the log is open is made again at the next line.
TEST(LogWriter, RemovedDirectoryIsMadeAgain) {
  TempDir dir;
  const std::string sub = dir / "gone/deeper";
  tQX_LogWriter log(u"Back", FromUtf8(sub), 0, false);
  log.Write(let_info, u"first");
  WaitWritten(log);
  fs::remove_all(dir / "gone");
  log.Write(let_info, u"second");
  WaitWritten(log);
  const std::vector<std::string> lines = ReadLines(sub + "/Back.log");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(23), " - second");
}

// A file that stops growing half-way through a line (a full disk, here the process's file size
// limit) keeps only whole lines: the cut line is taken back, and the next line that can be
// written follows the last whole one.
TEST(LogWriter, ALineIsWrittenWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir / "Full.log";
  tQX_LogWriter log(u"Full", dir.Text(), 0, false);
  log.Write(let_info, u"before");
  WaitWritten(log);
  const auto size = static_cast<rlim_t>(fs::file_size(path));
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit full = old;
  full.rlim_cur = size + 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
  log.Write(let_info, String(100, u'x'));
  WaitWritten(log);  // after its ten attempts the line is dropped
  EXPECT_EQ(fs::file_size(path), size);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
  std::signal(SIGXFSZ, oldHandler);
  log.Write(let_info, u"after");
  WaitWritten(log);
  const std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 2u) << ReadFile(path);
  EXPECT_EQ(lines[0].substr(23), " - before");
  EXPECT_EQ(lines[1].substr(23), " - after");
}

// A log whose folder cannot be made goes to the fallback folder and says so, in its first line
// and to its owner; when even that folder cannot be made, its name is that of no file.
TEST(LogWriter, ALogThatCannotBeWrittenMovesToTheFallbackFolder) {
  TempDir dir;
  std::ofstream(dir / "file") << "a file where a folder should be";
  const String blocked = FromUtf8(dir / "file/LogFiles");
  {
    testing::ScopedEnv tmp("TMPDIR", dir / "tmp");
    std::vector<String> notices;
    {
      tQX_LogWriter log(u"Moved", blocked, 0, false, [&](StringView aMessage) { notices.emplace_back(aMessage); });
      EXPECT_EQ(log.FileName(), FromUtf8(dir / "tmp/QX_LogFiles/Moved.log"));
      log.Write(let_info, u"kept");
    }
    const String message = u"The log " + blocked + u"/Moved.log cannot be written: its lines go to " +
                           FromUtf8(dir / "tmp/QX_LogFiles/Moved.log");
    EXPECT_EQ(notices, std::vector<String>{message});
    const std::vector<std::string> lines = ReadLines(dir / "tmp/QX_LogFiles/Moved.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(23), " - ERROR - " + ToUtf8(message));
    EXPECT_EQ(lines[1].substr(23), " - kept");
  }
  {
    testing::ScopedEnv tmp("TMPDIR", dir / "file/tmp");
    std::vector<String> notices;
    tQX_LogWriter log(u"Lost", blocked, 0, false, [&](StringView aMessage) { notices.emplace_back(aMessage); });
    log.Write(let_info, u"lost");
    WaitWritten(log);
    EXPECT_FALSE(platform::FileExists(log.FileName()));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(u": its lines are lost"), String::npos) << ToUtf8(notices[0]);
  }
}

// The writer keeps its file open between lines; what others do to the file meanwhile has the
// outcome it had when every line opened the file anew.
TEST(LogWriter, FileRemovedMovedOrMadeReadOnlyWhileOpen) {
  TempDir dir;
  const std::string path = dir / "Again.log";
  tQX_LogWriter log(u"Again", dir.Text(), 0, false);
  log.Write(let_info, u"one");
  WaitWritten(log);
  fs::remove(path);  // removed: the next line starts a new file
  log.Write(let_info, u"two");
  WaitWritten(log);
  ASSERT_EQ(ReadLines(path).size(), 1u);
  EXPECT_EQ(ReadLines(path)[0].substr(23), " - two");

  fs::rename(path, dir / "aside.log");  // moved away: the same
  log.Write(let_info, u"three");
  WaitWritten(log);
  EXPECT_EQ(ReadLines(dir / "aside.log").size(), 1u);
  ASSERT_EQ(ReadLines(path).size(), 1u);
  EXPECT_EQ(ReadLines(path)[0].substr(23), " - three");

  // Replaced by another file moved over it, and removed again right after a line: each time the
  // line goes to the file the name shows.
  std::ofstream(dir / "other.log", std::ios::binary) << "other\r\n";
  fs::rename(dir / "other.log", path);
  log.Write(let_info, u"replaced");
  WaitWritten(log);
  ASSERT_EQ(ReadLines(path).size(), 2u);
  EXPECT_EQ(ReadLines(path)[1].substr(23), " - replaced");
  for (int i = 0; i < 3; ++i) {
    fs::remove(path);
    log.Write(let_info, u"again " + IntToStr(i));
    WaitWritten(log);
    ASSERT_EQ(ReadLines(path).size(), 1u) << i;
    EXPECT_EQ(ReadLines(path)[0].substr(23), " - again " + std::to_string(i));
  }

  // Made read-only: a line goes in only where a new open for writing succeeds (as root it does).
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const bool writable = ::access(path.c_str(), W_OK) == 0;
  log.Write(let_info, u"four");
  WaitWritten(log);
  EXPECT_EQ(ReadLines(path).size(), writable ? 2u : 1u);
}

// Lines written by the writer, with rotation, give the same files byte for byte as the same
// lines appended one open-append-close cycle at a time with the size looked up before each.
TEST(LogWriter, FilesAreTheBytesOfAnAppendPerLine) {
  TempDir dir;
  const std::string oldText = std::string(1500, 'o') + "\r\n";  // already over the 1 KiB limit
  for (const std::string& d : {std::string("new"), std::string("old")}) {
    fs::create_directory(dir / d);
    std::ofstream(dir / (d + "/EPS.log"), std::ios::binary) << oldText;
  }
  {
    tQX_LogWriter log(u"EPS", FromUtf8(dir / "new"), 0, false);
    log.SetMaxLogFileSize(1);
    for (int i = 0; i < 300; ++i) {
      log.Write(i % 7 == 0 ? let_error : let_info,
                u"line " + IntToStr(i) + u" " + String(static_cast<size_t>(i % 60), u'\u20AC') + u"\nmore");
      if (i % 50 == 0) WaitWritten(log);  // several wake-ups, some with one line
    }
  }
  // The files of the writer in order: the moved-aside ones by their time stamps, then the current one.
  auto filesOf = [](const std::string& aDir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(aDir))
      if (e.path().filename() != "EPS.log") names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    names.push_back(aDir + "/EPS.log");
    std::vector<std::string> contents;
    for (const std::string& n : names) contents.push_back(ReadFile(n));
    return contents;
  };
  const std::vector<std::string> written = filesOf(dir / "new");
  std::string all;
  for (const std::string& c : written) all += c;
  ASSERT_EQ(all.compare(0, oldText.size(), oldText), 0);
  std::vector<std::string> lines;  // the writer's lines, as they reached the disk
  for (size_t start = oldText.size(), hit; (hit = all.find("\r\n", start)) != std::string::npos; start = hit + 2)
    lines.push_back(all.substr(start, hit + 2 - start));
  ASSERT_EQ(lines.size(), 300u);
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_NE(lines[i].find("line " + std::to_string(i) + " "), std::string::npos) << i;

  // The same lines through the file step of an open per line.
  const String oldPath = FromUtf8(dir / "old/EPS.log");
  for (size_t i = 0; i < lines.size(); ++i) {
    if (platform::GetFileSize(oldPath) > 1024) {
      ASSERT_TRUE(platform::RenameFile(oldPath, FromUtf8(dir / "old/EPS_" + std::to_string(100000 + i) + ".log")));
    }
    ASSERT_TRUE(platform::AppendToFile(oldPath, lines[i]));
  }
  EXPECT_EQ(written, filesOf(dir / "old"));
  EXPECT_GT(written.size(), 10u);
}

}  // namespace
}  // namespace qx
