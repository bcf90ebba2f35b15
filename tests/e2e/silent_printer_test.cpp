// A printer that does not answer, through the loaded library against the simulator program:
// OPEN fails within one exchange and lets the port go; a printer that falls silent after OPEN
// costs GETSTATUS only its first command's three attempts. And control characters in the text
// of a receipt never frame a command of their own.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "library.h"
#include "receipt_simulator.h"

namespace {

using e2e::Answer;
using e2e::Element;

// The simulator program this test started: the child process of this one.
pid_t SimulatorChild() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    pid_t parent = 0;
    std::istringstream(line.substr(close + 1)) >> state >> parent;
    if (parent == ::getpid() && line.find("(fpsim)") != std::string::npos) return std::stoi(name);
  }
  return -1;
}

// The printer process stopped for as long as the scope lasts: the line stays up and nothing
// answers, as with a printer that hangs.
class StoppedPrinter {
 public:
  explicit StoppedPrinter(pid_t aPid) : fPid(aPid) { e2e::StopProcess(fPid); }
  ~StoppedPrinter() { ::kill(fPid, SIGCONT); }
  StoppedPrinter(const StoppedPrinter&) = delete;
  StoppedPrinter& operator=(const StoppedPrinter&) = delete;

 private:
  pid_t fPid;
};

// The commands of the frames received, in order.
std::vector<std::string> Commands(e2e::TracingSimulator& aSimulator) {
  std::vector<std::string> out;
  for (const std::string& frame : aSimulator.Frames()) out.push_back(frame.substr(4, 4));
  return out;
}

class SilentPrinterEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-silent-" + std::to_string(::getpid()))).string();
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    std::filesystem::remove_all(fRoot);
  }

  Answer Call(e2e::TracingSimulator& aSimulator, const char* aFunction, int aHandle, const std::string& aDocument = "") {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>silent</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle><Connection><Type>serial</Type><SerialPort>" +
                                         aSimulator.Device() +
                                         "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity>"
                                         "<StopBits>1</StopBits><ReadTimeout>200</ReadTimeout></Connection>" +
                                         aDocument + "</Request>");
  }
  int Open(e2e::TracingSimulator& aSimulator) {
    const Answer open = Call(aSimulator, "OPEN", 0);
    EXPECT_EQ(open.Result, 0u) << open.Output;
    return std::stoi(Element(open.Output, "Handle"));
  }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
};

TEST_F(SilentPrinterEndToEnd, OpenFailsAndLetsThePortGo) {
  e2e::TracingSimulator simulator({"--fault", "*:silence:always"});
  for (int open = 1; open <= 2; ++open) {
    SCOPED_TRACE(open);
    simulator.Settle();
    simulator.Clear();
    const Answer answer = Call(simulator, "OPEN", 0);
    EXPECT_EQ(answer.Result, 65535u);
    EXPECT_EQ(Element(answer.Output, "Error"), "True");
    // Not "Cannot open ... (error #16).": the first OPEN closed the port.
    EXPECT_EQ(answer.ErrorText, "Timeout Error");
    EXPECT_EQ(Element(answer.Output, "Handle"), "0");
    simulator.Settle();
    EXPECT_EQ(Commands(simulator), (std::vector<std::string>{"4214", "4214", "4214"}));
    // No device was kept: it was released at the end of the call, after its last time-out.
    const std::string log = e2e::ReadFile(Element(answer.Output, "LogFileName"));
    EXPECT_GT(log.rfind(" STOP "), log.rfind("Timeout: #3"));
    EXPECT_NE(log.rfind(" STOP "), std::string::npos);
  }
}

TEST_F(SilentPrinterEndToEnd, GetStatusOfAPrinterThatFellSilent) {
  e2e::TracingSimulator simulator;
  const int handle = Open(simulator);
  const pid_t printer = SimulatorChild();
  ASSERT_GT(printer, 0);
  simulator.Settle();
  simulator.Clear();
  {
    const StoppedPrinter stopped(printer);
    const Answer status = Call(simulator, "GETSTATUS", handle);
    EXPECT_EQ(status.Result, 65535u);
    EXPECT_EQ(Element(status.Output, "Error"), "True");
    EXPECT_EQ(status.ErrorText, "Timeout Error");
  }
  // Once the printer runs again it reads what was sent to it meanwhile; the drawer question that
  // follows is answered, so everything before it has been read.
  const Answer drawer = Call(simulator, "GETDRSTATUS", handle, "<Drawer><Number>1</Number></Drawer>");
  EXPECT_EQ(drawer.Result, 0u) << drawer.Output;
  simulator.Settle();
  const std::vector<std::string> commands = Commands(simulator);
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.end() - 1),
            (std::vector<std::string>{"2050", "2050", "2050"}));
  EXPECT_EQ(commands.back(), "1074");
  EXPECT_EQ(Call(simulator, "CLOSE", handle).Result, 0u);
}

TEST_F(SilentPrinterEndToEnd, ControlCharactersInAPaymentDescriptionFrameNothing) {
  e2e::TracingSimulator simulator;
  const int handle = Open(simulator);
  simulator.Settle();
  simulator.Clear();
  const Answer sale = Call(
      simulator, "PRINTFR", handle,
      "<Receipt><Type>Sale</Type><Lines><ProductSale><Description>Pane</Description><Quantity>1</Quantity>"
      "<Department>01</Department><Price>1.50</Price><Amount>1.50</Amount></ProductSale></Lines><Taxes/><Payments>"
      "<Payment><Type>Cash</Type><Description>A&#3;&#2;00E10880171&#3;</Description><Amount>1.50</Amount></Payment>"
      "</Payments></Receipt>");
  ASSERT_EQ(sale.Result, 0u) << sale.Output;
  EXPECT_EQ(Element(sale.Output, "ReceiptNumber"), "1");
  simulator.Settle();
  const std::vector<std::string> commands = Commands(simulator);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "1088"), 0);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "1084"), 1);
  int closings = 0;
  for (const std::string& line : simulator.Paper()) closings += line.find("DOC.N.") != std::string::npos ? 1 : 0;
  EXPECT_EQ(closings, 1);
  EXPECT_EQ(Call(simulator, "CLOSE", handle).Result, 0u);
}

}  // namespace
