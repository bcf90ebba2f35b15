// The request wrappers and the device registry with a test driver: handles, lookups, the OPEN
// steps and the error rule, without the shared library around them.
#include "exports/fiscal_printer_wrapper.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>

#include "device/recording_driver.h"
#include "exports/registry.h"
#include "support/error.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

using testing::RecordingDriver;

// Records into one place that the test can read after the wrapper let go of the device.
std::vector<std::string>* gLastCalls = nullptr;

// Where OPENDR's driver operation waits until the test lets it through; it counts the calls
// waiting there.
class Gate {
 public:
  void Pass() {
    std::unique_lock<std::mutex> lock(fMutex);
    ++fWaiting;
    fChanged.notify_all();
    fChanged.wait(lock, [&] { return fOpen; });
    --fWaiting;
  }
  void Close() { Set(false); }
  void Open() { Set(true); }
  // Whether aCount calls wait at the gate within aTimeoutMs.
  bool Waiting(int aCount, int aTimeoutMs) {
    std::unique_lock<std::mutex> lock(fMutex);
    return fChanged.wait_for(lock, std::chrono::milliseconds(aTimeoutMs), [&] { return fWaiting >= aCount; });
  }

 private:
  void Set(bool aOpen) {
    std::lock_guard<std::mutex> lock(fMutex);
    fOpen = aOpen;
    fChanged.notify_all();
  }
  std::mutex fMutex;
  std::condition_variable fChanged;
  bool fOpen = true;
  int fWaiting = 0;
};
Gate gGate;
// Driver operations that ran while another one of the same device was under way, and devices
// released while one of their operations was under way.
std::atomic<int> gOverlaps{0};
std::atomic<int> gReleasedInUse{0};

class TestDriver : public RecordingDriver {
 public:
  using RecordingDriver::RecordingDriver;
  ~TestDriver() override {
    if (gLastCalls) *gLastCalls = fCalls;
    if (fUnderWay != 0) ++gReleasedInUse;
  }
  bool OpenDrawer(int32_t aDrawerNumber) override {
    if (fUnderWay++ != 0) ++gOverlaps;
    gGate.Pass();
    const bool done = RecordingDriver::OpenDrawer(aDrawerNumber);
    --fUnderWay;
    return done;
  }
  bool GetStatus(bool& aDayOpened, TDateTime& aDateTime, bool& aPaperEnd, bool& aPaperNearEnd, bool& aCoverOpen,
                 bool& aFiscalReceiptOpen, bool& aReceiptOpen, bool& aTrainingMode, String& aFirmwareVersion,
                 String& aSerialNumber, String& aFiscalMode) override {
    aSerialNumber = u"SN" + IntToStr(fHandle);
    aFiscalMode = u"RT";
    return RecordingDriver::GetStatus(aDayOpened, aDateTime, aPaperEnd, aPaperNearEnd, aCoverOpen, aFiscalReceiptOpen,
                                      aReceiptOpen, aTrainingMode, aFirmwareVersion, aSerialNumber, aFiscalMode);
  }

 private:
  std::atomic<int> fUnderWay{0};
};

std::unique_ptr<kFiscalPrinterDevice> CreateTestDriver(kReceiptPrinterHandler& aHandler) {
  if (aHandler.ParameterIsTrue(u"FailCreate")) throw Error(u"cannot create");
  return std::make_unique<TestDriver>(aHandler);
}

class Wrappers : public ::testing::Test {
 protected:
  void SetUp() override { kFiscalPrinterRegistry::Instance().RegisterClass(u"TEST", &CreateTestDriver); }
  void TearDown() override { kFiscalPrinterRegistry::Shutdown(); }

  template <typename Wrapper>
  static auto Run(const std::string& aXml) {
    Wrapper w;
    w.Process(FromUtf8(aXml));
    String out, err;
    int16_t result = 0;
    w.Format(out, err, result);
    return std::make_pair(w.ResultRecord(), result);
  }

  // The devices connect to a listening loopback socket that never answers.
  std::string Req(int aHandle, const std::string& aLogId = "a", const std::string& aMore = "") const {
    return "<R><Driver>TEST</Driver><LogId>" + aLogId + "</LogId><Handle>" + std::to_string(aHandle) +
           "</Handle><Connection><Type>tcp</Type><Address>127.0.0.1</Address><Port>" + std::to_string(fPort) +
           "</Port></Connection>" + aMore + "</R>";
  }

