// The end of a fiscal document: trailer lines, payments, the explicit end and the numbers of
// the receipt just closed.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// The printer's payment code of a payment type (meal vouchers with a count are set apart).
const char16_t* PaymentCode(qxReceiptPaymentType aType) {
  switch (aType) {
    case rpt_Cash: return u"000";
    case rpt_Cheque: return u"101";
    case rpt_CreditCard: return u"201";
    case rpt_DebitCard: return u"202";
    case rpt_Credit: return u"500";
    case rpt_CreditOnProducts: return u"501";
    case rpt_CreditOnServices: return u"502";
    case Rpt_GiftCard:
    case Rpt_Voucher: return u"601";
    case Rpt_MealVoucher: return u"401";
    case Rpt_NHSCard: return u"505";
    case Rpt_Change: break;
  }
  return u"000";
}

bool AllDigits(StringView aText) {
  for (const char16_t c : aText)
    if (c < u'0' || c > u'9') return false;
  return !aText.empty();
}

}  // namespace

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageTextLine(kReceipt&, kReceiptMessageTextLine& aLine) {
  ++fTrailerLineNumber;
  if (fTrailerLineNumber >= 100) return true;  // the printer keeps 99 trailer lines
  const String text = PadText(AlignText(aLine.Value(), aLine.fAlignment), fLineLength);
  const String size = aLine.fSize >= 2 && aLine.fSize <= 4 ? IntToStr(aLine.fSize) : u"1";
  return ExecuteCommand(u"1078", u"012" + NumberField(fTrailerLineNumber) + u"0" + size + text,
                        u"PrintTrailerMessageTextLine");
}

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageBarcode(kReceipt& aReceipt, kReceiptMessageBarcodeLine& aLine) {
  if (aReceipt.fReceiptType == rt_InvoiceSale) return true;
  return PrintNoFiscalMessageBarcode(&aReceipt, aLine);
}

void kFiscalPrinter_EPSFPNAT::ReadClosingPayment() {
  const String date = ResponseField(13, 18);
  const String time = ResponseField(19, 22);
  fLastReceiptNumber = StrToIntDef(ResponseField(23, 26), 0);
  DateTimeParts p;
  TDateTime when = 0;
  const bool digits = date.size() == 6 && time.size() == 4 && AllDigits(date + time);
  if (digits) {
    p.Day = StrToInt(date.substr(0, 2));
    p.Month = StrToInt(date.substr(2, 2));
    p.Year = 2000 + StrToInt(date.substr(4, 2));
    p.Hour = StrToInt(time.substr(0, 2));
    p.Minute = StrToInt(time.substr(2, 2));
  }
  if (digits && TryEncodeDateTime(p, when)) {
    fLastReceiptDateTime = when;
  } else {
    fLastReceiptNumber = 0;
    fLastReceiptDateTime = Date();
  }
  if (ExecuteCommand(u"2052", u"", u"Total[ReadFiscalGrandTotal]"))
    fLastReceiptEJClosingNumber = StrToIntDef(ResponseField(15, 18), 0) + 1;
}

bool kFiscalPrinter_EPSFPNAT::Total(kReceipt& aReceipt, kReceiptPaymentLine& aPayment) {
  if (aPayment.fPaymentType == Rpt_Change) return true;
  // A receipt to be invoiced sends one payment, of the whole amount.
  if (aReceipt.fToBeInvoiced && &aReceipt.fPayments[0] != &aPayment) return true;
  // With an RT server its data of the document go before each payment; a failed line does not
  // keep the payment from being sent.
  if (fRTServerActive) SetRTServerFooter();
  const SlowCommands slow(*fIOHandler, 3000);
  String code = PaymentCode(aPayment.fPaymentType);
  Currency amount = aPayment.fAmount;
  if (aReceipt.fToBeInvoiced) {
    code = u"503";
    amount = aReceipt.fPayments.TotalAmount();
  } else if (aPayment.fPaymentType == Rpt_MealVoucher && aPayment.fQuantity != Currency()) {
    code = u"4" + FitField(aPayment.fQuantity, 2, 0, u"Quantity");
    amount = aPayment.fUnitPrice;
  }
  const bool result = ExecuteCommand(
      u"1084", u"01" + PadText(aPayment.fDescription, 32) + FitField(amount, 9, 2, u"Amount") + code + u"1", u"Total");
  if (result && ResponseField(3, 3) == u"1") {
    // The payment that closed the receipt registered it.
    NoteCommit(true);
    ReadClosingPayment();
  } else {
    // Unanswered, it may have closed the receipt; answered as still open, it did not.
    if (!result) NoteCommit(false);
    fLastReceiptNumber = 0;
    fLastReceiptDateTime = Date();
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::ReadLastReceiptNumber() {
  if (!ExecuteCommand(u"1070", u"01", u"EndFiscalReceipt-GetFiscalReceiptNumber")) return false;
  fLastReceiptNumber = StrToIntDef(ResponseField(3, 6), 1) - 1;  // the printer reports the next number
  return true;
}

bool kFiscalPrinter_EPSFPNAT::EndFiscalReceipt(kReceipt& aReceipt) {
  const SlowCommands slow(*fIOHandler, 3000);
  bool result = true;
  const bool isVoid = aReceipt.fReceiptType == rt_Void;
  if (fJavaPOSEnabled && (!isVoid || fVoidType == vt_External)) {
    result = NoteCommit(ExecuteCommand(u"1087", u"01", u"EndFiscalReceipt"));
    // The payment's answer carried no numbers: the closing number is read here too, or the answer
    // would name closing 0 (or the previous receipt's) and a refund of it could not be found.
    if (ReadLastReceiptNumber() && ExecuteCommand(u"2052", u"", u"Total[ReadFiscalGrandTotal]"))
      fLastReceiptEJClosingNumber = StrToIntDef(ResponseField(15, 18), 0) + 1;
  } else if (isVoid) {
    ReadLastReceiptNumber();
    if (ExecuteCommand(u"2052", u"", u"Total[ReadFiscalGrandTotal]"))
      fLastReceiptEJClosingNumber = StrToIntDef(ResponseField(15, 18), -1) + 1;
    fLastReceiptDateTime = Now();
  }
  // Otherwise the payment that completed the total closed the receipt.
  return result;
}

}  // namespace qx
