// X and Z reports through the driver against the simulated printer: the commands, the counters
// of RT mode read back from the simulator's RT data files served by a real web server, and the
// MF-mode reading of Z-report texts.
#include <gtest/gtest.h>

#include <filesystem>

#include "epson_fixture.h"
#include "fpsim/field_text.h"
#include "transport/http_servers.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using webtest::RealWebServer;
using webtest::ServerKind;

// The folder the simulator writes its RT data files into; made before the simulator.
struct WebRootHolder {
  testing::TempDir fWebRoot;
};

fpsim::SimulatorConfig WebConfig(const std::string& aWebRoot, const char* aMode = "RT") {
  fpsim::SimulatorConfig config;
  config.webRoot = aWebRoot;
  config.fiscalMode = aMode;
  return config;
}

std::string Item(const std::string& aDescription, int64_t aCents, const std::string& aDepartment) {
  return "01" + fpsim::PadCut(aDescription, 32) + fpsim::Digits(1000, 7) + fpsim::Digits(aCents, 9) + aDepartment + "1";
}
std::string Payment(int64_t aCents) { return "01" + fpsim::PadCut("Contanti", 32) + fpsim::Digits(aCents, 9) + "000" + "1"; }

class ReportTest : public WebRootHolder, public testing::EpsonFixture {
 protected:
  explicit ReportTest(const char* aMode = "RT") : EpsonFixture(WebConfig(fWebRoot.Path(), aMode)) {}

  void SetUp() override {
    EpsonFixture::SetUp();
    fDevice->fFiscalMode = u"RT";
    fDevice->fSerialNumber = u"99MEB012345";
  }

  // Receipts printed on the printer as a POS program would have them printed: two sales on
  // different VAT rates and a refund of the first sale.
  void PrintTheDay() {
    fSimulator.WithModel([](fpsim::PrinterModel& m) {
      auto run = [&m](const char* aCommand, const std::string& aData) { ASSERT_EQ(m.Execute(aCommand, aData).error, 0) << aCommand; };
      run("1085", "01");
      run("1080", Item("Pane", 1220, "01"));
      run("1080", Item("Latte", 330, "02"));
      run("1084", Payment(1550));
      run("1085", "01");
      run("1080", Item("Vino", 2440, "01"));
      run("1084", Payment(2440));
      run("1078", "0140001REFUND 0001 0001 " + fpsim::DdMmYyyy(m.Clock()) + " 99MEB012345");
      run("1080", Item("Pane", 1220, "01"));
      run("1084", Payment(1220));
    });
  }
};

TEST_F(ReportTest, XReportSendsItsCommandAndDescribesItself) {
  fDevice->fLastReceiptNumber = 17;
  EXPECT_TRUE(fDevice->XReport(nullptr));
  EXPECT_EQ(fDevice->fLastReceiptNumber, 0);
  EXPECT_GT(fDevice->fLastReceiptDateTime, 0);
  const std::vector<std::string> frames = fSimulator.FramesReceived();
  EXPECT_NE(std::find_if(frames.begin(), frames.end(), [](const std::string& f) { return f.find("E200101") != std::string::npos; }),
            frames.end());
}

TEST_F(ReportTest, ZReportWithoutWebAddressResetsTheCountersAndSucceeds) {
  PrintTheDay();
  fDevice->fCounters.DayTotalAmount = Currency::FromInt(5);
  fDevice->fCounters.Text = u"old";
  fDevice->fCounters.DayVoidsAmount = Currency::FromInt(3);
  // The date file of the last closing lives under the working directory.
  testing::TempDir work;
  fs::create_directories(work / "LogFiles/FiscalPrinter");
  const fs::path old = fs::current_path();
  fs::current_path(work.Path());
  EXPECT_TRUE(fDevice->ZReport(nullptr));
  EXPECT_EQ(fDevice->LoadZReportDate(), Date());
  fs::current_path(old);
  EXPECT_FALSE(IO().ErrorFound());
  EXPECT_EQ(fDevice->fCounters.DayTotalAmount, Currency());
  EXPECT_TRUE(fDevice->fCounters.Text.empty());
  EXPECT_EQ(fDevice->fCounters.DayVoidsAmount, Currency::FromInt(3));  // a reset keeps the voids
  EXPECT_EQ(fSimulator.WithModel([](fpsim::PrinterModel& m) { return m.State().zNumber; }), 1);
}

