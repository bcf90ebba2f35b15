// The lines an RT server's document carries on the printer: a header that names the document
// kind (and the document a void or refund refers to), and a footer with the RT server's data of
// the signed document. The printer itself always prints a sale; these lines say what it is.
#include <algorithm>
#include <utility>
#include <vector>

#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/locale_number.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// A number as at least four digits. The document is signed by the server when these lines are
// printed, so a wider number is printed whole rather than cut (a wrong number) or refused (a
// registered receipt left unprinted).
String AtLeastFourDigits(int32_t aValue) {
  const String digits = IntToStr(aValue);
  return aValue >= 0 && digits.size() < 4 ? String(4 - digits.size(), u'0') + digits : digits;
}

}  // namespace

bool kFiscalPrinter_EPSFPNAT::SetRTServerHeader(kReceipt& aReceipt) {
  const String empty = AlignText(u"", la_left);
  // Number and text of each line: the numbers are fixed by the line's place, so an invoice,
  // which has no line 2, goes on with line 3.
  std::vector<std::pair<int32_t, String>> lines = {{1, AlignText(u"DOCUMENTO  COMMERCIALE", la_center)}};
  const bool referenced = fRTSReceiptType == rt_Void || fRTSReceiptType == rt_Refund;
  switch (fRTSReceiptType) {
    case rt_Sale: lines.emplace_back(2, AlignText(u"di vendita o prestazione", la_center)); break;
    case rt_Void: lines.emplace_back(2, AlignText(u"emesso  per ANNULLAMENTO", la_center)); break;
    case rt_Refund: lines.emplace_back(2, AlignText(u"emesso  per RESO", la_center)); break;
    case rt_InvoiceSale:
    case rt_InvoiceSaleFromReceipt: break;
  }
  if (referenced) {
    const qxOriginalReceipt& original = aReceipt.fOriginalReceipt;
    // A reference that is no number counts as 0.
    const String reference = AtLeastFourDigits(StrToIntDef(original.EJClosingNumber, 0)) + u"-" +
                             AtLeastFourDigits(StrToIntDef(original.ReceiptNumber, 0));
    lines.emplace_back(3, empty);
    lines.emplace_back(4, AlignText(u"Documento di Riferimento", la_center));
    lines.emplace_back(5, AlignText(u"N. " + reference + u" del " + PrintedDate(original.ReceiptDateTime), la_center));
  }
  const int32_t columnsLine = referenced ? 7 : 4;
  lines.emplace_back(columnsLine - 1, empty);
  lines.emplace_back(columnsLine, AlignText(PadText(u"DESCRIZIONE", fLineLength - 6) + u"IVA   Prezzo", la_left));

  bool result = true;
  for (size_t i = 0; i < lines.size() && result; ++i) {
    const int32_t number = lines[i].first;
    result = ExecuteCommand(u"1078", u"011" + NumberField(number) + u"0" + u"2" + lines[i].second,
                            u"SetRTServerHeader-" + IntToStr(number));
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::SetRTServerFooter() {
  const kRTServerReceiptInfo& info = fRTServerReceiptInfo;
  const String vat = FormatLocaleNumber(info.fVATTotal, 2, true);
  const int32_t labelWidth = std::max<int32_t>(0, fLineLength - static_cast<int32_t>(vat.size()));
  const String empty = AlignText(u"", la_left);
  const String signature = info.fRTSignature;
  const auto centred = [this](StringView aText) { return AlignText(aText, la_center); };
  // Size code and text of lines 1 to 13.
  const std::vector<std::pair<const char16_t*, String>> lines = {
      {u"3", PadText(u"di cui IVA", fLineLength).substr(0, static_cast<size_t>(labelWidth)) + vat},
      {u"2", empty},
      {u"2", centred(u"Documento N: " + AtLeastFourDigits(info.fRTzRep) + u"-" + AtLeastFourDigits(info.fRTnDoc))},
      {u"2", centred(u"Matricola Cassa: " + info.fRTTillId)},
      {u"2", centred(u"Matricola Server RT: " + info.fRTServerSerialNumber)},
      {u"1", empty},
      {u"1", centred(u"----------- Firma Elettronica -----------")},
      {u"1", centred(signature.substr(0, 32))},
      {u"1", centred(signature.size() > 32 ? signature.substr(32, 32) : String())},
      {u"1", empty},
      {u"1", centred(u"Non valido ai fini fiscali")},
      {u"1", centred(u"ai sensi dell'art.2 del")},
      {u"1", centred(u"d.lgs. n. 127/2015")},
  };

  bool result = true;
  for (size_t i = 0; i < lines.size() && result; ++i) {
    const int32_t number = static_cast<int32_t>(i + 1);
    result = ExecuteCommand(u"1078", u"012" + NumberField(number) + u"0" + lines[i].first + lines[i].second,
                            u"SetRTServerFooter-" + IntToStr(number));
  }
  return result;
}

}  // namespace qx
