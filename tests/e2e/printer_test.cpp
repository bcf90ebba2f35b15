// OPEN, GETSTATUS, SETDATETIME, SET, GETDRSTATUS and CLOSE through the exported functions
// against the printer simulator program, over a pseudo-terminal and over TCP.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>

#include <atomic>
#include <thread>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Element;
using e2e::ReadFile;
using e2e::Answer;
using e2e::Library;

std::string SerialConnection(const std::string& aDevice, int aReadTimeout = 1000) {
  return "<Connection><Type>serial</Type><SerialPort>" + aDevice +
         "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
         "<ReadTimeout>" + std::to_string(aReadTimeout) + "</ReadTimeout></Connection>";
}

std::string Request(int aHandle, const std::string& aConnection, const std::string& aMore = "") {
  return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" + std::to_string(aHandle) +
         "</Handle>" + aConnection + aMore + "</Request>";
}

class Printer : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-printer-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    if (std::getenv("QX_KEEP_LOGS") == nullptr) std::filesystem::remove_all(fRoot);
  }
  std::string fRoot;
  std::unique_ptr<Library> fLibrary;
};

TEST_F(Printer, OpenStatusClockAndCloseOverAPseudoTerminal) {
  e2e::SimulatorProcess simulator({"--no-tcp"});
  const std::string connection = SerialConnection(simulator.Device());
  const Answer open = fLibrary->Call("OPEN", Request(0, connection));
  ASSERT_EQ(open.Result, 0u) << open.Output;
  EXPECT_EQ(Element(open.Output, "Handle"), "1");
  EXPECT_EQ(Element(open.Output, "Error"), "False");
  const std::string logName = Element(open.Output, "LogFileName");
  EXPECT_EQ(logName.rfind(fRoot + "/LogFiles/FiscalPrinter/QXRP_EPSFPNAT_20_e2e_", 0), 0u) << logName;

  const Answer status = fLibrary->Call("GETSTATUS", Request(1, connection));
  EXPECT_EQ(status.Result, 0u) << status.Output;
  EXPECT_EQ(Element(status.Output, "SerialNumber"), "99MEB012345");
  EXPECT_EQ(Element(status.Output, "FiscalMode"), "RT");
  EXPECT_EQ(Element(status.Output, "FirmwareVersion"), "5.010");

  const Answer clock = fLibrary->Call(
      "SETDATETIME", Request(1, connection, "<Parameters><DateTime>2025-03-05T09:07:45</DateTime></Parameters>"));
  EXPECT_EQ(clock.Result, 0u) << clock.Output;
  EXPECT_EQ(Element(clock.Output, "DateTime"), "2025-03-05T09:07:00");

  const Answer training = fLibrary->Call("SET", Request(1, connection, "<Parameters><TrainingMode>true</TrainingMode></Parameters>"));
  EXPECT_EQ(training.Result, 0u);
  EXPECT_EQ(Element(fLibrary->Call("GETSTATUS", Request(1, connection)).Output, "TrainingMode"), "True");
  const Answer drawer = fLibrary->Call("GETDRSTATUS", Request(1, connection, "<Drawer><Number>1</Number></Drawer>"));
  EXPECT_EQ(drawer.Result, 0u);
  EXPECT_EQ(Element(drawer.Output, "IsOpen"), "False");

  EXPECT_EQ(fLibrary->Call("CLOSE", Request(1, connection)).Result, 0u);
  const Answer after = fLibrary->Call("GETSTATUS", Request(1, connection));
  EXPECT_EQ(after.ErrorText, "Printer Handle not found");
  EXPECT_EQ(Element(after.Output, "LogFileName"), "");

  const std::string log = ReadFile(logName);
  const std::string stamp = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3} - )";
  for (const char* line : {"\\*{27} START \\*{27}", "-{60} Open", "\\*{61}", "kIOHandler_Serial",
                           "Version 2\\.10 - 10/10/2022", "\\*GetStatus-GetSerial\\*", "-{60} GetStatus",
                           "-{60} SetDateTime", "-{60} Close", "\\*{27} STOP \\*{28}"})
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + line + "\r\n"))) << line;
  EXPECT_NE(log.find("Write:\x02"), std::string::npos);
}

