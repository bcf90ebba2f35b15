// The start of a fiscal document: sale, refund, void or invoice, with the printer's check of
// the referenced document, the customer data of an invoice and the lottery code.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// "ddmmyyyy"
String DayMonthYear(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  return FormatNumberField(static_cast<double>(p.Day), 2, 0) + FormatNumberField(static_cast<double>(p.Month), 2, 0) +
         FormatNumberField(static_cast<double>(p.Year), 4, 0);
}

// A number of the request as the printer's four-digit field; a text that is no number is 0.
String FourDigits(StringView aNumber, StringView aFieldName) {
  return kFiscalPrinter_EPSFPNAT::FitField(static_cast<int64_t>(StrToIntDef(aNumber, 0)), 4, aFieldName);
}

// An invoice number of the till's own numbering as the printer's field: its right-most digits,
// as for every fixed-width number of the protocol. Unlike an amount cut short (FitField refuses
// those), the cut number only numbers the printed invoice; the till's own record keeps it whole.
String InvoiceNumberField(int64_t aNumber, int32_t aWidth) {
  if (aNumber < 0) return kFiscalPrinter_EPSFPNAT::FitField(aNumber, aWidth, u"ReceiptNumber");
  const String digits = IntToStr(aNumber);
  const size_t width = static_cast<size_t>(aWidth);
  return digits.size() >= width ? digits.substr(digits.size() - width) : String(width - digits.size(), u'0') + digits;
}

// Closing number, number, date and serial of the referenced document, as the refund and void
// texts carry them.
String ReferenceText(const qxOriginalReceipt& aOriginal, StringView aSerial) {
  return FourDigits(aOriginal.EJClosingNumber, u"EJClosingNumber") + u" " +
         FourDigits(aOriginal.ReceiptNumber, u"ReceiptNumber") + u" " + DayMonthYear(aOriginal.ReceiptDateTime) +
         u" " + String(aSerial);
}

}  // namespace

void kFiscalPrinter_EPSFPNAT::SetStandardPrintSequence() {
  ClearPrintSequence();
  AddPrintSection(fpps_Lines);
  AddPrintSection(fpps_TrailerMessages);
  AddPrintSection(fpps_Payments);
}

void kFiscalPrinter_EPSFPNAT::CheckVoidRefund(kReceipt& aReceipt, String& aReferenceSerial) {
  const qxOriginalReceipt& original = aReceipt.fOriginalReceipt;
  const bool isVoid = aReceipt.fReceiptType == rt_Void;
  // Another printer's serial is checked in lower case by printers of the fifth firmware
  // generation, and always when the caller asks to skip the printer's own check.
  if (StartsText(u"5", fFirmwareVersion) && aReferenceSerial != fSerialNumber)
    aReferenceSerial = LowerCase(aReferenceSerial);
  if (original.ExcludeFPCheck && aReferenceSerial != fSerialNumber) aReferenceSerial = LowerCase(aReferenceSerial);
  switch (original.ReferenceType) {
    case rrt_EFTReceipt: aReferenceSerial = PadText(u"POS", 11); break;
    case rrt_NotAvailable: aReferenceSerial = PadText(u"ND", 11); break;
    case rrt_Empties: aReferenceSerial = PadText(u"VR", 11); break;
    case rrt_OriginalReceipt: break;
  }
  const String data = String(isVoid ? u"2" : u"1") + PadText(aReferenceSerial, 11) +
                      DayMonthYear(original.ReceiptDateTime) + FourDigits(original.ReceiptNumber, u"ReceiptNumber") +
                      FourDigits(original.EJClosingNumber, u"EJClosingNumber");
  if (!ExecuteCommand(u"9205", data, u"BeginReceipt-RequestVoidRefundStatus")) throw Error(u"Receipt not voidable.");
  fVoidType = vt_Internal;
  switch (fResponseData.empty() ? u' ' : fResponseData[0]) {
    case u'1':
      if (isVoid) {
        SetStandardPrintSequence();
        fVoidType = vt_External;
      }
      break;
    case u'2': throw Error(u"Receipt not found");
    case u'3': throw Error(u"Receipt already refunded");
    case u'4': throw Error(u"Receipt already voided");
    case u'5': throw Error(u"This is a refund receipt");
    case u'6': throw Error(u"This is a void receipt");
    default: break;  // the printer voids its own document by itself
  }
}

