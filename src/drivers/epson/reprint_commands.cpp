// Reprints of the last receipt, of a receipt by number and date, and of an invoice by number.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

String kFiscalPrinter_EPSFPNAT::DateField(TDateTime aDate) {
  const DateTimeParts p = DecodeDateTime(aDate);
  return NumberField(p.Day) + NumberField(p.Month) + NumberField(p.Year % 100);
}

String kFiscalPrinter_EPSFPNAT::DocumentNumberField(StringView aNumber, StringView aFieldName) {
  const String text = Trim(aNumber);
  int32_t number = 0;
  if (!TryStrToInt(text, number))
    throw Error(String(aFieldName) + u" '" + String(aNumber) + u"' is not a document number");
  return FitField(number, 4, aFieldName);
}

bool kFiscalPrinter_EPSFPNAT::Reprint(kReceiptReference& aReference) {
  // The request is checked whole before anything is sent; a fiscal document left open would
  // refuse the reprint and is cancelled first.
  const qxReceiptType type = aReference.fReceiptType;
  if (type == rt_InvoiceSale || type == rt_InvoiceSaleFromReceipt) {
    // One invoice: the same number is the first and the last of the range.
    const String number = DocumentNumberField(aReference.fReceiptNumber, u"ReceiptNumber");
    return CloseOpenDocument() &&
           NoteCommit(ExecuteCommand(u"3098", u"0102" + DateField(aReference.fReceiptDateTime) + number + number +
                                                  u"0" + u"00",
                                     u"ReprintInvoiceByNumber"));
  }
  if (type != rt_Sale && type != rt_Refund && type != rt_Void) throw Error(u"Receipt Type is not valid for reprint");
  const String trimmed = Trim(aReference.fReceiptNumber);
  if (trimmed.empty() || trimmed == u"0")
    return CloseOpenDocument() && NoteCommit(ExecuteCommand(u"1047", u"01", u"ReprintLastReceipt"));
  const String number = DocumentNumberField(aReference.fReceiptNumber, u"ReceiptNumber");
  return CloseOpenDocument() &&
         NoteCommit(ExecuteCommand(u"3098", u"01" + DateField(aReference.fReceiptDateTime) + number + number,
                                   u"ReprintReceiptByNumber"));
}

}  // namespace qx
