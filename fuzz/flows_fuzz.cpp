// Feeds a receipt request and the printer's answers to the device's receipt and report flows:
// the receipt is printed (PRINTFR's operation), then an X and a Z report, against the printer
// simulator run in-process, whose answers the input can break. Input: one byte of settings
// (bit 0: the driver waits for ACKs, bit 1: an RT printer, otherwise MF), the request text up to
// the first NUL, the simulator's faults one per line ("1080:error=13", "*:busy=2") up to the next
// NUL, then a mask XORed over the printer's bytes in order. Any outcome but an answer (a crash, a
// sanitizer report, an exception out of an operation, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "fpsim/simulator.h"
#include "support/date_time.h"
#include "support/error.h"
#include "byte_stream_io_handler.h"

namespace {

using namespace qx;

// The simulated printer as the line: each frame written goes to the printer's session and what
// it answers, with the mask applied, waits to be read; reads of an empty line time out at once.
class SimulatorIOHandler : public fuzzing::ByteStreamIOHandler {
 public:
  SimulatorIOHandler(fpsim::Simulator& aSimulator, std::string_view aMask) : fSimulator(aSimulator), fMask(aMask) {}

  void ClearBuffers() override { DiscardUnread(); }
  bool Write(StringView aText) override {
    std::string answer = fSimulator.FeedBytes(ToCp1252(aText));
    for (char& c : answer) {
      if (fMasked < fMask.size()) c = static_cast<char>(c ^ fMask[fMasked]);
      ++fMasked;
    }
    Append(answer);
    return true;
  }
  String ClassName() const override { return u"SimulatorIOHandler"; }

 private:
  fpsim::Simulator& fSimulator;
  std::string_view fMask;
  size_t fMasked = 0;
};

// One device for every run, made without a log; its transport is replaced in each run.
kFiscalPrinter_EPSFPNAT& Device() {
  static std::unique_ptr<kFiscalPrinter_EPSFPNAT> device = [] {
    kReceiptPrinterHandler handler;
    handler.Deserialize(u"<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>serial</Type>"
                        u"<SerialPort>COM1</SerialPort><Speed>9600</Speed><DataBits>8</DataBits>"
                        u"<Parity>none</Parity><StopBits>1</StopBits></Connection></R>",
                        {});
    return std::make_unique<kFiscalPrinter_EPSFPNAT>(handler);
  }();
  return *device;
}

// One public operation as a request runs it: the error state cleared first, a raised failure
// kept as the answer's error.
template <typename F>
void Run(kFiscalPrinter_EPSFPNAT& aDevice, F&& aOperation) {
  aDevice.IOHandler().ResetCustomError();
  try {
    aOperation();
  } catch (const Error&) {
  }
}

// The part of aRest up to the next NUL (all of it when there is none); aRest keeps what follows.
std::string_view NextPart(std::string_view& aRest) {
  const size_t end = aRest.find('\0');
  const std::string_view part = aRest.substr(0, end);
  aRest = end == std::string_view::npos ? std::string_view() : aRest.substr(end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize == 0) return 0;
  std::string_view rest(reinterpret_cast<const char*>(aData) + 1, aSize - 1);
  const std::string_view request = NextPart(rest);
  std::string_view faults = NextPart(rest);

  // A printer whose clock stands still, so that a run gives the same answers every time.
  fpsim::SimulatorConfig config;
  config.fiscalMode = (aData[0] & 2) != 0 ? "RT" : "MF";
  config.clock = EncodeDateTime({2025, 3, 5, 9, 0, 0, 0});
  config.clockFrozen = true;
  fpsim::Simulator simulator(config);
  while (!faults.empty()) {
    const size_t end = faults.find('\n');
    try {
      simulator.AddFault(faults.substr(0, end));
    } catch (const Error&) {
      // A fault the simulator cannot read is not one.
    }
    faults = end == std::string_view::npos ? std::string_view() : faults.substr(end + 1);
  }

  kFiscalPrinter_EPSFPNAT& d = Device();
  d.fAckEnabled = (aData[0] & 1) != 0;
  d.fFiscalMode = FromUtf8(config.fiscalMode);
  d.fMinBusyWindowMs = 0;
  d.fEchoPauseMs = 0;
  d.fIOHandler = std::make_unique<SimulatorIOHandler>(simulator, rest);
  d.fIOHandler->SetReadTimeout(0);

  // A failure the flows raise is a qx::Error, which the request wrapper turns into the answer;
  // any other exception is a finding. A request without a receipt that can be read still runs
  // the reports.
  const String text = FromUtf8(request);
  kReceiptPrinterHandler reports;
  try {
    reports.Deserialize(text, qxReceiptHandlerDocumentTypes{dt_XReport, dt_ZReport});
  } catch (const Error&) {
    return 0;  // a request that cannot be read reaches no flow
  }
  kReceiptPrinterHandler receipt;
  bool hasReceipt = true;
  try {
    receipt.Deserialize(text, qxReceiptHandlerDocumentTypes{dt_Receipt});
  } catch (const Error&) {
    hasReceipt = false;
  }
  if (hasReceipt) {
    d.fXmlString = text;
    Run(d, [&] { d.Pub_PrintReceipt(receipt); });
  }
  Run(d, [&] { d.Pub_PrintXReport(reports); });
  Run(d, [&] { d.Pub_PrintZReport(reports); });
  return 0;
}
