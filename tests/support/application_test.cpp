#include "support/application.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

std::string ReadFile(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ApplicationSwitches, MatchRules) {
  struct Case { StringList args; bool batch, debug, test; };
  const Case cases[] = {
      {{}, false, false, false},
      {{u"/BATCH"}, true, false, false},
      {{u"/batch", u"/Debug", u"/tEsT"}, true, true, true},
      {{u"/BATCH:1", u"/DEBUG=yes", u"/TEST:"}, true, true, true},
      {{u"/BATCHED", u"/DEBUG-1", u"/TESTING"}, false, false, false},
      {{u"BATCH", u"-DEBUG", u"--test", u"/ TEST"}, false, false, false},
      {{u"x", u"", u"/Debug:/BATCH"}, false, true, false},
      {{u"/BAT", u"/"}, false, false, false},
  };
  for (const Case& c : cases) {
    const ApplicationSwitches s = ReadApplicationSwitches(c.args);
    std::string label;
    for (const String& a : c.args) label += "[" + ToUtf8(a) + "]";
    EXPECT_EQ(s.IsBatch, c.batch) << label;
    EXPECT_EQ(s.IsDebug, c.debug) << label;
    EXPECT_EQ(s.IsTest, c.test) << label;
  }
}

tQX_ApplicationSetup TestSetup(const TempDir& aDir, StringList aArguments = {}) {
  return {aDir.Text() + u"/LogFiles", u"pos", std::move(aArguments), LibraryString};
}

TEST(Application, LogsToItsFileAndKeepsTheLastError) {
  TempDir dir;
  {
    tQX_Application app(TestSetup(dir, {u"/test"}));
    // The directory comes with the writer, before the first line.
    EXPECT_TRUE(platform::DirectoryExists(dir.Text() + u"/LogFiles"));
    ASSERT_NE(app.Logger(), nullptr);
    EXPECT_EQ(app.Logger()->FileName(), dir.Text() + u"/LogFiles/pos.log");
    EXPECT_FALSE(app.Logger()->Daily());
    EXPECT_TRUE(app.IsTest());
    EXPECT_FALSE(app.IsBatch());
    EXPECT_EQ(app.Info().Version(), u"2.10");

    app.Log(let_error, u"Port busy");
    app.Log(let_info, u"Started");
    EXPECT_EQ(app.LastError(), u"Port busy");
    app.Log(let_error, u"Read Timeout");
    EXPECT_EQ(app.LastError(), u"Read Timeout");
  }
  // The destructor drained the log.
  const std::string text = ReadFile(dir / "LogFiles/pos.log");
  EXPECT_NE(text.find(" - ERROR - Port busy\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" - Started\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" - ERROR - Read Timeout\r\n"), std::string::npos) << text;
}

TEST(Application, LogPathTheWriterRefusesLeavesNoLog) {
  TempDir dir;
  tQX_ApplicationSetup setup = TestSetup(dir);
  setup.LogDirectory += String(1, u'\0');
  tQX_Application app(setup);
  EXPECT_EQ(app.Logger(), nullptr);
  app.Log(let_error, u"still kept");
  EXPECT_EQ(app.LastError(), u"still kept");
  EXPECT_EQ(app.Info().Version(), u"2.10");
}

TEST(Application, HostSetupPlacesTheLogBesideTheProgramOrUnderTheLogRoot) {
  {
    ScopedEnv root("QX_LOG_ROOT", std::nullopt);
    const tQX_ApplicationSetup setup = HostApplicationSetup();
    EXPECT_EQ(setup.LogDirectory, platform::ExecutableDirectory() + u"/LogFiles");
    EXPECT_EQ(setup.LogFileName, u"tests_support");
  }
  {
    ScopedEnv root("QX_LOG_ROOT", "");  // set but empty: as if not set
    EXPECT_EQ(HostApplicationSetup().LogDirectory, platform::ExecutableDirectory() + u"/LogFiles");
  }
  TempDir dir;
  ScopedEnv root("QX_LOG_ROOT", dir.Path());
  const tQX_ApplicationSetup setup = HostApplicationSetup();
  EXPECT_EQ(setup.LogDirectory, dir.Text() + u"/LogFiles");
  EXPECT_EQ(setup.LogFileName, u"tests_support");
  EXPECT_EQ(setup.Arguments, platform::CommandLineArguments());
}

TEST(Application, ProcessWideObjectAndVersionText) {
  TempDir dir;
  ScopedEnv root("QX_LOG_ROOT", dir.Path());
  CreateApplication();
  tQX_Application& app = Application();
  EXPECT_EQ(&app, &Application());
  EXPECT_EQ(DriverVersionText(), u"Version 2.10 - 10/10/2022");
  ASSERT_NE(app.Logger(), nullptr);
  EXPECT_EQ(app.Logger()->FileName(), dir.Text() + u"/LogFiles/tests_support.log");
  app.Log(let_info, u"Library loaded");
  DestroyApplication();
  EXPECT_NE(ReadFile(dir / "LogFiles/tests_support.log").find(" - Library loaded\r\n"), std::string::npos);
  DestroyApplication();  // a second unload does nothing

  // Used again after an unload, the object comes back.
  EXPECT_EQ(Application().Info().Version(), u"2.10");
  DestroyApplication();
}

TEST(Application, VersionTextOfAnyInformation) {
  tQX_ApplicationInfo info;
  EXPECT_EQ(DriverVersionText(info), u"Version  - ");
  info.SetVersion(u"3.01");
  info.SetReleaseDate(EncodeDate(2024, 3, 5));
  EXPECT_EQ(DriverVersionText(info), u"Version 3.01 - 05/03/2024");
  EXPECT_EQ(info.VersionString(), u"[3.01 - 05/03/2024]");
}

}  // namespace
}  // namespace qx
