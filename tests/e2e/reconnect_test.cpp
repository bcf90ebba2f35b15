// A connection that drops between two calls is opened again by the next call on the handle,
// through the exported functions, against the simulator program: over TCP when the printer
// closes or resets the connection, over a serial line when the pseudo-terminal goes away and a
// new one is made at the same path (as an unplugged USB adapter that comes back).
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <optional>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Answer;
using e2e::Element;
using e2e::ReadFile;
using e2e::SimulatorProcess;

enum class Medium { tcp, pty };

// A printer that can be switched off and on again at the same address: a fixed TCP port, or a
// symbolic link that is pointed at each new pseudo-terminal.
class RestartablePrinter {
 public:
  RestartablePrinter(Medium aMedium, const std::string& aDirectory, std::vector<std::string> aArguments = {})
      : fMedium(aMedium), fLink(aDirectory + "/printer"), fArguments(std::move(aArguments)) {
    Start();
  }

  void Start() {
    std::vector<std::string> arguments = fArguments;
    arguments.push_back(fMedium == Medium::tcp ? "--no-pty" : "--no-tcp");
    if (fMedium == Medium::tcp && fPort != 0) arguments.insert(arguments.end(), {"--tcp-port", std::to_string(fPort)});
    fProcess.emplace(arguments);
    if (fMedium == Medium::tcp) {
      fPort = fProcess->Port();
    } else {
      PointLinkAt(fProcess->Device());
    }
  }
  // The printer goes away: its connection is closed, its pseudo-terminal disappears, and the
  // serial path leads nowhere until the printer is started again.
  void Stop() {
    fProcess.reset();
    if (fMedium == Medium::pty) PointLinkAt(fLink + ".nowhere");
  }

  std::string Connection() const {
    if (fMedium == Medium::tcp)
      return "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" + std::to_string(fPort) +
             "</Port><ConnectTimeout>1000</ConnectTimeout><ReadTimeout>300</ReadTimeout></Connection>";
    return "<Connection><Type>serial</Type><SerialPort>" + fLink +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>300</ReadTimeout></Connection>";
  }
  // The name the device log gives the connection.
  std::string LinkName() const { return fMedium == Medium::tcp ? "127.0.0.1:" + std::to_string(fPort) : fLink; }
  SimulatorProcess& Process() { return *fProcess; }

 private:
  void PointLinkAt(const std::string& aTarget) {
    const std::string fresh = fLink + ".new";
    std::filesystem::remove(fresh);
    std::filesystem::create_symlink(aTarget, fresh);
    std::filesystem::rename(fresh, fLink);
  }

  Medium fMedium;
  std::string fLink;
  std::vector<std::string> fArguments;
  int fPort = 0;
  std::optional<SimulatorProcess> fProcess;
};

class Reconnect : public ::testing::TestWithParam<Medium> {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-reconnect-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    std::filesystem::create_directories(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    if (std::getenv("QX_KEEP_LOGS") == nullptr) std::filesystem::remove_all(fRoot);
  }

  Answer Call(const char* aFunction, int aHandle, const RestartablePrinter& aPrinter, const std::string& aDocument = "") {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle>" + aPrinter.Connection() + aDocument +
                                         "</Request>");
  }
  int Open(const RestartablePrinter& aPrinter) {
    const Answer open = Call("OPEN", 0, aPrinter);
    EXPECT_EQ(open.Result, 0u) << open.Output << open.ErrorText;
    fLog = Element(open.Output, "LogFileName");
    return open.Result == 0 ? std::stoi(Element(open.Output, "Handle")) : 0;
  }
  // Closes the device, which drains its log, and returns the log's text.
  std::string CloseAndReadLog(int aHandle, const RestartablePrinter& aPrinter) {
    const Answer close = Call("CLOSE", aHandle, aPrinter);
    EXPECT_EQ(close.Result, 0u) << close.Output;
    return ReadFile(fLog);
  }
  static int Count(const std::string& aText, const std::string& aWhat) {
    int n = 0;
    for (size_t at = aText.find(aWhat); at != std::string::npos; at = aText.find(aWhat, at + aWhat.size())) ++n;
    return n;
  }

  std::string fRoot;
  std::string fLog;
  std::unique_ptr<e2e::Library> fLibrary;
};

