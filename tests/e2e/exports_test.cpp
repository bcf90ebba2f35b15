// The exported functions called as a point-of-sale program calls them.
#include <gtest/gtest.h>

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Answer;
using e2e::Library;
using e2e::U16;

// "|" in an expected answer stands for CR LF.
std::string Crlf(const std::string& aText) {
  std::string out;
  for (char c : aText) out += c == '|' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string Escaped(const std::string& aText) {
  std::string out;
  for (char c : aText) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string FailedTail(const std::string& aMessage) {
  return "<Error>True</Error>\r\n<ErrorText>" + Escaped(aMessage) + "</ErrorText>\r\n<LogFileName></LogFileName>";
}

class Exports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The library's logs go to a folder of the test's own.
    static std::string root = (std::filesystem::temp_directory_path() / "qx-e2e-logs").string();
    std::filesystem::create_directories(root);
    ::setenv("QX_LOG_ROOT", root.c_str(), 1);
    sLibrary = new Library();
  }
  static void TearDownTestSuite() {
    delete sLibrary;
    sLibrary = nullptr;
  }
  static Library* sLibrary;
};
Library* Exports::sLibrary = nullptr;

TEST_F(Exports, VersionOfTheRegisteredDriverOnly) {
  const Answer a = sLibrary->Call("VERSION", std::string("QXRP_EPSFPNAT_20"));
  EXPECT_EQ(a.Output, "Version 2.10 - 10/10/2022");
  EXPECT_EQ(a.Result, 0u);
  for (const char* name : {"qxrp_epsfpnat_20", "", "OTHER"}) {
    const Answer other = sLibrary->Call("VERSION", std::string(name));
    EXPECT_TRUE(other.OutputNull) << name;
    EXPECT_EQ(other.Result, 0u) << name;
  }
}

// Each export's answer in its cleared state, exactly, for a request that is not XML.
TEST_F(Exports, EveryExportAnswersItsClearedRecordForARequestThatIsNotXml) {
  const std::string dt = "1899-12-30T00:00:00";
  const struct { const char* name; std::string fields; } exports[] = {
      {"PRINTFR", "<ReceiptDateTime>" + dt + "</ReceiptDateTime>|<ReceiptNumber></ReceiptNumber>|"
                  "<DeviceSerialNumber></DeviceSerialNumber>|<EJNumber></EJNumber>|<EJClosingNumber></EJClosingNumber>|"
                  "<ServerSerialNumber></ServerSerialNumber>|<ReceiptText></ReceiptText>|<ReceiptImage></ReceiptImage>|"
                  "<InvoiceNumber></InvoiceNumber>|<InvoiceDateTime>" + dt + "</InvoiceDateTime>|"
                  "<MessageText></MessageText>|"},
      {"REPRINTFR", ""},
      {"PRINTXR", "<XReportDateTime>" + dt + "</XReportDateTime>|<XReportNumber></XReportNumber>|"
                  "<DeviceSerialNumber></DeviceSerialNumber>|<ServerSerialNumber></ServerSerialNumber>|"
                  "<EJNumber></EJNumber>|<EJClosingNumber></EJClosingNumber>|"},
      {"PRINTZR", "<ZReportDateTime>" + dt + "</ZReportDateTime>|<ZReportNumber></ZReportNumber>|"
                  "<DeviceSerialNumber></DeviceSerialNumber>|<ServerSerialNumber></ServerSerialNumber>|"
                  "<EJNumber></EJNumber>|<EJClosingNumber></EJClosingNumber>|<GrandTotalAmount>0</GrandTotalAmount>"
                  "<GrandTotalRefundsAmount>0</GrandTotalRefundsAmount><GrandTotalVoidsAmount>0</GrandTotalVoidsAmount>"
                  "<DayTotalAmount>0</DayTotalAmount><DayDiscountsAmount>0</DayDiscountsAmount>"
                  "<DayReturnsAmount>0</DayReturnsAmount><DayRefundsAmount>0</DayRefundsAmount>"
                  "<DayVoidsAmount>0</DayVoidsAmount><DayReceiptsNumber>0</DayReceiptsNumber>"
                  "<DayRefundsNumber>0</DayRefundsNumber><Text></Text>"},
      {"PRINTNFR", "<NFReceiptDateTime>" + dt + "</NFReceiptDateTime>|<NFReceiptNumber></NFReceiptNumber>|"},
      {"DISPLAY", ""},
      {"OPENDR", ""},
      {"GETSTATUS", "<DayOpened>False</DayOpened>|<DateTime>" + dt + "</DateTime>|<PaperEnd>False</PaperEnd>|"
                    "<PaperNearEnd>False</PaperNearEnd>|<CoverOpen>False</CoverOpen>|"
                    "<FiscalReceiptOpen>False</FiscalReceiptOpen>|<ReceiptOpen>False</ReceiptOpen>|"
                    "<TrainingMode>False</TrainingMode>|<FirmwareVersion></FirmwareVersion>|"
                    "<SerialNumber></SerialNumber>|<FiscalMode></FiscalMode>|"},
      {"SET", ""},
      {"SETDATETIME", "<DateTime>" + dt + "</DateTime>|"},
      {"OPEN", "<Handle>0</Handle>|"},
      {"GETDRSTATUS", "<IsOpen>False</IsOpen>|"},
      {"EJREPORT", "<Text></Text>|"},
      {"CLOSE", ""},
      {"GETVATTABLE", "<VATTable>|</VATTable>|"},
      {"SETVATTABLE", ""},
      {"GETDEPTTABLE", "<DeptTable>|</DeptTable>|"},
      {"SETDEPTTABLE", ""},
      {"PAY", "<DeviceId></DeviceId>|<PaymentDateTime>" + dt + "</PaymentDateTime>|<PaymentNumber></PaymentNumber>|"
              "<PaymentAmount>0</PaymentAmount>|<PaymentCurrency></PaymentCurrency>|<ExchangeRate>0</ExchangeRate>|"
              "<PaymentAmountCurrency>0</PaymentAmountCurrency>|<MaskedPAN></MaskedPAN>|"
              "<PaymentNetwork>other</PaymentNetwork>|<TransactionType>OTHER</TransactionType>|"
              "<AuthCode></AuthCode>|<TraceAuditId></TraceAuditId>|<RawResponse></RawResponse>|"
              "<ReceiptText></ReceiptText>|"},
      {"GETLOTTERYRCPTSTATUS", "<CorrectlySent>False</CorrectlySent>|<StatusCode></StatusCode>|"
                               "<StatusDescription></StatusDescription>|<ReferenceId></ReferenceId>|"},
      {"GETEJFILES", "<FilesCount>0</FilesCount>|"},
  };
  for (const auto& e : exports) {
    const Answer a = sLibrary->Call(e.name, std::string("this is < not xml"));
    EXPECT_FALSE(a.ErrorText.empty()) << e.name;
    EXPECT_EQ(a.Output, Crlf(e.fields) + FailedTail(a.ErrorText)) << e.name;
    EXPECT_EQ(a.Result, 65535u) << e.name;
  }
}