// A log root where no folder can be made: the logs go to the fallback folder in the temporary
// folder, the answer names the device log that is really written, and the application log there
// says where the device log should have been.
TEST_F(Printer, ALogRootThatCannotBeWrittenMovesTheLogsToTheFallbackFolder) {
  fLibrary.reset();
  std::filesystem::create_directories(fRoot);
  std::ofstream(fRoot + "/file") << "a file where the log root should be";
  const std::string tmp = fRoot + "/tmp";
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string keptTmp = oldTmp != nullptr ? oldTmp : "";
  ::setenv("TMPDIR", tmp.c_str(), 1);
  ::setenv("QX_LOG_ROOT", (fRoot + "/file").c_str(), 1);
  fLibrary = std::make_unique<Library>();
  e2e::SimulatorProcess simulator({"--no-tcp"});
  const Answer open = fLibrary->Call("OPEN", Request(0, SerialConnection(simulator.Device())));
  EXPECT_EQ(open.Result, 0u) << open.Output;
  const std::string logName = Element(open.Output, "LogFileName");
  EXPECT_EQ(logName.rfind(tmp + "/QX_LogFiles/QXRP_EPSFPNAT_20_e2e_", 0), 0u) << logName;
  fLibrary->Call("CLOSE", Request(1, SerialConnection(simulator.Device())));
  EXPECT_NE(ReadFile(logName).find(" STOP "), std::string::npos);
  fLibrary.reset();  // drains the application log
  const std::string notice = " - ERROR - The log " + fRoot + "/file/LogFiles/FiscalPrinter/QXRP_EPSFPNAT_20_e2e_";
  bool told = false;
  for (const auto& entry : std::filesystem::directory_iterator(tmp + "/QX_LogFiles"))
    told = told || ReadFile(entry.path().string()).find(notice) != std::string::npos;
  EXPECT_TRUE(told);
  if (oldTmp != nullptr) ::setenv("TMPDIR", keptTmp.c_str(), 1); else ::unsetenv("TMPDIR");
}

TEST_F(Printer, OverTcp) {
  e2e::SimulatorProcess simulator({"--no-pty"});
  const std::string connection = "<Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" +
                                 std::to_string(simulator.Port()) + "</Port></Connection>";
  const Answer open = fLibrary->Call("OPEN", Request(0, connection));
  ASSERT_EQ(open.Result, 0u) << open.Output;
  const std::string handle = Element(open.Output, "Handle");
  const Answer status = fLibrary->Call("GETSTATUS", Request(std::stoi(handle), connection));
  EXPECT_EQ(Element(status.Output, "SerialNumber"), "99MEB012345");
  EXPECT_EQ(fLibrary->Call("CLOSE", Request(std::stoi(handle), connection)).Result, 0u);
}

// A line where no printer answers: OPEN itself only opens the port, so it reports the handle; the
// initialisation's exchanges time out, which the log shows and the next request reports.
TEST_F(Printer, NoPrinterOnTheLine) {
  int master = -1;
  int slave = -1;
  char name[128];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  // The line takes what is sent (as a cable with nothing at its end would) and never answers.
  std::atomic<bool> stop{false};
  std::thread sink([&] {
    char buffer[256];
    while (!stop) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0 && ::read(master, buffer, sizeof buffer) <= 0) break;
    }
  });
  const std::string connection = SerialConnection(name, 50);
  // OPEN stops at its first command without an answer and keeps no device.
  const Answer open = fLibrary->Call("OPEN", Request(0, connection));
  EXPECT_EQ(Element(open.Output, "Handle"), "0") << open.Output;
  EXPECT_EQ(open.ErrorText, "Timeout Error");
  EXPECT_EQ(open.Result, 65535u);
  EXPECT_NE(ReadFile(Element(open.Output, "LogFileName")).find(" - ERROR - Timeout: #3\r\n"), std::string::npos);
  // A device that does not exist at all.
  const Answer missing = fLibrary->Call("OPEN", Request(0, SerialConnection("/dev/qx-no-such-port")));
  EXPECT_EQ(missing.Result, 65535u);
  EXPECT_FALSE(missing.ErrorText.empty());
  stop = true;
  sink.join();
  ::close(master);
  ::close(slave);
}

}  // namespace
