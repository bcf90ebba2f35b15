// The X and Z report flows. Each has three paths, tried in this order: the RT server's till
// report, the processor library's counters, and the printer's own report (the driver path).
#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"

namespace qx {

_int_PRINTXR_result kFiscalPrinterDevice::Pub_PrintXReport(kReceiptPrinterHandler& aHandler) {
  if (fRTServerActive) return RTServerXReport(aHandler);
  if (fProcessor->Active()) return ProcessorXReport();
  return RunOperation<_int_PRINTXR_result>(u"PrintXReport", [&](_int_PRINTXR_result& r) {
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
  if (fRTServerActive) return RTServerZReport(aHandler);
  if (fProcessor->Active()) return ProcessorZReport();
  return RunOperation<_int_PRINTZR_result>(u"PrintZReport", [&](_int_PRINTZR_result& r) {
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

// The processor's X report: its counters, its text printed as a non-fiscal document.
_int_PRINTXR_result kFiscalPrinterDevice::ProcessorXReport() {
  bool done = false;
  auto r = RunOperation<_int_PRINTXR_result>(u"PrintXReport", [&](_int_PRINTXR_result& x) {
    done = fProcessor->ProcessXReport(fXmlString, fCounters);
    if (!done) return;
    kFiscalProcessorCaller::PrintReport(fCounters.Text, *this);
    x.XReportNumber = IntToStr(fCounters.ZReportNumber);
    x.XReportDateTime = fCounters.ZReportDateTime;
    x.EJNumber = u"0";
    x.EJClosingNumber = IntToStr(fCounters.ZReportNumber);
    x.DeviceSerialNumber = fSerialNumber;
    x.ServerSerialNumber.clear();
  });
  r.Error = !done;
  r.ErrorText = done ? String() : fProcessor->ErrorMessage();
  return r;
}

// The processor's Z report: the answer carries its counters; its text is printed afterwards and
// the printing does not change the answer.
_int_PRINTZR_result kFiscalPrinterDevice::ProcessorZReport() {
  bool done = false;
  auto r = RunOperation<_int_PRINTZR_result>(u"PrintZReport", [&](_int_PRINTZR_result& z) {
    done = fProcessor->ProcessZReport(fXmlString, fCounters);
    if (!done) return;
    z.ZReportNumber = IntToStr(fCounters.ZReportNumber);
    z.ZReportDateTime = fCounters.ZReportDateTime;
    z.EJNumber = u"0";
    z.EJClosingNumber = IntToStr(fCounters.ZReportNumber);
    z.DeviceSerialNumber = fSerialNumber;
    z.ServerSerialNumber.clear();
    z.GrandTotalAmount = fCounters.GrandTotalAmount;
    z.GrandTotalRefundsAmount = fCounters.GrandTotalRefundsAmount;
    z.GrandTotalVoidsAmount = fCounters.GrandTotalVoidsAmount;
    z.DayTotalAmount = fCounters.DayTotalAmount;
    z.DayDiscountsAmount = fCounters.DayDiscountsAmount;
    z.DayReturnsAmount = fCounters.DayReturnsAmount;
    z.DayRefundsAmount = fCounters.DayRefundsAmount;
    z.DayVoidsAmount = fCounters.DayVoidsAmount;
    z.DayReceiptsNumber = fCounters.DayReceiptsNumber;
    z.DayRefundsNumber = fCounters.DayRefundsNumber;
    z.Text = fCounters.Text;
    kFiscalProcessorCaller::PrintReport(fCounters.Text, *this);
  });
  r.Error = !done;
  r.ErrorText = done ? String() : fProcessor->ErrorMessage();
  return r;
}

}  // namespace qx
