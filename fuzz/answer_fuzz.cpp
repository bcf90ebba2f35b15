// Feeds arbitrary bytes to the Epson driver as the printer's side of the line: every read takes
// the next bytes up to a handshake byte or ETX, and a run of driver operations (status, clock,
// day, drawer, VAT table, printer parameters) consumes them. Any outcome but an answer or a
// qx::Error (a crash, a sanitizer report, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "byte_stream_io_handler.h"

namespace {

using namespace qx;

// The printer's bytes as one stream; once they are used up every read times out at once.
class StreamIOHandler : public fuzzing::ByteStreamIOHandler {
 public:
  explicit StreamIOHandler(std::string_view aBytes) { Append(aBytes); }
};

kFiscalPrinter_EPSFPNAT& Driver() {
  static std::unique_ptr<kFiscalPrinter_EPSFPNAT> driver = [] {
    kReceiptPrinterHandler handler;
    handler.Deserialize(u"<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>serial</Type>"
                        u"<SerialPort>COM1</SerialPort><Speed>9600</Speed><DataBits>8</DataBits>"
                        u"<Parity>none</Parity><StopBits>1</StopBits></Connection></R>",
                        {});
    return std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
  }();
  return *driver;
}

template <typename F>
void Run(F&& aOperation) {
  try {
    aOperation();
  } catch (const Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize == 0) return 0;
  kFiscalPrinter_EPSFPNAT& d = Driver();
  // The first byte chooses the driver's settings; the rest is the line.
  d.fAckEnabled = (aData[0] & 1) != 0;
  d.fFiscalMode = (aData[0] & 2) != 0 ? u"RT" : u"MF";
  d.fMinBusyWindowMs = 0;
  d.fEchoPauseMs = 0;
  d.fIOHandler = std::make_unique<StreamIOHandler>(std::string(reinterpret_cast<const char*>(aData) + 1, aSize - 1));
  d.fIOHandler->SetReadTimeout(0);

  bool flags[8] = {};
  TDateTime when = 0;
  String firmware, serial, mode;
  Run([&] { d.GetStatus(flags[0], when, flags[1], flags[2], flags[3], flags[4], flags[5], flags[6], firmware, serial, mode); });
  Run([&] { d.GetDateTime(when); });
  Run([&] { d.IsDayOpen(); });
  Run([&] { d.GetDrawerStatus(1, flags[7]); });
  Run([&] { d.GetVatTable(); });
  Run([&] { d.GetS15Value(27); });
  Run([&] { d.SetS14Value(11, u"1"); });
  return 0;
}
