// Non-fiscal receipts, the customer display, the drawer, electronic payment, reprints, the journal and the receipt-lottery state.
#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

bool kFiscalPrinter_EPSFPNAT::BeginNoFiscalReceipt(kNFReceipt&) { return NotAvailable(u"BeginNoFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageTextLine(kReceipt*, kReceiptMessageTextLine&) { return NotAvailable(u"PrintNoFiscalMessageTextLine"); }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageBarcode(kReceipt*, kReceiptMessageBarcodeLine&) { return NotAvailable(u"PrintNoFiscalMessageBarcode"); }

bool kFiscalPrinter_EPSFPNAT::EndNoFiscalReceipt(kNFReceipt&) { return NotAvailable(u"EndNoFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::ClearDisplay() { return NotAvailable(u"ClearDisplay"); }

bool kFiscalPrinter_EPSFPNAT::WriteDisplay(kReceiptMessageLines&) { return NotAvailable(u"WriteDisplay"); }

bool kFiscalPrinter_EPSFPNAT::OpenDrawer(int32_t) { return NotAvailable(u"OpenDrawer"); }

bool kFiscalPrinter_EPSFPNAT::Pay(kPaymentReceipt&) { return NotAvailable(u"Pay"); }

bool kFiscalPrinter_EPSFPNAT::Reprint(kReceiptReference&) { return NotAvailable(u"Reprint"); }

bool kFiscalPrinter_EPSFPNAT::EJReportZReport(qxEJReportDestination, String&, TDateTime, TDateTime) { return NotAvailable(u"EJReportZReport"); }

bool kFiscalPrinter_EPSFPNAT::EJReportFiscalReceipt(qxEJReportDestination, int32_t, int32_t, String&, TDateTime, TDateTime) { return NotAvailable(u"EJReportFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::EJReportNonFiscalReceipt(qxEJReportDestination, int32_t, int32_t, String&, TDateTime, TDateTime) { return NotAvailable(u"EJReportNonFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::EJReportCreditNote(qxEJReportDestination, int32_t, int32_t, String&, TDateTime, TDateTime) { return NotAvailable(u"EJReportCreditNote"); }

bool kFiscalPrinter_EPSFPNAT::EJReportInvoice(qxEJReportDestination, int32_t, int32_t, String&, TDateTime, TDateTime) { return NotAvailable(u"EJReportInvoice"); }

bool kFiscalPrinter_EPSFPNAT::GetLotteryReceiptStatus(kReceiptReference&) { return NotAvailable(u"GetLotteryReceiptStatus"); }

}  // namespace qx
