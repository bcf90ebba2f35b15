#include "support/locale_number.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

TEST(LocaleNumber, GroupedWithTheGivenSeparators) {
  struct Case { const char16_t* value; int decimals; char16_t decimal, thousand; const char16_t* text; };
  const Case cases[] = {
      {u"1234.5", 2, u',', u'.', u"1.234,50"},         {u"1234.5", 2, u'.', u',', u"1,234.50"},
      {u"0", 2, u',', u'.', u"0,00"},                  {u"999.995", 2, u',', u'.', u"1.000,00"},
      {u"-1234567.891", 2, u',', u'.', u"-1.234.567,89"}, {u"123456", 0, u',', u'\u00A0', u"123\u00A0456"},
      {u"1234.5", 2, u',', 0, u"1234,50"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatGroupedNumber(Currency::FromText(c.value), c.decimals, c.decimal, c.thousand), c.text)
        << ToUtf8(c.value);
}

}  // namespace
}  // namespace qx