TEST_F(ReportTest, ZReportCountersComeFromTheWebServerAsPrinted) {
  PrintTheDay();
  struct Expected {
    Currency Sales, Refunds, GrandSales;
    int Documents;
  };
  const Expected day = fSimulator.WithModel([](fpsim::PrinterModel& m) {
    const auto& s = m.State();
    return Expected{s.day.sales, s.day.refunds, s.grandSales, s.day.salesCount};
  });
  EXPECT_EQ(day.Sales, Currency::FromText(u"39.9"));
  EXPECT_EQ(day.Refunds, Currency::FromText(u"12.2"));
  for (ServerKind kind : {ServerKind::Nginx, ServerKind::Apache}) {
    if (const std::string missing = RealWebServer::Missing(kind); !missing.empty()) GTEST_SKIP() << missing;
  }
  RealWebServer nginx(ServerKind::Nginx, fWebRoot.Path(), true);
  fDevice->fBaseURL = FromUtf8(nginx.BaseURL());
  fDevice->fHTTPAuthType = at_Basic;
  fDevice->fHTTPUser = u"fp";
  fDevice->fHTTPPassword = u"secret";
  ASSERT_TRUE(fDevice->ZReport(nullptr));
  EXPECT_FALSE(IO().ErrorFound()) << ToUtf8(IO().ErrorMessage());
  const qxFiscalCounters& c = fDevice->fCounters;
  EXPECT_EQ(c.DayTotalAmount, day.Sales);
  EXPECT_EQ(c.DayRefundsAmount, day.Refunds);
  EXPECT_EQ(c.DayVoidsAmount, Currency());
  EXPECT_EQ(c.GrandTotalAmount, day.GrandSales);
  EXPECT_EQ(c.GrandTotalRefundsAmount, day.Refunds);
  EXPECT_EQ(c.DayReceiptsNumber, day.Documents);
  EXPECT_EQ(c.DayRefundsNumber, 0);
  EXPECT_EQ(c.ZReportNumber, 0);
  EXPECT_NE(c.Text.find(u"TOTALE GIORNO VENDITE"), String::npos) << ToUtf8(c.Text);

  // Without the printed closings the daily summary gives the same day (Apache, Digest).
  for (const auto& e : fs::recursive_directory_iterator(fWebRoot.Path()))
    if (e.path().string().ends_with("_ZREPORT.txt")) fs::remove(e.path());
  RealWebServer apache(ServerKind::Apache, fWebRoot.Path(), true);
  fDevice->fBaseURL = FromUtf8(apache.BaseURL());
  fDevice->fHTTPAuthType = at_Digest;
  StringList lines;
  EXPECT_TRUE(fDevice->ReadRTDayTotals(lines, Date(), Date() + EncodeTime(23, 59, 59, 999)));
  EXPECT_EQ(c.DayTotalAmount, day.Sales);
  EXPECT_EQ(c.DayRefundsAmount, day.Refunds);
  EXPECT_EQ(c.GrandTotalAmount, Currency());
  EXPECT_EQ(c.DayReceiptsNumber, 0);
  EXPECT_FALSE(lines.empty());
}

// The report is printed; the counters it could not read are zeros that must not pass for the
// day's totals, so the error state says they were not read.
TEST_F(ReportTest, AWebServerThatIsDownLeavesTheReportDoneAndSaysTheCountersWereNotRead) {
  PrintTheDay();
  fDevice->fBaseURL = u"http://127.0.0.1:" + IntToStr(webtest::FreePort());
  EXPECT_TRUE(fDevice->ZReport(nullptr));
  EXPECT_EQ(fDevice->fCommit, cms_Confirmed);
  ASSERT_TRUE(IO().ErrorFound());
  EXPECT_TRUE(ToUtf8(IO().ErrorMessage()).starts_with("The counters could not be read from the printer's web server (http://127.0.0.1:"))
      << ToUtf8(IO().ErrorMessage());
  EXPECT_EQ(fDevice->fCounters.DayTotalAmount, Currency());
  EXPECT_NE(CloseAndReadLog().find("HTTP Error:7 - "), std::string::npos);
}

