// Alignment of printed lines within the line length.
#include <gtest/gtest.h>

#include "device/receipt_printer_handler.h"
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "epson_fixture.h"

namespace qx {
namespace {

TEST(TextLayout, AlignText) {
  kReceiptPrinterHandler handler;
  handler.Deserialize(FromUtf8(testing::SerialRequest("/dev/null", 100)), {});
  kFiscalPrinter_EPSFPNAT driver(handler);
  driver.fLineLength = 10;
  const String del(1, char16_t(0x7F));
  struct Case {
    String text;
    qxReceiptMessageLineAlignment alignment;
    String expected;
  };
  const Case cases[] = {
      {u"abc", la_left, u"abc       "},
      {u"abc", la_right, u"       abc"},
      {u"abc", la_center, u"   abc    "},
      {u"abcd", la_center, u"   abcd   "},
      {u"", la_left, del + u"         "},
      {u"   ", la_right, u"         " + del},
      {u"", la_center, u"    " + del + u"     "},
      {u"0123456789", la_center, u"0123456789"},
      {u"0123456789AB", la_right, u"0123456789AB"},
  };
  for (const Case& c : cases) EXPECT_EQ(driver.AlignText(c.text, c.alignment), c.expected) << ToUtf8(c.text);
}

}  // namespace
}  // namespace qx
