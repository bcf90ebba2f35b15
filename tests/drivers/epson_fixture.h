// The Epson driver connected to a simulated printer over a real pseudo-terminal.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "device_requests.h"
#include "fpsim/simulator.h"
#include "support/read_file.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qx::testing {

class EpsonFixture : public ::testing::Test {
 protected:
  explicit EpsonFixture(const fpsim::SimulatorConfig& aConfig = {}, int aReadTimeout = 250)
      : fLogRoot("QX_LOG_ROOT", fDir.Path()), fSimulator(aConfig), fReadTimeout(aReadTimeout) {}

  void SetUp() override { Connect(); }

  void Connect(const std::string& aParameters = "") {
    fPath = fSimulator.StartPty();
    kReceiptPrinterHandler handler;
    handler.Deserialize(FromUtf8(SerialRequest(fPath, fReadTimeout, aParameters)), {});
    fDevice = std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
    ASSERT_TRUE(fDevice->IOHandler().Connect());
  }

  // The same device over the simulator's TCP port instead of its pseudo-terminal.
  void ConnectTcp(const std::string& aParameters = "") {
    fDevice.reset();
    const uint16_t port = fSimulator.StartTcp();
    kReceiptPrinterHandler handler;
    handler.Deserialize(FromUtf8(TcpRequest(port, fReadTimeout, aParameters)), {});
    fDevice = std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
    ASSERT_TRUE(fDevice->IOHandler().Connect());
  }

  // The device's log so far (the log is drained by closing the device).
  std::string CloseAndReadLog() {
    const String name = fDevice->IOHandler().GetLogFileName();
    fDevice.reset();
    return ReadFile(name);
  }

  // The transcript entries of that kind, once at least aAtLeast of them are there (or after a
  // second): the driver's last bytes reach the printer after the driver has returned.
  size_t CountOf(fpsim::EntryKind aKind, size_t aAtLeast = 0) {
    auto count = [aKind](const std::vector<fpsim::TranscriptEntry>& aEntries) {
      size_t n = 0;
      for (const fpsim::TranscriptEntry& e : aEntries) n += e.kind == aKind ? 1 : 0;
      return n;
    };
    if (aAtLeast > 0)
      fSimulator.WaitFor([&](const fpsim::PrinterModel&, const fpsim::Transcript& t) { return count(t.All()) >= aAtLeast; },
                         1000);
    return count(fSimulator.Transcript());
  }

  kIOHandler& IO() { return fDevice->IOHandler(); }

  TempDir fDir;
  ScopedEnv fLogRoot;
  fpsim::Simulator fSimulator;
  int fReadTimeout;
  std::string fPath;
  std::unique_ptr<kFiscalPrinter_EPSFPNAT> fDevice;
};

}  // namespace qx::testing
