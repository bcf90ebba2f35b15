// The customer display and the cash drawer.
#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

namespace {

// The display command: "011", the whole display's text, "00".
String DisplayData(StringView aText) { return u"011" + String(aText) + u"00"; }

}  // namespace

bool kFiscalPrinter_EPSFPNAT::ClearDisplay() {
  const int32_t size = fDisplayLineLength * fDisplayLineCount;
  return ExecuteCommand(u"1062", DisplayData(String(static_cast<size_t>(size > 0 ? size : 0), u' ')),
                        u"ClearDisplay");
}

bool kFiscalPrinter_EPSFPNAT::WriteDisplay(kReceiptMessageLines& aLines) {
  // More lines than the display has would run past its field: what does not fit is cut off.
  const int32_t size = fDisplayLineLength * fDisplayLineCount;
  const String text = FormatDisplayText(aLines).substr(0, static_cast<size_t>(size > 0 ? size : 0));
  return ExecuteCommand(u"1062", DisplayData(text), u"WriteDisplay");
}

// The printer drives one drawer: the number is not sent.
bool kFiscalPrinter_EPSFPNAT::OpenDrawer(int32_t) { return ExecuteCommand(u"1050", u"01", u"OpenDrawer"); }

}  // namespace qx