TEST_F(Exports, LookupMessages) {
  struct Case { const char* function; std::string request; std::string message; };
  const Case cases[] = {
      {"GETSTATUS", "<R/>", "Fiscal Printer has not previously opened"},
      {"GETSTATUS", "<R><Handle>-4</Handle></R>", "Fiscal Printer has not previously opened"},
      {"CLOSE", "<R><Handle>9999</Handle></R>", "Printer Handle not found"},
      {"OPEN", "<R><Driver>qxrp_epsfpnat_20</Driver></R>", "Fiscal Printer Driver [qxrp_epsfpnat_20] not registered."},
      {"PAY", "<R><Payment/></R>", "Fiscal Printer Driver [] not registered."},
      {"OPEN", "<R><Driver>&lt;a&amp;\"b'&gt;</Driver></R>", "Fiscal Printer Driver [<a&\"b'>] not registered."},
      {"GETSTATUS", "<R><Handle>one</Handle></R>",
       "Error in processing node Handle as integer.\r\n'one' is not a valid integer value"},
      {"OPEN", "<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>usb</Type></Connection></R>",
       "Connection Type usb is not valid"},
      {"OPENDR", "<R><Handle>1</Handle></R>", "Drawer node not found"},
  };
  for (const Case& c : cases) {
    const Answer a = sLibrary->Call(c.function, c.request);
    EXPECT_EQ(a.ErrorText, c.message) << c.request;
    // Escaped inside the answer, raw in the error output.
    EXPECT_NE(a.Output.find("<ErrorText>" + Escaped(c.message) + "</ErrorText>\r\n<LogFileName></LogFileName>"),
              std::string::npos)
        << a.Output;
    EXPECT_EQ(a.Result, 65535u);
  }
}

