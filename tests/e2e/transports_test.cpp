// OPEN and the calls after it with the connection types that carry no native protocol (the
// library, COM, OPOS and spool transports), through the exported functions.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../transport/cups_scheduler.h"
#include "library.h"

namespace {

using e2e::Element;
using e2e::ReadFile;
using e2e::Answer;
using e2e::Library;

// A short read time-out: the driver's commands of OPEN find no printer behind these transports
// and wait that long for each answer.
std::string Request(int aHandle, const std::string& aConnection) {
  return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>e2e</LogId><Handle>" + std::to_string(aHandle) +
         "</Handle><Connection>" + aConnection + "<ReadTimeout>10</ReadTimeout></Connection></Request>";
}

class Transports : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-transports-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    ::unsetenv("QX_OPOS_LAYER");
    if (std::getenv("QX_KEEP_LOGS") == nullptr) std::filesystem::remove_all(fRoot);
  }
  Answer Call(const char* aFunction, int aHandle, const std::string& aConnection) {
    return fLibrary->Call(aFunction, Request(aHandle, aConnection));
  }
  std::string fRoot;
  std::unique_ptr<Library> fLibrary;
};

TEST_F(Transports, DllLoadsTheDeviceLibraryAndAMissingOneFailsTheOpen) {
  const std::string dll = std::string("<Type>dll</Type><LibraryName>") + QX_TEST_DEVICE_LIBRARY + "</LibraryName>";
  // The test library answers no command: the transport connects, and OPEN then fails at the
  // driver's first command without keeping a device.
  const Answer open = Call("OPEN", 0, dll);
  EXPECT_EQ(open.ErrorText, "Timeout Error") << open.Output;
  EXPECT_EQ(Element(open.Output, "Handle"), "0");
  const std::string text = ReadFile(Element(open.Output, "LogFileName"));
  EXPECT_NE(text.find(std::string("kIOHandler_Dll.Create:Loading DLL ") + QX_TEST_DEVICE_LIBRARY), std::string::npos);
  EXPECT_NE(text.find("kIOHandler_Dll.Create:DLL Loaded successfully"), std::string::npos);
  EXPECT_NE(text.find("kIOHandler_Dll\r\n"), std::string::npos) << "connect banner";

  const Answer missing = Call("OPEN", 0, "<Type>DLL</Type><LibraryName>/nonexistent/libdevice.so</LibraryName>");
  EXPECT_EQ(missing.Result, 65535u);
  EXPECT_EQ(missing.ErrorText.rfind("Unable to Load Library /nonexistent/libdevice.so. ", 0), 0u) << missing.ErrorText;
  EXPECT_EQ(missing.ErrorText.substr(missing.ErrorText.size() - 6), " [126]");
}

TEST_F(Transports, ComOpensButWritesNothing) {
  // The driver's commands need a byte stream; the COM transport's Write answers false, so the
  // first command gets no answer and OPEN fails without keeping a device.
  const Answer open = Call("OPEN", 0, "<Type>com</Type>");
  EXPECT_EQ(open.Result, 65535u) << open.Output;
  EXPECT_EQ(open.ErrorText, "Timeout Error");
  EXPECT_EQ(Element(open.Output, "Handle"), "0");
  const std::string log = ReadFile(Element(open.Output, "LogFileName"));
  EXPECT_NE(log.find(" - kIOHandler_Com\r\n"), std::string::npos);
  EXPECT_EQ(log.find(" - Write:"), std::string::npos) << "nothing is sent";
}

// The recording OPOS layer, loaded by the library under test and here by the same path.
struct OposLayer {
  OposLayer() : handle(::dlopen(QX_TEST_OPOS_LAYER, RTLD_NOW | RTLD_LOCAL)) {
    reinterpret_cast<void (*)()>(::dlsym(handle, "QxOposTest_Reset"))();
  }
  ~OposLayer() { ::dlclose(handle); }
  std::string Calls() const { return reinterpret_cast<const char* (*)()>(::dlsym(handle, "QxOposTest_Calls"))(); }
  int Controls() const { return reinterpret_cast<int (*)()>(::dlsym(handle, "QxOposTest_Controls"))(); }
  void* handle;
};

TEST_F(Transports, OposFailsCleanlyWithoutItsLayerAndDrivesTheRecordingLayer) {
  const std::string opos = "<Type>opos</Type><DeviceName>FP1</DeviceName>";
  ::setenv("QX_OPOS_LAYER", "/nonexistent/libqxopos.so", 1);
  const Answer without = Call("OPEN", 0, opos);
  EXPECT_EQ(without.Result, 65535u);
  EXPECT_EQ(without.ErrorText.rfind("[104] OPOS_E_NOSERVICE - The OPOS layer /nonexistent/libqxopos.so is not "
                                    "available: /nonexistent/libqxopos.so: cannot open shared object file",
                                    0),
            0u)
      << without.ErrorText;

  OposLayer layer;
  ::setenv("QX_OPOS_LAYER", QX_TEST_OPOS_LAYER, 1);
  const Answer open = Call("OPEN", 0, opos);
  EXPECT_EQ(layer.Calls(), "Open(FP1)\nClaimDevice(1000)\nSetDeviceEnabled(1)\n");
  EXPECT_EQ(layer.Controls(), 1);
  // The native driver's commands need a byte stream, which this transport refuses.
  EXPECT_EQ(open.ErrorText, "Write Unsupported");
  const Answer close = Call("CLOSE", std::stoi(Element(open.Output, "Handle")), opos);
  EXPECT_EQ(close.Result, 0u) << close.Output;
  EXPECT_EQ(layer.Calls(), "Open(FP1)\nClaimDevice(1000)\nSetDeviceEnabled(1)\nSetDeviceEnabled(0)\nReleaseDevice\nClose\n");
  EXPECT_EQ(layer.Controls(), 0) << "the control is released with the device";
}

// The native driver's first command goes to the spool transport, whose Normal output looks the
// printer up before anything else.
TEST_F(Transports, SpoolLooksThePrinterUpWithoutRegardToCase) {
  cupstest::Scheduler scheduler({{"Receipt300", 300, 160, 400, 8, 10, 152, 390}});
  if (!scheduler.Running()) GTEST_SKIP() << "no private CUPS scheduler: " << scheduler.Why();
  const Answer missing = Call("OPEN", 0, "<Type>spool</Type><PrinterName>Nowhere</PrinterName>");
  EXPECT_EQ(missing.ErrorText, "kIOHandler_Spool.WriteNormal: Printer Nowhere not found");
  // Found in another letter case; the driver sets no picture, which Normal output needs.
  const Answer found = Call("OPEN", 0, "<Type>spool</Type><PrinterName>RECEIPT300</PrinterName>");
  EXPECT_EQ(found.ErrorText, "kIOHandler_Spool.WriteNormal: No picture to print");
  // The device stays open and its log is written by the log's own thread: wait for the line,
  // bounded by a count of short waits.
  std::string log;
  for (int i = 0; i < 1000 && log.find(" - kIOHandler_Spool\r\n") == std::string::npos; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    log = ReadFile(Element(found.Output, "LogFileName"));
  }
  EXPECT_NE(log.find(" - kIOHandler_Spool\r\n"), std::string::npos) << Element(found.Output, "LogFileName") << "\n" << log;
  EXPECT_TRUE(scheduler.Jobs(0, 0).empty());
}

}  // namespace