  Wrappers() {
    fListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fListener, 16);
    ::getsockname(fListener, reinterpret_cast<sockaddr*>(&address), &length);
    fPort = ntohs(address.sin_port);
  }
  ~Wrappers() override { ::close(fListener); }

  int fListener = -1;
  int fPort = 0;

  testing::TempDir fDir;
  testing::ScopedEnv fRoot{"QX_LOG_ROOT", fDir.Path()};
};

TEST_F(Wrappers, HandlesCountFromOneAndAreNeverReused) {
  const auto [first, r1] = Run<kFiscalPrinterWrapper_OPEN>(Req(0, "one"));
  EXPECT_EQ(r1, 0);
  EXPECT_FALSE(first.Error);
  EXPECT_EQ(first.Handle, 1);
  // OPEN ran Init, the status and the VAT table after connecting.
  const auto [close, rc] = Run<kFiscalPrinterWrapper_CLOSE>(Req(1));
  EXPECT_EQ(rc, 0);
  const auto [second, r2] = Run<kFiscalPrinterWrapper_OPEN>(Req(0, "two"));
  EXPECT_EQ(second.Handle, 2);
  const auto [gone, rg] = Run<kFiscalPrinterWrapper_GETSTATUS>(Req(1));
  EXPECT_EQ(gone.ErrorText, u"Printer Handle not found");
  EXPECT_EQ(gone.LogFileName, u"");
  EXPECT_EQ(rg, -1);
  // OPEN with the handle of a registered device opens that device again.
  const auto [again, ra] = Run<kFiscalPrinterWrapper_OPEN>(Req(2));
  EXPECT_EQ(again.Handle, 2);
  EXPECT_EQ(kFiscalPrinterRegistry::Instance().DeviceCount(), 1u);
}

TEST_F(Wrappers, OpenRunsInitStatusAndVatTable) {
  std::vector<std::string> calls;
  gLastCalls = &calls;
  Run<kFiscalPrinterWrapper_OPEN>(Req(0));
  Run<kFiscalPrinterWrapper_CLOSE>(Req(1));
  gLastCalls = nullptr;
  EXPECT_EQ(calls, (std::vector<std::string>{"Init", "GetStatus", "GetVatTable"}));
}

TEST_F(Wrappers, TwoDevicesKeepSeparateLogsAndState) {
  Run<kFiscalPrinterWrapper_OPEN>(Req(0, "left"));
  Run<kFiscalPrinterWrapper_OPEN>(Req(0, "right"));
  const auto [s1, a] = Run<kFiscalPrinterWrapper_GETSTATUS>(Req(1));
  const auto [s2, b] = Run<kFiscalPrinterWrapper_GETSTATUS>(Req(2));
  EXPECT_EQ(s1.SerialNumber, u"SN1");
  EXPECT_EQ(s2.SerialNumber, u"SN2");
  EXPECT_NE(s1.LogFileName, s2.LogFileName);
  EXPECT_NE(s1.LogFileName.find(u"TEST_left_"), String::npos);
  EXPECT_NE(s2.LogFileName.find(u"TEST_right_"), String::npos);
  EXPECT_EQ(kFiscalPrinterRegistry::Instance().Find(1)->fDevice->fSerialNumber, u"SN1");
}

TEST_F(Wrappers, OpenThatCannotConnectAnswersNoHandle) {
  ::close(fListener);  // nothing listens on the port any more
  fListener = -1;
  std::vector<std::string> calls;
  gLastCalls = &calls;
  const auto [open, r] = Run<kFiscalPrinterWrapper_OPEN>(Req(0));
  EXPECT_TRUE(open.Error);
  EXPECT_EQ(open.ErrorText, u"Connect Error");
  EXPECT_EQ(open.Handle, 0);
  EXPECT_EQ(r, -1);
  kFiscalPrinterRegistry::Shutdown();  // the device stays registered until unload
  gLastCalls = nullptr;
  EXPECT_TRUE(calls.empty());  // no Init, status or VAT reading
}

