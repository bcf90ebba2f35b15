// The layout of printed text lines within the printer's line length.
#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

String kFiscalPrinter_EPSFPNAT::AlignText(StringView aText, qxReceiptMessageLineAlignment aAlignment) const {
  String text = aText.find_first_not_of(u' ') == StringView::npos ? String(1, char16_t(0x7F)) : String(aText);
  const int32_t length = static_cast<int32_t>(text.size());
  if (length >= fLineLength) return text;
  const size_t missing = static_cast<size_t>(fLineLength - length);
  switch (aAlignment) {
    case la_right:
      return String(missing, u' ') + text;
    case la_center: {
      const size_t left = missing / 2;
      return String(left, u' ') + text + String(missing - left, u' ');
    }
    default:
      return text + String(missing, u' ');
  }
}

}  // namespace qx
