// PRINTXR, PRINTZR and GETEJFILES through the exported functions, against the simulator program
// writing its RT data files into a folder that a real web server serves. The receipts of the day
// are printed on the simulator's TCP port, as another till program would print them, so that
// the counters of the Z report can be checked against what was printed.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../transport/http_servers.h"
#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Element;
namespace fs = std::filesystem;
using e2e::Answer;
using e2e::Library;
using webtest::RealWebServer;
using webtest::ServerKind;

// Native frames on the simulator's TCP port: frame, ACK, answer, our ACK.
class RawTill {
 public:
  explicit RawTill(int aPort) {
    fFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(aPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("connect");
  }
  ~RawTill() { ::close(fFd); }

  // The answer frame's inner text; "ERR" answers come back as they are.
  std::string Send(const std::string& aCommand, const std::string& aData) {
    fFrame = fFrame % 99 + 1;
    std::string body = (fFrame < 10 ? "0" : "") + std::to_string(fFrame) + "E" + aCommand + aData;
    int sum = 0;
    for (unsigned char c : body) sum += c;
    body += (sum % 100 < 10 ? "0" : "") + std::to_string(sum % 100);
    const std::string frame = "\x02" + body + "\x03";
    ::send(fFd, frame.data(), frame.size(), MSG_NOSIGNAL);
    std::string in;
    for (int i = 0; i < 500 && (in.find('\x02') == std::string::npos || in.find('\x03', in.find('\x02')) == std::string::npos); ++i) {
      pollfd p{fFd, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::recv(fFd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      in.append(buffer, static_cast<size_t>(n));
    }
    ::send(fFd, "\x06", 1, MSG_NOSIGNAL);
    const size_t stx = in.find('\x02');
    const size_t etx = stx == std::string::npos ? stx : in.find('\x03', stx);
    return etx == std::string::npos ? std::string() : in.substr(stx + 1, etx - stx - 1);
  }

 private:
  int fFd = -1;
  int fFrame = 0;
};

std::string Pad(const std::string& aText, size_t aWidth) { return (aText + std::string(aWidth, ' ')).substr(0, aWidth); }
std::string Digits(int64_t aValue, size_t aWidth) {
  const std::string s = std::to_string(aValue);
  return std::string(aWidth > s.size() ? aWidth - s.size() : 0, '0') + s;
}

class Reports : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = fs::temp_directory_path() / ("qx-e2e-reports-" + std::to_string(::getpid()));
    fs::remove_all(fRoot);
    fs::create_directories(fRoot / "web");
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<Library>();
    fSimulator = std::make_unique<e2e::SimulatorProcess>(std::vector<std::string>{"--web-root", (fRoot / "web").string()});
  }
  void TearDown() override {
    if (fHandle > 0) fLibrary->Call("CLOSE", Request(""));
    fSimulator.reset();
    fLibrary.reset();
    if (std::getenv("QX_KEEP_LOGS") == nullptr) fs::remove_all(fRoot);
  }

  std::string Request(const std::string& aMore) const {
    return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>reports</LogId><Handle>" + std::to_string(fHandle) +
           "</Handle><Connection><Type>serial</Type><SerialPort>" + fSimulator->Device() +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>1000</ReadTimeout>" + fConnectionExtra + "</Connection>" + aMore + "</Request>";
  }
  void Open(const std::string& aWebConnection) {
    fConnectionExtra = aWebConnection;
    const Answer open = fLibrary->Call("OPEN", Request(""));
    ASSERT_EQ(open.Result, 0u) << open.Output << open.ErrorText;
    fHandle = std::stoi(Element(open.Output, "Handle"));
  }
  // Two sales and a refund of the first; answers the day's sales, refunds and sales count.
  void PrintTheDay() {
    RawTill till(fSimulator->Port());
    auto item = [](const std::string& aText, int64_t aCents, const std::string& aDept) {
      return "01" + Pad(aText, 32) + Digits(1000, 7) + Digits(aCents, 9) + aDept + "1";
    };
    auto pay = [](int64_t aCents) { return "01" + Pad("Contanti", 32) + Digits(aCents, 9) + "000" + "1"; };
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%d%m%Y", &local);
    for (const auto& [command, data] : std::vector<std::pair<std::string, std::string>>{
             {"1085", "01"}, {"1080", item("Pane", 1220, "01")}, {"1080", item("Latte", 330, "02")}, {"1084", pay(1550)},
             {"1085", "01"}, {"1080", item("Vino", 2440, "01")}, {"1084", pay(2440)},
             {"1078", std::string("0140001REFUND 0001 0001 ") + today + " 99MEB012345"},
             {"1080", item("Pane", 1220, "01")}, {"1084", pay(1220)}}) {
      const std::string answer = till.Send(command, data);
      ASSERT_EQ(answer.find("ERR"), std::string::npos) << command << ": " << answer;
    }
  }

  fs::path fRoot;
  std::unique_ptr<Library> fLibrary;
  std::unique_ptr<e2e::SimulatorProcess> fSimulator;
  std::string fConnectionExtra;
  int fHandle = 0;
};

TEST_F(Reports, XAndZReportWithoutWebAddress) {
  Open("");
  PrintTheDay();
  const Answer x = fLibrary->Call("PRINTXR", Request(""));
  ASSERT_EQ(x.Result, 0u) << x.Output;
  EXPECT_EQ(Element(x.Output, "Error"), "False");
  EXPECT_EQ(Element(x.Output, "XReportNumber"), "0");
  EXPECT_EQ(Element(x.Output, "DeviceSerialNumber"), "99MEB012345");
  const Answer z = fLibrary->Call("PRINTZR", Request("<ZReport/>"));
  ASSERT_EQ(z.Result, 0u) << z.Output;
  EXPECT_EQ(Element(z.Output, "Error"), "False");
  // The report's own number, the closing the printer gave it, even without its counters.
  EXPECT_EQ(Element(z.Output, "ZReportNumber"), "1");
  EXPECT_EQ(Element(z.Output, "DayTotalAmount"), "0");
  EXPECT_EQ(Element(z.Output, "DayReceiptsNumber"), "0");
  EXPECT_EQ(Element(z.Output, "Text"), "");
}

// In MF mode the counters come from the day's Z reports read back from the printer's journal.
TEST_F(Reports, MfZReportCountersFromTheJournal) {
  fSimulator = std::make_unique<e2e::SimulatorProcess>(std::vector<std::string>{"--set", "mode=MF"});
  Open("");
  PrintTheDay();
  const Answer z = fLibrary->Call("PRINTZR", Request("<ZReport/>"));
  ASSERT_EQ(z.Result, 0u) << z.Output << z.ErrorText;
  EXPECT_EQ(Element(z.Output, "Error"), "False");
  EXPECT_EQ(Element(z.Output, "DayTotalAmount"), "39.9") << z.Output;
  EXPECT_EQ(Element(z.Output, "DayReceiptsNumber"), "2");
  EXPECT_EQ(Element(z.Output, "ZReportNumber"), "1");
  EXPECT_NE(Element(z.Output, "Text"), "");
}

TEST_F(Reports, ZReportCountersAndEJFilesFromTheWebServer) {
  for (ServerKind kind : {ServerKind::Nginx, ServerKind::Apache})
    if (const std::string missing = RealWebServer::Missing(kind); !missing.empty()) GTEST_SKIP() << missing;
  RealWebServer apache(ServerKind::Apache, (fRoot / "web").string(), true);
  Open("<URL>" + apache.BaseURL() + "</URL><AuthType>digest</AuthType><User>fp</User><Password>secret</Password>");
  PrintTheDay();
  const Answer z = fLibrary->Call("PRINTZR", Request(""));
  ASSERT_EQ(z.Result, 0u) << z.Output;
  EXPECT_EQ(Element(z.Output, "Error"), "False");
  EXPECT_EQ(Element(z.Output, "DayTotalAmount"), "39.9");
  EXPECT_EQ(Element(z.Output, "DayRefundsAmount"), "12.2");
  EXPECT_EQ(Element(z.Output, "DayVoidsAmount"), "0");
  EXPECT_EQ(Element(z.Output, "GrandTotalAmount"), "39.9");
  EXPECT_EQ(Element(z.Output, "GrandTotalRefundsAmount"), "12.2");
  EXPECT_EQ(Element(z.Output, "DayReceiptsNumber"), "2");
  EXPECT_EQ(Element(z.Output, "DayRefundsNumber"), "0");
  EXPECT_NE(Element(z.Output, "Text").find("TOTALE GIORNO VENDITE"), std::string::npos) << z.Output;

  // The day's files, downloaded into a folder of the caller's choice.
  const fs::path out = fRoot / "ej" / "day";
  char start[32], end[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::strftime(start, sizeof start, "%Y-%m-%dT00:00:00", &local);
  std::strftime(end, sizeof end, "%Y-%m-%dT23:59:59", &local);
  const Answer files = fLibrary->Call("GETEJFILES", Request(std::string("<EJRequest><RequestType>xml</RequestType><StartDate>") +
                                                            start + "</StartDate><EndDate>" + end + "</EndDate><OutputDir>" +
                                                            out.string() + "</OutputDir></EJRequest>"));
  ASSERT_EQ(files.Result, 0u) << files.Output;
  EXPECT_EQ(Element(files.Output, "FilesCount"), "2");
  size_t saved = 0;
  for (const auto& e : fs::directory_iterator(out)) saved += e.path().filename().string().rfind("99MEB012345-", 0) == 0;
  EXPECT_EQ(saved, 2u);
}

TEST_F(Reports, GetEJFilesNeverWritesOutsideItsFolderAndAFailedDownloadAnswersNoFiles) {
  if (const std::string missing = RealWebServer::Missing(ServerKind::Nginx); !missing.empty()) GTEST_SKIP() << missing;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char day[16], date[16];
  std::strftime(day, sizeof day, "%Y%m%d", &local);
  std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  const std::string name = std::string("99MEB012345-") + day + "T1000";
  // A listing of the printer's making: a name that would climb out of the folder (the Windows
  // separator), a rooted link (fetched from the printer's address, saved in the folder) and a
  // plain name.
  const fs::path folder = fRoot / "web" / "www" / "dati-rt" / day;
  webtest::WriteText(folder / "index.html", "<a href=\"" + name + "00\\..\\..\\ZREPORT.txt\">a</a><a href=\"/tmp/" + name +
                                                "01_ZREPORT.txt\">b</a><a href=\"" + name + "02_ZREPORT.txt\">c</a>");
  webtest::WriteText(folder / (name + "02_ZREPORT.txt"), "TOTALE\n");
  webtest::WriteText(fRoot / "web" / "tmp" / (name + "01_ZREPORT.txt"), "ROOTED\n");
  RealWebServer nginx(ServerKind::Nginx, (fRoot / "web").string(), false);
  Open("<URL>" + nginx.BaseURL() + "</URL>");
  const fs::path out = fRoot / "ej" / "day";
  const std::string request = std::string("<EJRequest><RequestType>xml</RequestType><StartDate>") + date +
                              "T00:00:00</StartDate><EndDate>" + date + "T23:59:59</EndDate><OutputDir>" + out.string() +
                              "</OutputDir></EJRequest>";
  const Answer files = fLibrary->Call("GETEJFILES", Request(request));
  ASSERT_EQ(files.Result, 0u) << files.Output;
  EXPECT_EQ(Element(files.Output, "FilesCount"), "2");
  size_t written = 0;
  for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(fRoot / "ej")) ++written;
  EXPECT_EQ(written, 3u);  // the folder and the two files
  EXPECT_TRUE(fs::exists(out / (name + "01_ZREPORT.txt")));
  EXPECT_TRUE(fs::exists(out / (name + "02_ZREPORT.txt")));
  EXPECT_FALSE(fs::exists("/tmp/" + name + "01_ZREPORT.txt"));
  // A file the server refuses: the request fails and answers no files.
  fs::remove(folder / (name + "02_ZREPORT.txt"));
  const Answer failed = fLibrary->Call("GETEJFILES", Request(request));
  EXPECT_EQ(Element(failed.Output, "Error"), "True");
  EXPECT_EQ(Element(failed.Output, "FilesCount"), "0");
  EXPECT_EQ(Element(failed.Output, "ErrorText"), "The RT data files could not all be saved: 1 saved");

  // The skipped name has its log line (the log is complete once the device is closed).
  fLibrary->Call("CLOSE", Request(""));
  fHandle = 0;
  std::ifstream log(Element(files.Output, "LogFileName"));
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("kEpsonRTData.GetRTFiles:File name skipped: " + name + "00\\..\\..\\ZREPORT.txt"),
            std::string::npos);
}

TEST_F(Reports, AWebServerThatIsDownLeavesTheZReportPrinted) {
  Open("<URL>http://127.0.0.1:" + std::to_string(webtest::FreePort()) + "</URL>");
  PrintTheDay();
  const Answer z = fLibrary->Call("PRINTZR", Request(""));
  ASSERT_EQ(z.Result, 0u) << z.Output;
  EXPECT_EQ(Element(z.Output, "Error"), "False");
  EXPECT_EQ(Element(z.Output, "DayTotalAmount"), "0");
  // The day is closed all the same: the printer's journal has the report.
  const Answer again = fLibrary->Call("PRINTZR", Request(""));
  EXPECT_EQ(Element(again.Output, "Error"), "False");
}

}  // namespace