// The printer goes away between two calls: the call made while it is away answers a clear error,
// and the first call after it is back works without CLOSE and OPEN.
TEST_P(Reconnect, TheNextCallReopensTheConnectionOnceThePrinterIsBack) {
  RestartablePrinter printer(GetParam(), fRoot);
  const int handle = Open(printer);
  ASSERT_NE(handle, 0);
  ASSERT_EQ(Call("GETSTATUS", handle, printer).Result, 0u);

  printer.Stop();
  const Answer away = Call("GETSTATUS", handle, printer);
  EXPECT_EQ(away.Result, 65535u) << away.Output;
  EXPECT_EQ(away.ErrorText.rfind("Connection to " + printer.LinkName() + " lost; reconnecting failed: ", 0), 0u)
      << away.ErrorText;
  EXPECT_NE(Element(away.Output, "LogFileName"), "") << away.Output;

  printer.Start();
  for (int round = 0; round < 2; ++round) {
    const Answer back = Call("GETSTATUS", handle, printer);
    EXPECT_EQ(back.Result, 0u) << round << ": " << back.Output << back.ErrorText;
    EXPECT_EQ(Element(back.Output, "SerialNumber"), "99MEB012345") << back.Output;
    EXPECT_EQ(Element(back.Output, "FiscalMode"), "RT") << back.Output;
  }
  // Printing works too: the printer is ready for what comes next.
  const Answer printed = Call("PRINTNFR", handle, printer,
                              "<NFReceipt><Lines><Text><Value>after the reconnect</Value><Alignment>Left</Alignment></Text></Lines>"
                              "</NFReceipt>");
  EXPECT_EQ(printed.Result, 0u) << printed.Output << printed.ErrorText;

  const std::string log = CloseAndReadLog(handle, printer);
  EXPECT_EQ(Count(log, " - Reconnected to " + printer.LinkName() + "\r\n"), 1) << log;
  EXPECT_EQ(Count(log, " - ERROR - Reconnect to " + printer.LinkName() + " failed: "), 1) << log;
  // The printer's settings are read again after the reconnect, as OPEN reads them.
  EXPECT_EQ(Count(log, " - AckEnabled=True\r\n"), 2) << log;
  EXPECT_EQ(Count(log, " - LineLength="), 2) << log;
}

INSTANTIATE_TEST_SUITE_P(Media, Reconnect, ::testing::Values(Medium::tcp, Medium::pty),
                         [](const auto& aInfo) { return aInfo.param == Medium::tcp ? "Tcp" : "PseudoTerminal"; });

class ReconnectTcp : public Reconnect {};

// The printer resets the connection while it reads a frame: that call fails and its frame is
// not sent again; the next call opens a new connection and works.
TEST_F(ReconnectTcp, AConnectionDroppedInsideACallIsReopenedByTheNextOne) {
  RestartablePrinter printer(Medium::tcp, fRoot, {"--trace", "--fault", "1050:drop"});
  const int handle = Open(printer);
  ASSERT_NE(handle, 0);
  printer.Process().ReadAvailable();

  const Answer drawer = Call("OPENDR", handle, printer, "<Drawer><Number>1</Number></Drawer>");
  EXPECT_EQ(drawer.Result, 65535u) << drawer.Output;
  EXPECT_NE(drawer.ErrorText, "") << drawer.Output;
  const std::string trace = printer.Process().ReadAvailable();
  EXPECT_EQ(Count(trace, "<- frame 1050:"), 1) << trace;

  const Answer status = Call("GETSTATUS", handle, printer);
  EXPECT_EQ(status.Result, 0u) << status.Output << status.ErrorText;
  EXPECT_EQ(Element(status.Output, "SerialNumber"), "99MEB012345") << status.Output;
  // The drawer command is not repeated on the new connection.
  EXPECT_EQ(Count(printer.Process().ReadAvailable(), "<- frame 1050:"), 0);

  const std::string log = CloseAndReadLog(handle, printer);
  EXPECT_EQ(Count(log, " - Reconnected to " + printer.LinkName() + "\r\n"), 1) << log;
}

}  // namespace
