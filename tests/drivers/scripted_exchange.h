// The Epson driver talking to a scripted printer: every reply is given in advance and every
// write is recorded, so a test can count frames exactly.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "device/receipt_printer_handler.h"
#include "device_requests.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/scripted_io_handler.h"

namespace qx::testing {

class ScriptedExchange : public ::testing::Test {
 protected:
  ScriptedExchange() {
    kReceiptPrinterHandler handler;
    handler.Deserialize(FromUtf8(SerialRequest("/dev/null", 0)), {});
    fDriver = std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
    auto io = std::make_unique<ScriptedIOHandler>();
    fIO = io.get();
    fDriver->fIOHandler = std::move(io);
  }

  // The frames written (an ACK is no frame).
  size_t FramesWritten() const {
    size_t n = 0;
    for (const String& w : fIO->fWrites) n += !w.empty() && w[0] == 0x02 ? 1 : 0;
    return n;
  }

  std::unique_ptr<kFiscalPrinter_EPSFPNAT> fDriver;
  ScriptedIOHandler* fIO = nullptr;
};

}  // namespace qx::testing