TEST_F(Exports, BadInputsAnswerTheirErrors) {
  auto fn = reinterpret_cast<e2e::RequestFunction>(sLibrary->Symbol("GETSTATUS"));
  // Null request, null outputs: nothing is written through a null pointer.
  EXPECT_EQ(fn(nullptr, nullptr, nullptr), 65535u);
  QXRP_BSTR out = nullptr;
  EXPECT_EQ(fn(nullptr, &out, nullptr), 65535u);
  EXPECT_NE(out, nullptr);
  sLibrary->Free(out);
  // Outputs that held strings are overwritten, not released (the caller still owns them).
  QXRP_BSTR heldOut = sLibrary->Alloc(u"held");
  QXRP_BSTR heldErr = sLibrary->Alloc(u"held");
  out = heldOut;
  QXRP_BSTR err = heldErr;
  QXRP_BSTR in = sLibrary->Alloc(u"<R/>");
  EXPECT_EQ(fn(in, &out, &err), 65535u);
  EXPECT_NE(out, heldOut);
  EXPECT_EQ(sLibrary->Text(err), u"Fiscal Printer has not previously opened");
  EXPECT_EQ(sLibrary->Text(heldOut), u"held");
  for (QXRP_BSTR s : {heldOut, heldErr, in, out, err}) sLibrary->Free(s);
  // An unpaired surrogate, a NUL character and a huge text.
  std::u16string lone = u"<R><LogId>";
  lone += char16_t(0xD800);
  lone += u"</LogId></R>";
  EXPECT_EQ(sLibrary->Call("GETSTATUS", lone).ErrorText, "Fiscal Printer has not previously opened");
  EXPECT_FALSE(sLibrary->Call("GETSTATUS", std::u16string(u"<R>\0</R>", 8)).ErrorText.empty());
  const Answer huge = sLibrary->Call("GETSTATUS", std::u16string(17 * 1024 * 1024, u' '));
  EXPECT_EQ(huge.ErrorText, "The request text is too long");
  EXPECT_EQ(sLibrary->Call("GETSTATUS", std::u16string()).Result, 65535u);
}

std::string ReadWholeFile(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t CountEntries(const char* aDir) {
  size_t n = 0;
  if (DIR* d = ::opendir(aDir)) {
    while (::readdir(d) != nullptr) ++n;
    ::closedir(d);
  }
  return n;
}

// Devices left open (never closed by their caller) are shut down at
// unload: no thread and no descriptor of the library survives dlclose.
TEST(Unload, LeavesNoThreadOrDescriptorBehind) {
  static std::string root = (std::filesystem::temp_directory_path() / "qx-e2e-unload").string();
  std::filesystem::create_directories(root);
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  e2e::SimulatorProcess simulator({"--no-pty"});
  const std::string request =
      "<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" +
      std::to_string(simulator.Port()) + "</Port></Connection></R>";
  { Library warmup; }  // the first load also brings in the library's own dependencies
  const size_t threads = CountEntries("/proc/self/task");
  const size_t fds = CountEntries("/proc/self/fd");
  for (int round = 0; round < 2; ++round) {
    Library library;
    const size_t loaded = CountEntries("/proc/self/task");
    for (int i = 0; i < 2; ++i) EXPECT_EQ(library.Call("OPEN", request).ErrorText, "");
    EXPECT_GT(CountEntries("/proc/self/task"), loaded);  // the devices' log writers run
  }
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
}

// A device that no later request can reach (an OPEN that failed, a PAY without a handle) is
// released at the end of its call: a till retrying OPEN against a switched-off printer does
// not pile up devices, log threads and open files.
TEST(Unreachable, DevicesAreReleasedAtTheEndOfTheirCall) {
  static std::string root = (std::filesystem::temp_directory_path() / "qx-e2e-unreachable").string();
  std::filesystem::create_directories(root);
  ::setenv("QX_LOG_ROOT", root.c_str(), 1);
  Library library;
  const std::string refused =
      "<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>tcp</Type><Address>127.0.0.1</Address>"
      "<Port>1</Port><ConnectTimeout>200</ConnectTimeout></Connection></R>";
  const std::string pay =
      "<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>tcp</Type><Address>127.0.0.1</Address>"
      "<Port>1</Port><ReadTimeout>10</ReadTimeout></Connection><Payment><Amount>1.00</Amount></Payment></R>";
  library.Call("OPEN", refused);  // the first call starts the library's own threads
  const size_t threads = CountEntries("/proc/self/task");
  const size_t fds = CountEntries("/proc/self/fd");
  for (int i = 0; i < 5; ++i) {
    const Answer open = library.Call("OPEN", refused);
    EXPECT_EQ(open.Result, 65535u);
    EXPECT_NE(open.Output.find("<Handle>0</Handle>"), std::string::npos) << open.Output;
    // The failed device's log is complete: its stop line was written when it was released.
    const size_t at = open.Output.find("<LogFileName>") + 13;
    const std::string log = ReadWholeFile(open.Output.substr(at, open.Output.find("</LogFileName>") - at));
    EXPECT_NE(log.rfind(" STOP "), std::string::npos);
    library.Call("PAY", pay);
  }
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
}

}  // namespace
