// X and Z reports and the day's RT data files.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/date_time.h"

namespace qx {

namespace {

// The reports take longer than other commands to print and answer.
constexpr int32_t kReportReadTimeout = 5000;

}  // namespace

bool kFiscalPrinter_EPSFPNAT::XReport(kXReport*) {
  fIOHandler->SetTemporaryReadTimeout(kReportReadTimeout);
  const bool result = ExecuteCommand(u"2001", u"01", u"XReport");
  fIOHandler->ResetTemporaryReadTimeout();
  fLastReceiptDateTime = Now();
  fLastReceiptNumber = 0;
  fLastReceiptEJNumber = 0;
  fLastReceiptEJClosingNumber = 0;
  return result;
}

bool kFiscalPrinter_EPSFPNAT::ZReport(kZReport*) {
  fIOHandler->SetTemporaryReadTimeout(kReportReadTimeout);
  const bool result = ExecuteCommand(u"3001", u"01", u"ZReport");
  fIOHandler->ResetTemporaryReadTimeout();
  // The day's counters are read after the report: not yet in this version.
  return result;
}

bool kFiscalPrinter_EPSFPNAT::ReadRTDayTotals(StringList&, TDateTime, TDateTime) {
  // Reading the printer's RT data files comes with the HTTP client; until then the counters
  // stay reset.
  ResetCounters();
  return true;
}

bool kFiscalPrinter_EPSFPNAT::GetEJFiles(qxEJFilesRequestType, StringView, int32_t&, TDateTime, TDateTime) { return NotAvailable(u"GetEJFiles"); }

}  // namespace qx
