#include "platform/append_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// Longest wait for a change the watch must report at once; reached only when it fails.
constexpr int kBoundMs = 10000;

// A Wake ends the sleep it meets, or the next one when none is under way.
TEST(AppendFileSleep, WakeEndsTheCurrentOrTheNextSleep) {
  platform::AppendFileSleep sleep;
  sleep.Wake();
  sleep.Sleep(-1);  // returns: the wake came first
  std::thread sleeper([&sleep] { sleep.Sleep(-1); });
  sleep.Wake();
  sleeper.join();
}

// What others do to the open file ends the sleep and shows in Changed; the owner's own writes
// do not. (Where the system reports no changes, Changed is always true.)
TEST(AppendFileSleep, ChangesToTheWatchedFileAreSeen) {
  struct Case {
    const char* what;
    std::function<void(const TempDir&)> change;
  };
  const Case cases[] = {
      {"removed", [](const TempDir& d) { fs::remove(d / "sub/App.log"); }},
      {"moved aside", [](const TempDir& d) { fs::rename(d / "sub/App.log", d / "sub/old.log"); }},
      {"replaced",
       [](const TempDir& d) {
         std::ofstream(d / "sub/new.log") << "x";
         fs::rename(d / "sub/new.log", d / "sub/App.log");
       }},
      {"made read-only",
       [](const TempDir& d) { fs::permissions(d / "sub/App.log", fs::perms::owner_read); }},
      {"directory moved", [](const TempDir& d) { fs::rename(d / "sub", d / "moved"); }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    fs::create_directory(dir / "sub");
    const String path = FromUtf8(dir / "sub/App.log");
    platform::AppendFile file;
    platform::AppendFileSleep sleep;
    ASSERT_TRUE(file.Open(path)) << c.what;
    sleep.Watch(file, path);
    EXPECT_EQ(file.Write("line\r\n"), 6u);
    sleep.Sleep(0);
#if defined(__linux__)
    EXPECT_FALSE(sleep.Changed()) << c.what;  // a write is no change
#endif
    c.change(dir);
    sleep.Sleep(kBoundMs);
    EXPECT_TRUE(sleep.Changed()) << c.what;
#if defined(__linux__)
    EXPECT_FALSE(sleep.Changed()) << c.what;  // reported once
#endif
    sleep.Unwatch();
    EXPECT_TRUE(sleep.Changed()) << c.what;  // nothing watched: only the name can tell
  }
}

}  // namespace
}  // namespace qx
