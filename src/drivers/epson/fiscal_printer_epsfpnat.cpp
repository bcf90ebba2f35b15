#include "drivers/epson/fiscal_printer_epsfpnat.h"

#include "support/text_functions.h"

namespace qx {

kFiscalPrinter_EPSFPNAT::kFiscalPrinter_EPSFPNAT(kReceiptPrinterHandler& aHandler) : kFiscalPrinterDevice(aHandler) {
  fCapabilities = {fpc_SetDate,
                   fpc_ReturnPractice,
                   fpc_NoFiscalReceipt,
                   fpc_ReadMemory,
                   fpc_ZeroAmountLine,
                   fpc_Invoice,
                   fpc_VoidReceipt,
                   fpc_NegativeAmountReceipt,
                   fpc_NegativePartialAmountReceipt,
                   fpc_SupportZeroLineAmount,
                   fpc_PrintHeaderOnNonFiscalReceipt};
  fLineLength = 40;
  fDisplayLineCount = 2;
  fDisplayLineLength = 20;
  fLocalPassword = aHandler.GetParameter(u"LocalPassword");
  if (fLocalPassword.empty()) fLocalPassword = u"36092";
  fFrameCounter = 0;
  fAckEnabled = true;
  const kConnection& connection = *aHandler.fConnection;
  fBaseURL = connection.URL();
  fHTTPUser = connection.User();
  fHTTPPassword = connection.Password();
  fHTTPAuthType = connection.AuthType();
}

std::unique_ptr<kFiscalPrinterDevice> kFiscalPrinter_EPSFPNAT::CreateDevice(kReceiptPrinterHandler& aHandler) {
  return std::make_unique<kFiscalPrinter_EPSFPNAT>(aHandler);
}

bool kFiscalPrinter_EPSFPNAT::Init() {
  fAckEnabled = GetS14Value(27) == u"1";
  fIOHandler->Debug(let_info, String(u"AckEnabled=") + (fAckEnabled ? u"True" : u"False"));
  fJavaPOSEnabled = GetS14Value(29) == u"1";
  fIOHandler->Debug(let_info, String(u"JavaposEnabled=") + (fJavaPOSEnabled ? u"True" : u"False"));
  fLineLength = GetS14Value(51) == u"0" ? 46 : 40;
  fIOHandler->Debug(let_info, u"LineLength=" + IntToStr(fLineLength));
  SetS14Value(11, u"1");
  SetS14Value(13, u"0");
  SetS15Value(27, u"00");
  SetS14Value(58, u"0");
  SetS14Value(59, u"0");
  Reset();
  // With an RT server the printer's clock and the day's closing are checked here; that comes
  // with the RT-server binding.
  return true;
}

bool kFiscalPrinter_EPSFPNAT::NotAvailable(StringView aOperation) {
  fIOHandler->SetCustomError(-1, String(aOperation) + u" is not available yet in this version of the driver");
  return false;
}


bool kFiscalPrinter_EPSFPNAT::BeginNoFiscalReceipt(kNFReceipt&) { return NotAvailable(u"BeginNoFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageTextLine(kReceipt*, kReceiptMessageTextLine&) { return NotAvailable(u"PrintNoFiscalMessageTextLine"); }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageBarcode(kReceipt*, kReceiptMessageBarcodeLine&) { return NotAvailable(u"PrintNoFiscalMessageBarcode"); }


bool kFiscalPrinter_EPSFPNAT::EndNoFiscalReceipt(kNFReceipt&) { return NotAvailable(u"EndNoFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::BeginFiscalReceipt(kReceipt&) { return NotAvailable(u"BeginFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::EndFiscalReceipt(kReceipt&) { return NotAvailable(u"EndFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::ProductSale(kReceipt&, kReceiptLineProductSale&) { return NotAvailable(u"ProductSale"); }

bool kFiscalPrinter_EPSFPNAT::ProductReturn(kReceipt&, kReceiptLineProductReturn&) { return NotAvailable(u"ProductReturn"); }

bool kFiscalPrinter_EPSFPNAT::VoucherSale(kReceipt&, kReceiptLineVoucherSale&) { return NotAvailable(u"VoucherSale"); }

bool kFiscalPrinter_EPSFPNAT::VoucherRedeem(kReceipt&, kReceiptLineVoucherRedeem&) { return NotAvailable(u"VoucherRedeem"); }

bool kFiscalPrinter_EPSFPNAT::GiftCardSale(kReceipt&, kReceiptLineGiftCardSale&) { return NotAvailable(u"GiftCardSale"); }

bool kFiscalPrinter_EPSFPNAT::GiftCardRedeem(kReceipt&, kReceiptLineGiftCardRedeem&) { return NotAvailable(u"GiftCardRedeem"); }

bool kFiscalPrinter_EPSFPNAT::CollectAmount(kReceipt&, kReceiptLineCollectAmount&) { return NotAvailable(u"CollectAmount"); }

bool kFiscalPrinter_EPSFPNAT::Text(kReceipt&, kReceiptLineText&) { return NotAvailable(u"Text"); }

bool kFiscalPrinter_EPSFPNAT::SubTotal(kReceipt&, kReceiptLineSubtotal&) { return NotAvailable(u"SubTotal"); }

bool kFiscalPrinter_EPSFPNAT::DiscountAmount(kReceipt&, kReceiptLineDiscountAmount&) { return NotAvailable(u"DiscountAmount"); }

bool kFiscalPrinter_EPSFPNAT::DiscountPercentage(kReceipt&, kReceiptLineDiscountPercentage&) { return NotAvailable(u"DiscountPercentage"); }

bool kFiscalPrinter_EPSFPNAT::DiscountAmountOnSubtotal(kReceipt&, kReceiptLineDiscountAmountOnSubTotal&) { return NotAvailable(u"DiscountAmountOnSubtotal"); }

bool kFiscalPrinter_EPSFPNAT::DiscountPercentageOnSubTotal(kReceipt&, kReceiptLineDiscountPercentageOnSubTotal&) { return NotAvailable(u"DiscountPercentageOnSubTotal"); }

bool kFiscalPrinter_EPSFPNAT::MarkupAmount(kReceipt&, kReceiptLineMarkupAmount&) { return NotAvailable(u"MarkupAmount"); }

bool kFiscalPrinter_EPSFPNAT::MarkupPercentage(kReceipt&, kReceiptLineMarkupPercentage&) { return NotAvailable(u"MarkupPercentage"); }

bool kFiscalPrinter_EPSFPNAT::MarkupAmountOnSubtotal(kReceipt&, kReceiptLineMarkupAmountOnSubTotal&) { return NotAvailable(u"MarkupAmountOnSubtotal"); }

bool kFiscalPrinter_EPSFPNAT::MarkupPercentageOnSubTotal(kReceipt&, kReceiptLineMarkupPercentageOnSubTotal&) { return NotAvailable(u"MarkupPercentageOnSubTotal"); }

bool kFiscalPrinter_EPSFPNAT::Total(kReceipt&, kReceiptPaymentLine&) { return NotAvailable(u"Total"); }

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageTextLine(kReceipt&, kReceiptMessageTextLine&) { return NotAvailable(u"PrintTrailerMessageTextLine"); }

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageBarcode(kReceipt&, kReceiptMessageBarcodeLine&) { return NotAvailable(u"PrintTrailerMessageBarcode"); }


bool kFiscalPrinter_EPSFPNAT::XReport(kXReport*) { return NotAvailable(u"XReport"); }

bool kFiscalPrinter_EPSFPNAT::ZReport(kZReport*) { return NotAvailable(u"ZReport"); }









bool kFiscalPrinter_EPSFPNAT::SetVatTable(kVatTable&) { return NotAvailable(u"SetVatTable"); }

bool kFiscalPrinter_EPSFPNAT::GetEATable() { return NotAvailable(u"GetEATable"); }

bool kFiscalPrinter_EPSFPNAT::SetEATable(kEconomicActivityTable&) { return NotAvailable(u"SetEATable"); }

bool kFiscalPrinter_EPSFPNAT::GetDeptTable() { return NotAvailable(u"GetDeptTable"); }

bool kFiscalPrinter_EPSFPNAT::SetDeptTable(kDeptTable&) { return NotAvailable(u"SetDeptTable"); }


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

bool kFiscalPrinter_EPSFPNAT::GetEJFiles(qxEJFilesRequestType, StringView, int32_t&, TDateTime, TDateTime) { return NotAvailable(u"GetEJFiles"); }



bool kFiscalPrinter_EPSFPNAT::GetLotteryReceiptStatus(kReceiptReference&) { return NotAvailable(u"GetLotteryReceiptStatus"); }


// What the printer does not support: false without touching it, or true without printing.
bool kFiscalPrinter_EPSFPNAT::GetRemainingFiscalMemory(int32_t&) { return false; }

bool kFiscalPrinter_EPSFPNAT::ReservedOperation() { return false; }

bool kFiscalPrinter_EPSFPNAT::PrintNoFiscalMessageImage(kReceipt*, kReceiptMessageImageLine&) { return true; }

bool kFiscalPrinter_EPSFPNAT::GetReceiptText(kReceiptReference&, String&) { return true; }

bool kFiscalPrinter_EPSFPNAT::IsReady() { return true; }

bool kFiscalPrinter_EPSFPNAT::GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber,
                                                 String& aEJClosingNumber, String& aDeviceSerialNumber) {
  aDateTime = fLastReceiptDateTime;
  aReceiptNumber = IntToStr(fLastReceiptNumber);
  aEJNumber = IntToStr(fLastReceiptEJNumber);
  aEJClosingNumber = IntToStr(fLastReceiptEJClosingNumber);
  aDeviceSerialNumber = fSerialNumber;
  return true;
}

}  // namespace qx