TEST_F(Wrappers, FailuresBeforeADeviceLeaveTheRegistryUnchanged) {
  const auto [failed, r] = Run<kFiscalPrinterWrapper_OPEN>(Req(0, "x", "<Parameters><FailCreate>true</FailCreate></Parameters>"));
  EXPECT_EQ(failed.ErrorText, u"cannot create");
  EXPECT_EQ(failed.Handle, 0);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(kFiscalPrinterRegistry::Instance().DeviceCount(), 0u);
  // No handle was consumed by the failed creation.
  EXPECT_EQ((Run<kFiscalPrinterWrapper_OPEN>(Req(0)).first.Handle), 1);
}

TEST_F(Wrappers, ErrorsAfterTheOperationKeepItsResultAndReachTheLog) {
  Run<kFiscalPrinterWrapper_OPEN>(Req(0));
  // A device operation that raises: the answer carries the message and the device's log name.
  const auto [r, code] = Run<kFiscalPrinterWrapper_SETDATETIME>(Req(1));
  EXPECT_EQ(r.ErrorText, u"DateTime Format invalid: []");
  EXPECT_NE(r.LogFileName, u"");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(code, -1);
  // PAY without handle creates a device that is never opened, and answers MANUAL and other; no
  // later request can reach that device, so it does not outlive the call.
  const auto [pay, pc] = Run<kFiscalPrinterWrapper_PAY>(Req(0, "p", "<Payment><Amount>1</Amount></Payment>"));
  EXPECT_EQ(pay.TransactionType, ptt_Manual);
  EXPECT_EQ(kFiscalPrinterRegistry::Instance().DeviceCount(), 1u);
}

// Hosts call from several threads. A call on a device waits for the call that is inside it; a
// call on another device runs meanwhile; CLOSE waits for the call inside the device it releases,
// and a call that comes after it finds the handle gone.
TEST_F(Wrappers, CallsOnOneDeviceWaitForEachOtherAndCloseWaitsForTheCallInside) {
  const int first = Run<kFiscalPrinterWrapper_OPEN>(Req(0, "first")).first.Handle;
  const int second = Run<kFiscalPrinterWrapper_OPEN>(Req(0, "second")).first.Handle;
  const std::string drawer = "<Drawer><Number>1</Number></Drawer>";
  gGate.Close();
  auto inside = std::async(std::launch::async, [&] { return Run<kFiscalPrinterWrapper_OPENDR>(Req(first, "a", drawer)); });
  ASSERT_TRUE(gGate.Waiting(1, 10000));

  // Another device is not held up.
  auto other = std::async(std::launch::async, [&] { return Run<kFiscalPrinterWrapper_GETSTATUS>(Req(second)); });
  const bool otherDone = other.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  EXPECT_TRUE(otherDone) << "a call on another device waited";
  // The same device is: neither a second OPENDR nor CLOSE gets in while the first is inside.
  auto queued = std::async(std::launch::async, [&] { return Run<kFiscalPrinterWrapper_OPENDR>(Req(first, "a", drawer)); });
  auto close = std::async(std::launch::async, [&] { return Run<kFiscalPrinterWrapper_CLOSE>(Req(first)); });
  EXPECT_FALSE(gGate.Waiting(2, 200)) << "two calls inside one device";
  EXPECT_NE(close.wait_for(std::chrono::milliseconds(0)), std::future_status::ready);

  gGate.Open();
  const auto [a, ra] = inside.get();
  EXPECT_EQ(ra, 0) << ToUtf8(a.ErrorText);
  if (otherDone) {
    EXPECT_EQ(other.get().first.SerialNumber, u"SN2");
  }
  const auto [c, rc] = close.get();
  EXPECT_EQ(rc, 0) << ToUtf8(c.ErrorText);
  // The queued call ran before the CLOSE, or finds the handle gone after it.
  const auto [q, rq] = queued.get();
  if (rq != 0) {
    EXPECT_EQ(q.ErrorText, u"Printer Handle not found");
  }
  EXPECT_EQ(gOverlaps, 0);
  EXPECT_EQ(gReleasedInUse, 0);
  EXPECT_EQ(Run<kFiscalPrinterWrapper_GETSTATUS>(Req(first)).first.ErrorText, u"Printer Handle not found");
  EXPECT_EQ(kFiscalPrinterRegistry::Instance().DeviceCount(), 1u);
}

}  // namespace
}  // namespace qx