bool kFiscalPrinter_EPSFPNAT::BeginInvoice(kReceipt& aReceipt) {
  const int64_t number = StrToInt(aReceipt.fReceiptNumber);
  const String fourDigits = InvoiceNumberField(number, 4);
  const String fiveDigits = InvoiceNumberField(number, 5);
  const String place = aReceipt.fCustomerZipCode + u" " + aReceipt.fCustomerCity + u" " + aReceipt.fCustomerProvince +
                       u" " + aReceipt.fCustomerCountry;
  return ExecuteCommand(u"4025", fourDigits + u"99" + u"00" + u"1" + String(14, u' ') + u"00", u"SetInvoiceNumber") &&
         ExecuteCommand(u"1078", u"0160101" + PadText(aReceipt.fCustomerName, 40), u"SetCustomerName") &&
         ExecuteCommand(u"1078", u"0160201" + PadText(aReceipt.fCustomerAddress, 40), u"SetCustomerAddress") &&
         ExecuteCommand(u"1078", u"0160301" + PadText(place, 40), u"SetCustomerAddress[2ndLine]") &&
         ExecuteCommand(u"1078", u"0160401" + PadText(u"P.Iva:" + aReceipt.fCustomerTaxCode, 40),
                        u"SetCustomerAddress[TaxCode]") &&
         (aReceipt.fReceiptType == rt_InvoiceSaleFromReceipt
              ? ExecuteCommand(u"1052", u"01" + fiveDigits, u"BeginFiscalReceipt[InvoiceFromLastReceipt]")
              : ExecuteCommand(u"1089", u"01" + fiveDigits, u"BeginFiscalReceipt[Invoice]"));
}

bool kFiscalPrinter_EPSFPNAT::BeginFiscalReceipt(kReceipt& aReceipt) {
  // The numbers of the last receipt belong to it alone: a receipt that fails never answers them.
  fLastReceiptDateTime = 0;
  fLastReceiptNumber = 0;
  fLastReceiptEJNumber = 0;
  fLastReceiptEJClosingNumber = 0;
  // A printer whose state cannot be read is not sent a receipt.
  if (!CloseOpenDocument()) return false;
  if (fRTServerActive) {
    // With an RT server the printer always prints a sale; the real type shapes its header lines.
    fRTSReceiptType = aReceipt.fReceiptType;
    aReceipt.fReceiptType = rt_Sale;
  }
  // With an RT server the footer takes trailer lines 1 to 13 before each payment, after the
  // trailer messages are set: the messages start at 14 so that the footer does not overwrite them.
  fTrailerLineNumber = fRTServerActive ? 13 : 0;
  bool result = false;
  const qxReceiptType type = aReceipt.fReceiptType;
  if (type == rt_Void)
    ClearPrintSequence();  // the printer voids the whole document: no line, trailer or payment
  else
    SetStandardPrintSequence();

  String referenceSerial = aReceipt.fOriginalReceipt.DeviceSerialNumber;
  const bool rtMode = fFiscalMode == u"RT";
  if ((type == rt_Refund || type == rt_Void) && rtMode) CheckVoidRefund(aReceipt, referenceSerial);

  switch (type) {
    case rt_Sale:
      // With an RT server its header lines say what the document really is; a failed line
      // does not keep the sale from being opened.
      if (fRTServerActive) SetRTServerHeader(aReceipt);
      result = ExecuteCommand(u"1085", u"01", u"BeginFiscalReceipt[Sale]");
      break;
    case rt_Refund: {
      const String text = rtMode ? u"REFUND " + ReferenceText(aReceipt.fOriginalReceipt, referenceSerial)
                                 : PadText(u"PRATICA DI RESO " + aReceipt.fReceiptNumber, 40);
      const SlowCommands slow(*fIOHandler, 3000);
      result = ExecuteCommand(u"1078", u"0140001" + text, u"BeginFiscalReceipt[Refund]");
      break;
    }
    case rt_Void: {
      if (!rtMode) throw Error(u"VOID is not supported in MF Mode");
      const String text = u"VOID " + ReferenceText(aReceipt.fOriginalReceipt, referenceSerial);
      const SlowCommands slow(*fIOHandler, 3000);
      result = ExecuteCommand(u"1078", u"0140001" + text, u"BeginFiscalReceipt[Void]");
      // A document the printer voids by itself is voided by this very command.
      if (fVoidType == vt_Internal) NoteCommit(result);
      break;
    }
    case rt_InvoiceSale:
    case rt_InvoiceSaleFromReceipt:
      result = BeginInvoice(aReceipt);
      break;
  }

  // The code without the blanks and control characters around it: the printer takes the field's
  // text as the code, and a tab or leading blank would make it another (invalid) one.
  const String lotteryCode = Trim(aReceipt.fLotteryIdCode);
  if (!lotteryCode.empty())
    result = result && ExecuteCommand(u"1135", u"01" + PadText(lotteryCode, 16) + String(4, u' '), u"SetLotteryCode");
  return result;
}

}  // namespace qx