TEST_F(ReportTest, GetEJFilesSavesTheDaysFiles) {
  if (const std::string missing = RealWebServer::Missing(ServerKind::Nginx); !missing.empty()) GTEST_SKIP() << missing;
  PrintTheDay();
  ASSERT_TRUE(fDevice->ZReport(nullptr));
  RealWebServer nginx(ServerKind::Nginx, fWebRoot.Path(), false);
  fDevice->fBaseURL = FromUtf8(nginx.BaseURL());
  testing::TempDir out;
  int32_t count = -1;
  EXPECT_TRUE(fDevice->GetEJFiles(ej_xml, out.Text() + u"/ej", count, Date(), Date() + EncodeTime(23, 59, 59, 0)));
  EXPECT_EQ(count, 2);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(out / "ej")) ++files;
  EXPECT_EQ(files, 2u);
}

// The Z-report texts of MF mode, read line by line.
class ZReportTextTest : public testing::EpsonFixture {};

std::string Block(const std::string& aDayTotal, const std::string& aGrand, const std::string& aZNumber,
                  const std::string& aDate = "05-01-25  00:15") {
  return "RAPPORTO   FISCALE\r\n" + aDate + "\r\nSCONTRINI FISCALI            3\r\nTOTALE GIORNO  " + aDayTotal +
         "\r\nGRAN TOTALE  " + aGrand + "\r\nNUMERO AZZERAMENTI  " + aZNumber + "\r\nSIGILLO FISCALE: 0A1B\r\n";
}

TEST_F(ZReportTextTest, BlocksOfTheDayAddUpAndTheLastGivesNumberDateAndGrandTotals) {
  kFiscalPrinter_EPSFPNAT& d = *fDevice;
  const std::string text = Block("100,00", "1.000,00", "0007") + Block("50,00", "1.050,00", "0008", "05-01-25  18:30");
  EXPECT_TRUE(d.ParseZReportText(FromUtf8(text)));
  EXPECT_EQ(d.fCounters.DayTotalAmount, Currency::FromInt(150));
  EXPECT_EQ(d.fCounters.GrandTotalAmount, Currency::FromInt(1050));
  EXPECT_EQ(d.fCounters.ZReportNumber, 8);
  EXPECT_EQ(d.fCounters.DayReceiptsNumber, 6);
  EXPECT_EQ(d.fCounters.ZReportDateTime, EncodeDate(2025, 1, 5) + EncodeTime(18, 30, 0, 0));
  EXPECT_EQ(d.fCounters.Text, FromUtf8(text));
}

