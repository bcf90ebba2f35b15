// The start-up check of RT-server mode: a Z report and the printer's clock set to the
// computer's when the clocks are more than five minutes apart or the last Z report is more
// than 90 days old or unknown.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "epson_fixture.h"
#include "sent_frames.h"

namespace qx {
namespace {

// The computer's clock of every case: 5 March 2025, 09:07:00.
const TDateTime kNow = EncodeDateTime({2025, 3, 5, 9, 7, 0, 0});
// What the check sends when a Z report is due.
const std::vector<std::string> kZReportAndClock = {"300101", "4001" "050325" "0907" "00"};
const std::vector<std::string> kNothing = {};

class RtServerStartUp : public testing::EpsonFixture {
 protected:
  void SetUp() override {
    EpsonFixture::SetUp();
    fOldDirectory = std::filesystem::current_path();
    std::filesystem::current_path(fWork.Path());
    fDevice->fRTServerActive = true;
    fDevice->fComputerClock = [] { return kNow; };
  }
  void TearDown() override { std::filesystem::current_path(fOldDirectory); }

  std::string DateFile() const { return fWork / "LogFiles/FiscalPrinter/99MEB012345_ZrepDate.stv"; }
  // The date file's content; empty: its folder but no file; none: not even the folder, so no
  // date can be written either.
  void SetDateFile(const std::optional<std::string>& aContent) {
    std::filesystem::remove_all(fWork / "LogFiles");
    if (!aContent) return;
    std::filesystem::create_directories(fWork / "LogFiles/FiscalPrinter");
    if (!aContent->empty()) std::ofstream(DateFile(), std::ios::binary) << *aContent;
  }
  static std::string DateText(TDateTime aDate) {
    const DateTimeParts p = DecodeDateTime(aDate);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d\r\n", p.Year, p.Month, p.Day);
    return text;
  }
  void SetPrinterClock(int aHour, int aMinute) {
    fSimulator.WithModel([&](fpsim::PrinterModel& m) { m.SetClock(EncodeDateTime({2025, 3, 5, aHour, aMinute, 0, 0}), true); });
  }

  // Init, then the Z report and clock frames it sent.
  std::vector<std::string> RunInit() {
    fSimulator.ClearTranscript();
    EXPECT_TRUE(fDevice->Init());
    std::vector<std::string> out;
    for (const std::string& s : testing::SentFrames(fSimulator))
      if (s.compare(0, 4, "3001") == 0 || s.compare(0, 4, "4001") == 0) out.push_back(s);
    return out;
  }

  testing::TempDir fWork;
  std::filesystem::path fOldDirectory;
};

TEST_F(RtServerStartUp, ZReportWhenClocksDifferOrTheLastOneIsOldOrUnknown) {
  struct Case {
    const char* name;
    int hour, minute;  // the printer's clock
    std::optional<std::string> dateFile;
    const std::vector<std::string>& expected;
  } cases[] = {
      {"6 minutes behind", 9, 1, DateText(kNow - 1), kZReportAndClock},
      {"6 minutes ahead", 9, 13, DateText(kNow - 1), kZReportAndClock},
      {"5 minutes behind, Z 10 days ago", 9, 2, DateText(kNow - 10), kNothing},
      {"5 minutes ahead, Z 90 days ago", 9, 12, DateText(kNow - 90), kNothing},
      {"in step, Z 91 days ago", 9, 7, DateText(kNow - 91), kZReportAndClock},
      {"in step, no stored date", 9, 7, std::string(), kZReportAndClock},
      {"in step, no date file and none can be written", 9, 7, std::nullopt, kZReportAndClock},
  };
  for (const Case& c : cases) {
    SetPrinterClock(c.hour, c.minute);
    SetDateFile(c.dateFile);
    EXPECT_EQ(RunInit(), c.expected) << c.name;
    EXPECT_EQ(ToUtf8(fDevice->fSerialNumber), "99MEB012345") << c.name;
    if (&c.expected == &kZReportAndClock) {
      // The date of this closing is kept where a folder for it exists, and the printer's clock
      // now reads the computer's time.
      if (c.dateFile) {
        EXPECT_EQ(testing::ReadFile(DateFile()), DateText(kNow)) << c.name;
      }
      EXPECT_EQ(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.Clock(); }), kNow) << c.name;
    }
  }
}

// A date file that cannot be read says no more than a missing one: the Z report is due, the
// reason is logged and the file gets the new date. Init still succeeds.
TEST_F(RtServerStartUp, UnreadableDateFileCountsAsNoDate) {
  SetPrinterClock(9, 7);
  SetDateFile("10/10/2022\r\n");
  EXPECT_EQ(RunInit(), kZReportAndClock);
  EXPECT_EQ(testing::ReadFile(DateFile()), DateText(kNow));
  EXPECT_NE(CloseAndReadLog().find("DateTime Format invalid: [10/10/2022]"), std::string::npos);
}

// Without the printer's status nothing is compared; a Z report that fails leaves the clock and
// the date file alone.
TEST_F(RtServerStartUp, NothingMoreAfterAFailure) {
  SetPrinterClock(9, 1);
  SetDateFile(DateText(kNow - 1));
  fSimulator.AddFault("2050:error=13");
  EXPECT_EQ(RunInit(), kNothing);
  fSimulator.AddFault("3001:error=13");
  EXPECT_EQ(RunInit(), std::vector<std::string>{"300101"});
  EXPECT_EQ(testing::ReadFile(DateFile()), DateText(kNow - 1));
  EXPECT_NE(CloseAndReadLog().find("Clock and Z report check skipped: the printer status could not be read"),
            std::string::npos);
}

// Without an RT server there is no such check.
TEST_F(RtServerStartUp, NotWithoutAnRTServer) {
  fDevice->fRTServerActive = false;
  SetPrinterClock(9, 1);
  SetDateFile(std::nullopt);
  EXPECT_EQ(RunInit(), kNothing);
}

}  // namespace
}  // namespace qx
