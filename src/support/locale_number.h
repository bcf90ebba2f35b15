// Numbers as the computer's regional settings write them ("1.234,50" or "1,234.50"), for the
// texts printed for people rather than parsed by a printer.
#pragma once

#include "support/currency.h"
#include "support/text.h"

namespace qx {

// aValue rounded to aDecimals (half away from zero), its whole part grouped by threes with
// aThousand (no grouping when it is 0) and its decimals after aDecimal; "-" in front when negative.
String FormatGroupedNumber(Currency aValue, int aDecimals, char16_t aDecimal, char16_t aThousand);

// The same with the computer's separators, grouped when aGrouping.
String FormatLocaleNumber(Currency aValue, int aDecimals, bool aGrouping);

}  // namespace qx