TEST_F(ZReportTextTest, LabelsValuesAndLines) {
  struct Case {
    const char* Lines;
    Currency qxFiscalCounters::*Field;
    const char16_t* Value;
  };
  using C = qxFiscalCounters;
  for (const Case& c : {
           Case{"TOTALE GIORNO  1.234,56", &C::DayTotalAmount, u"1234.56"},
           Case{"TOTALE GIORNO  12?34", &C::DayTotalAmount, u"34"},
           Case{"TOTALE GIORNO NOTE di CREDITO  5,00", &C::DayRefundsAmount, u"5"},
           Case{"TOTALE GIORNO NOTE di CREDITO  5,00", &C::DayTotalAmount, u"0"},
           Case{"TOTALE GIORNO RESO MERCE  4,00", &C::DayRefundsAmount, u"4"},
           Case{"TOTALE GIORNO ANNULLAMENTI  3,00", &C::DayVoidsAmount, u"3"},
           Case{"TOTALE SCONTI  1,00\r\nTOTALE SCONTI  1,00", &C::DayDiscountsAmount, u"1"},
           Case{"TOTALE SCONTI  1,00\r\nX\r\nTOTALE SCONTI  1,00", &C::DayDiscountsAmount, u"1"},
           Case{"TOTALE RESI  2,50", &C::DayReturnsAmount, u"2.5"},
           Case{"GRAN TOTALE NOTE di CREDITO  8,00", &C::GrandTotalRefundsAmount, u"8"},
           Case{"GRAN TOTALE RESO MERCE  9,00", &C::GrandTotalRefundsAmount, u"9"},
           Case{"GRAN TOTALE ANNULLAMENTI  7,00", &C::GrandTotalVoidsAmount, u"7"},
           Case{"TOTALE GIORNO  abc", &C::DayTotalAmount, u"0"},
       }) {
    fDevice->ParseZReportText(FromUtf8(std::string("RAPPORTO   FISCALE\r\n") + c.Lines + "\r\nSIGILLO FISCALE: 1\r\n"));
    EXPECT_EQ(fDevice->fCounters.*c.Field, Currency::FromText(c.Value)) << c.Lines;
  }
  // Without its seal a block adds nothing; labels before the first block start are cleared.
  fDevice->ParseZReportText(u"TOTALE GIORNO  9,00\r\nRAPPORTO   FISCALE\r\nSIGILLO FISCALE: 1\r\nRAPPORTO   FISCALE\r\nTOTALE GIORNO  5,00\r\n");
  EXPECT_EQ(fDevice->fCounters.DayTotalAmount, Currency());
  fDevice->ParseZReportText(u"RAPPORTO   FISCALE\r\nNUMERO SCONTRINI NOTE di CREDITO   2\r\nNUMERO DOCUMENTI COMMERCIALI  4\r\nSIGILLO FISCALE: 1\r\n");
  EXPECT_EQ(fDevice->fCounters.DayRefundsNumber, 2);
  EXPECT_EQ(fDevice->fCounters.DayReceiptsNumber, 4);
}

TEST_F(ZReportTextTest, DateLinesAndWords) {
  EXPECT_TRUE(kFiscalPrinter_EPSFPNAT::IsZReportDateLine(u"05-01-25  00:15"));
  for (const char16_t* no : {u"05-01-25 00:15", u"32-01-25  00:15", u"05-13-25  00:15", u"05-01-25  24:00",
                             u"05-01-25  23:60", u"05-01-25  00", u"", u"05/01/25  00:15"})
    EXPECT_FALSE(kFiscalPrinter_EPSFPNAT::IsZReportDateLine(no)) << ToUtf8(no);
  EXPECT_EQ(kFiscalPrinter_EPSFPNAT::DecodeZReportDate(u"05-01-25  00:15"), EncodeDate(2025, 1, 5) + EncodeTime(0, 15, 0, 0));
  EXPECT_EQ(kFiscalPrinter_EPSFPNAT::DecodeZReportDate(u"31-02-25  00:15"), 0);
  EXPECT_EQ(kFiscalPrinter_EPSFPNAT::LastWord(u"  TOTALE GIORNO   1,00  "), u"1,00");
  EXPECT_EQ(kFiscalPrinter_EPSFPNAT::LastWord(u"   "), u"");
}

// The simulator's own MF Z report, as its journal keeps it, read back into the receipts' totals.
class MFReportTest : public ReportTest {
 protected:
  MFReportTest() : ReportTest("MF") {}
};

TEST_F(MFReportTest, TheSimulatorsZReportTextGivesTheDaysTotals) {
  PrintTheDay();
  const auto [sales, refunds, receipts] = fSimulator.WithModel([](fpsim::PrinterModel& m) {
    return std::tuple{m.State().day.sales, m.State().day.refunds, m.State().day.salesCount};
  });
  fSimulator.ClearPaper();
  fSimulator.WithModel([](fpsim::PrinterModel& m) { m.Execute("3001", "01"); });
  String text;
  for (const std::string& line : fSimulator.Paper()) text += FromUtf8(line) + u"\r\n";
  fDevice->ParseZReportText(text);
  EXPECT_EQ(fDevice->fCounters.DayTotalAmount, sales);
  EXPECT_EQ(fDevice->fCounters.DayRefundsAmount, refunds);
  EXPECT_EQ(fDevice->fCounters.DayReceiptsNumber, receipts);
  EXPECT_EQ(fDevice->fCounters.ZReportNumber, 1);
  EXPECT_EQ(fDevice->fCounters.GrandTotalAmount, sales);
}

}  // namespace
}  // namespace qx
