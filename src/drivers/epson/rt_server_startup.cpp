// The start-up check of RT-server mode: the printer's serial number, and the Z report that keeps
// a printer behind an RT server closed regularly and its clock in step with the computer's.
#include <cmath>
#include <cstdlib>

#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"

namespace qx {

namespace {

constexpr int64_t kMsPerMinute = 60 * 1000;
constexpr int64_t kMsPerDay = 24 * 60 * kMsPerMinute;
// More than this many whole minutes between the clocks, or whole days since the last Z report,
// make a Z report due.
constexpr int64_t kMaxClockMinutes = 5;
constexpr int64_t kMaxDaysWithoutZReport = 90;
// A Z report takes longer than other commands to print and answer.
constexpr int32_t kZReportReadTimeout = 5000;

// Whole units of aUnitMs between two moments, either way round.
int64_t WholeUnitsBetween(TDateTime aFirst, TDateTime aSecond, int64_t aUnitMs) {
  const auto ms = static_cast<int64_t>(std::llround(std::fabs(aFirst - aSecond) * static_cast<double>(kMsPerDay)));
  return ms / aUnitMs;
}

}  // namespace

void kFiscalPrinter_EPSFPNAT::CheckClockAndZReport() {
  bool dayOpened = false, paperEnd = false, paperNearEnd = false, coverOpen = false, fiscalReceiptOpen = false,
       receiptOpen = false, trainingMode = false;
  TDateTime printerClock = 0;
  String firmware, serial, fiscalMode;
  const bool statusRead = GetStatus(dayOpened, printerClock, paperEnd, paperNearEnd, coverOpen, fiscalReceiptOpen,
                                    receiptOpen, trainingMode, firmware, serial, fiscalMode);
  fSerialNumber = serial;
  // Without the printer's clock and serial number nothing can be compared: a clock never read
  // would look hours off and close the fiscal day for nothing.
  if (!statusRead) {
    fIOHandler->Debug(let_error, u"Clock and Z report check skipped: the printer status could not be read");
    return;
  }

  const TDateTime now = fComputerClock();
  bool due = WholeUnitsBetween(now, printerClock, kMsPerMinute) > kMaxClockMinutes;
  if (!due) {
    // A date file that cannot be read tells no more than a missing one: the Z report is due,
    // and the date written after it replaces the unreadable file.
    TDateTime lastZReport = 0;
    try {
      lastZReport = LoadZReportDate();
    } catch (const Error& e) {
      fIOHandler->Debug(let_error, e.Message());
    }
    due = WholeUnitsBetween(now, lastZReport, kMsPerDay) > kMaxDaysWithoutZReport;
  }
  if (!due) return;

  const SlowCommands slow(*fIOHandler, kZReportReadTimeout);
  if (!ExecuteCommand(u"3001", u"01", u"ZReport")) return;
  // The report is printed: a date file that cannot be written is only logged, and the clock is
  // set all the same.
  try {
    StoreZReportDate(fComputerClock());
  } catch (const Error& e) {
    fIOHandler->Debug(let_error, e.Message());
  }
  SetDateTime(fComputerClock());
}

}  // namespace qx
