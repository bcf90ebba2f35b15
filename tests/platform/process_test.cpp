#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

extern char** environ;

namespace qx {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// The arguments the child run of this test program is given after its program name; they must
// come back exactly, empty ones, blanks and non-ASCII text included.
const std::vector<std::string> kChildArguments = {
    "--gtest_filter=ProcessChild.DISABLED_EchoesItsArguments", "--gtest_also_run_disabled_tests", "/BATCH", "", "two words", "caff\xC3\xA8"};
constexpr char kChildMarker[] = "QX_TEST_PROCESS_CHILD";

TEST(Process, ExecutableFacts) {
  const String path = platform::ExecutablePath();
  EXPECT_TRUE(platform::FileExists(path)) << ToUtf8(path);
  EXPECT_EQ(platform::ExecutableName(), u"tests_platform");
  EXPECT_EQ(platform::ExecutableDirectory(),
            FromUtf8(std::filesystem::path(ToUtf8(path)).parent_path().string()));
  EXPECT_EQ(platform::CombinePath(platform::ExecutableDirectory(), u"tests_platform"), path);
}

TEST(Process, CurrentDirectoryFollowsChdir) {
  TempDir dir;
  const String before = platform::CurrentDirectory();
  ASSERT_FALSE(before.empty());
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  const String inside = platform::CurrentDirectory();
  ASSERT_EQ(::chdir(ToUtf8(before).c_str()), 0);
  EXPECT_EQ(inside, FromUtf8(std::filesystem::canonical(dir.Path()).string()));
}

TEST(Process, CommandLineOfAChild) {
  std::vector<std::string> args = {"tests_platform"};
  args.insert(args.end(), kChildArguments.begin(), kChildArguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back(std::string(kChildMarker) + "=1");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), envp.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the child run saw other arguments";
}

// Runs only as the child of Process.CommandLineOfAChild (disabled in a normal run).
TEST(ProcessChild, DISABLED_EchoesItsArguments) {
  if (std::getenv(kChildMarker) == nullptr) GTEST_SKIP() << "runs as the child of Process.CommandLineOfAChild";
  StringList want;
  for (const std::string& a : kChildArguments) want.push_back(FromUtf8(a));
  EXPECT_EQ(platform::CommandLineArguments(), want);
}

TEST(Process, EnvironmentVariables) {
  {
    ScopedEnv value("QX_TEST_VALUE", "caff\xC3\xA8");
    EXPECT_EQ(platform::EnvironmentVariable(u"QX_TEST_VALUE"), u"caff\u00E8");
  }
  EXPECT_EQ(platform::EnvironmentVariable(u"QX_TEST_VALUE"), u"");
  EXPECT_EQ(platform::EnvironmentVariable(u""), u"");
  EXPECT_EQ(platform::EnvironmentVariable(u"A=B"), u"");
}

TEST(AppPaths, LogRootComesFromTheEnvironmentOrTheExecutable) {
  {
    ScopedEnv root("QX_LOG_ROOT", std::nullopt);
    EXPECT_EQ(platform::LogRootDirectory(), platform::ExecutableDirectory());
    EXPECT_EQ(platform::LogFilesDirectory(), platform::ExecutableDirectory() + u"/LogFiles");
  }
  ScopedEnv root("QX_LOG_ROOT", "/var/tmp/pos/");
  EXPECT_EQ(platform::LogFilesDirectory(), u"/var/tmp/pos/LogFiles");
}

}  // namespace
}  // namespace qx
