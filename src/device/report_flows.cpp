// The X and Z report flows. Each has three paths, tried in this order: the RT server's till
// report, the processor library's counters, and the printer's own report (the driver path).
#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"

namespace qx {

_int_PRINTXR_result kFiscalPrinterDevice::Pub_PrintXReport(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_PRINTXR_result>(u"PrintXReport", [&](_int_PRINTXR_result& r) {
    // RT-server path (till X report and its printed text) and processor path: they join here
    // with the RT-server binding and the processor library.
    if (ReadinessStep()) XReport(aHandler.fXReport.get());
    if (fIOHandler->ErrorFound()) {
      r.XReportNumber.clear();
      r.XReportDateTime = 0;
      return;
    }
    GetLastReceiptInfo(r.XReportDateTime, r.XReportNumber, r.EJNumber, r.EJClosingNumber, r.DeviceSerialNumber);
  });
}

_int_PRINTZR_result kFiscalPrinterDevice::Pub_PrintZReport(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_PRINTZR_result>(u"PrintZReport", [&](_int_PRINTZR_result& r) {
    // RT-server path (till closing and its printed text) and processor path: they join here
    // with the RT-server binding and the processor library.
    if (ReadinessStep()) ZReport(aHandler.fZReport.get());
    if (fIOHandler->ErrorFound()) {
      r.ZReportNumber.clear();
      r.ZReportDateTime = 0;
      r.RemainingFiscalMemory = 0;
      return;
    }
    // The document number of the last-receipt information is not the report's: the number
    // comes from the counters below.
    String documentNumber;
    GetLastReceiptInfo(r.ZReportDateTime, documentNumber, r.EJNumber, r.EJClosingNumber, r.DeviceSerialNumber);
    GetRemainingFiscalMemory(r.RemainingFiscalMemory);
    r.GrandTotalAmount = fCounters.GrandTotalAmount;
    r.GrandTotalRefundsAmount = fCounters.GrandTotalRefundsAmount;
    r.GrandTotalVoidsAmount = fCounters.GrandTotalVoidsAmount;
    r.DayTotalAmount = fCounters.DayTotalAmount;
    r.DayDiscountsAmount = fCounters.DayDiscountsAmount;
    r.DayReturnsAmount = fCounters.DayReturnsAmount;
    r.DayRefundsAmount = fCounters.DayRefundsAmount;
    r.DayVoidsAmount = fCounters.DayVoidsAmount;
    r.DayReceiptsNumber = fCounters.DayReceiptsNumber;
    r.DayRefundsNumber = fCounters.DayRefundsNumber;
    if (r.ZReportNumber.empty() || r.ZReportNumber == u"0") r.ZReportNumber = IntToStr(fCounters.ZReportNumber);
    if (r.ZReportDateTime == 0) r.ZReportDateTime = fCounters.ZReportDateTime;
    r.Text = fCounters.Text;
  });
}

}  // namespace qx
