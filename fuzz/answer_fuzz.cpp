// Feeds arbitrary bytes to the Epson driver as the printer's side of the line: every read takes
// the next bytes up to a handshake byte or ETX, and a run of driver operations (status, clock,
// day, drawer, VAT table, printer parameters) consumes them. Any outcome but an answer or a
// qx::Error (a crash, a sanitizer report, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "transport/io_handler.h"

namespace {

using namespace qx;

// The printer's bytes as one stream; once they are used up every read times out at once.
class StreamIOHandler : public kIOHandler {
 public:
  explicit StreamIOHandler(std::string aBytes) : kIOHandler(nullptr, u"", u""), fBytes(std::move(aBytes)) {}

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(StringView) override { return true; }
  String ReadUpTo(const ByteList& aChars) override {
    size_t end = fPos;
    while (end < fBytes.size()) {
      const uint8_t byte = static_cast<uint8_t>(fBytes[end++]);
      bool hit = false;
      for (const uint8_t c : aChars) hit = hit || c == byte;
      if (hit) break;
    }
    return Take(end);
  }
  String ReadChars(int32_t aCount) override {
    return Take(aCount <= 0 ? fPos : std::min(fBytes.size(), fPos + static_cast<size_t>(aCount)));
  }
  String ReadAll() override { return Take(fBytes.size()); }
  String DecodeError(int32_t) override { return String(); }
  bool InputBufferContainsData() override { return fPos < fBytes.size(); }
  void SetParameter(StringView, StringView) override {}
  String ClassName() const override { return u"StreamIOHandler"; }

 private:
  String Take(size_t aEnd) {
    const String out = FromLatin1(std::string_view(fBytes).substr(fPos, aEnd - fPos));
    fPos = aEnd;
    return out;
  }

  std::string fBytes;
  size_t fPos = 0;
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
