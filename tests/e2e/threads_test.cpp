// Hosts that call from several threads, through the exported functions, against the simulator
// program: calls on one device wait for each other, calls on different devices run side by side,
// and CLOSE waits for the call inside the device it releases. Run under ThreadSanitizer too
// (the tsan preset).
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "library.h"
#include "simulator_process.h"

namespace {

using e2e::Answer;
using e2e::Element;

// The simulator program on a pseudo-terminal. Paused, it holds a call inside its device for as
// long as the test wants; it is let go again before it is stopped.
class StoppablePrinter : public e2e::SimulatorProcess {
 public:
  StoppablePrinter() : SimulatorProcess({"--no-tcp"}) {}
  ~StoppablePrinter() { Resume(); }
  void Pause() const { e2e::StopProcess(Pid()); }
  void Resume() const { ::kill(Pid(), SIGCONT); }
};

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = (std::filesystem::temp_directory_path() / ("qx-e2e-threads-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(fRoot);
    ::setenv("QX_LOG_ROOT", fRoot.c_str(), 1);
    fLibrary = std::make_unique<e2e::Library>();
  }
  void TearDown() override {
    fLibrary.reset();
    std::filesystem::remove_all(fRoot);
  }

  static std::string Connection(const StoppablePrinter& aPrinter, int aReadTimeout) {
    return "<Connection><Type>serial</Type><SerialPort>" + aPrinter.Device() +
           "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
           "<ReadTimeout>" + std::to_string(aReadTimeout) + "</ReadTimeout></Connection>";
  }
  Answer Call(const char* aFunction, int aHandle, const std::string& aConnection, const std::string& aLogId = "e2e") {
    return fLibrary->Call(aFunction, "<Request><Driver>QXRP_EPSFPNAT_20</Driver><LogId>" + aLogId + "</LogId><Handle>" +
                                         std::to_string(aHandle) + "</Handle>" + aConnection + "</Request>");
  }
  // Opens a device; its log file name goes to aLog.
  int Open(const std::string& aConnection, const std::string& aLogId, std::string& aLog) {
    const Answer open = Call("OPEN", 0, aConnection, aLogId);
    EXPECT_EQ(open.Result, 0u) << open.Output << open.ErrorText;
    aLog = Element(open.Output, "LogFileName");
    return open.Result == 0 ? std::stoi(Element(open.Output, "Handle")) : 0;
  }

  std::string fRoot;
  std::unique_ptr<e2e::Library> fLibrary;
};

// Two threads on one device and one on another, each making its calls; then CLOSE while a thread
// keeps calling on the closed handle. Every call answers as if it had been alone.
TEST_F(Threads, CallsOnTheSameAndOnDifferentDevices) {
  StoppablePrinter left;
  StoppablePrinter right;
  const std::string leftConnection = Connection(left, 1000);
  const std::string rightConnection = Connection(right, 1000);
  std::string leftLog;
  std::string rightLog;
  const int shared = Open(leftConnection, "left", leftLog);
  const int alone = Open(rightConnection, "right", rightLog);
  ASSERT_NE(shared, 0);
  ASSERT_NE(alone, 0);

  auto calls = [&](int aHandle, const std::string& aConnection) {
    std::vector<std::string> failures;
    for (int i = 0; i < 6; ++i) {
      const Answer status = Call("GETSTATUS", aHandle, aConnection);
      if (status.Result != 0 || Element(status.Output, "SerialNumber") != "99MEB012345")
        failures.push_back(status.Output + status.ErrorText);
      const Answer vat = Call("GETVATTABLE", aHandle, aConnection);
      if (vat.Result != 0) failures.push_back(vat.Output + vat.ErrorText);
    }
    return failures;
  };
  auto one = std::async(std::launch::async, calls, shared, leftConnection);
  auto two = std::async(std::launch::async, calls, shared, leftConnection);
  auto three = std::async(std::launch::async, calls, alone, rightConnection);
  for (auto* f : {&one, &two, &three}) {
    const std::vector<std::string> failures = f->get();
    EXPECT_TRUE(failures.empty()) << failures.size() << " failed, first: " << failures.front();
  }

  // A thread calling on the handle that another thread closes: each of its calls runs whole
  // before the CLOSE or finds the handle gone after it.
  std::atomic<bool> closed{false};
  auto caller = std::async(std::launch::async, [&] {
    std::vector<std::string> odd;
    int gone = 0;
    while (gone == 0) {
      const bool wasClosed = closed;
      const Answer status = Call("GETSTATUS", shared, leftConnection);
      if (status.ErrorText == "Printer Handle not found") {
        ++gone;
      } else if (status.Result != 0) {
        odd.push_back(status.Output + status.ErrorText);
      } else if (wasClosed) {
        odd.push_back("a call that began after the CLOSE answered");
      }
      if (odd.size() > 3) break;
    }
    return odd;
  });
  const Answer status = Call("GETSTATUS", shared, leftConnection);
  EXPECT_EQ(status.Result, 0u) << status.Output;
  const Answer close = Call("CLOSE", shared, leftConnection);
  closed = true;
  EXPECT_EQ(close.Result, 0u) << close.Output;
  const std::vector<std::string> odd = caller.get();
  EXPECT_TRUE(odd.empty()) << odd.front();
  EXPECT_EQ(Call("CLOSE", alone, rightConnection).Result, 0u);
}

// A call held inside one device (its printer stopped) does not hold up a call on another.
TEST_F(Threads, ACallInsideOneDeviceDoesNotHoldUpAnother) {
  StoppablePrinter held;
  StoppablePrinter unheld;
  std::string heldLog;
  std::string unheldLog;
  // A read time-out far longer than the rest of the test: the held call waits for its printer.
  const std::string heldConnection = Connection(held, 60000);
  const std::string unheldConnection = Connection(unheld, 1000);
  const int heldHandle = Open(heldConnection, "held", heldLog);
  const int unheldHandle = Open(unheldConnection, "unheld", unheldLog);
  ASSERT_NE(heldHandle, 0);
  ASSERT_NE(unheldHandle, 0);

  held.Pause();
  std::atomic<bool> heldDone{false};
  auto inside = std::async(std::launch::async, [&] {
    const Answer a = Call("GETSTATUS", heldHandle, heldConnection);
    heldDone = true;
    return a;
  });
  // The held call is inside its device once its operation line is in the device's log, the
  // second one after OPEN's.
  const std::string banner = std::string(60, '-') + " GetStatus\r\n";
  auto banners = [&] {
    const std::string log = e2e::ReadFile(heldLog);
    int n = 0;
    for (size_t at = log.find(banner); at != std::string::npos; at = log.find(banner, at + 1)) ++n;
    return n;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (banners() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(banners(), 2) << "the held call did not start";

  const Answer other = Call("GETSTATUS", unheldHandle, unheldConnection);
  EXPECT_EQ(other.Result, 0u) << other.Output << other.ErrorText;
  EXPECT_FALSE(heldDone) << "the other call waited for the held one";

  held.Resume();
  const Answer a = inside.get();
  EXPECT_EQ(a.Result, 0u) << a.Output << a.ErrorText;
  EXPECT_EQ(Call("CLOSE", heldHandle, heldConnection).Result, 0u);
  EXPECT_EQ(Call("CLOSE", unheldHandle, unheldConnection).Result, 0u);
}

}  // namespace
