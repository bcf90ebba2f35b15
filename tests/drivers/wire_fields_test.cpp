// Fixed-width numeric fields: values that fit are written, values too wide are refused.
#include <gtest/gtest.h>

#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"

namespace qx {
namespace {

using Driver = kFiscalPrinter_EPSFPNAT;

TEST(WireFields, AmountsThatFit) {
  EXPECT_EQ(Driver::FitField(Currency::FromText(u"3"), 9, 2, u"Price"), u"000000300");
  EXPECT_EQ(Driver::FitField(Currency::FromText(u"9999999.99"), 9, 2, u"Price"), u"999999999");
  EXPECT_EQ(Driver::FitField(Currency(), 4, 3, u"Quantity"), u"0000");
  EXPECT_EQ(Driver::FitField(int64_t{7}, 2, u"Department"), u"07");
}

TEST(WireFields, TooWideOrNegativeIsRefusedWithFieldAndValue) {
  try {
    Driver::FitField(Currency::FromText(u"12345678.90"), 9, 2, u"Price");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"The value 12345678.9 of Price does not fit its field of 9 digits");
  }
  EXPECT_THROW(Driver::FitField(Currency::FromText(u"-1"), 9, 2, u"Price"), Error);
  EXPECT_THROW(Driver::FitField(int64_t{100}, 2, u"Department"), Error);
  EXPECT_THROW(Driver::FitField(int64_t{-1}, 2, u"Department"), Error);
}

}  // namespace
}  // namespace qx
