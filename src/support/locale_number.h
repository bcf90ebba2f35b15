// Amounts as the computer's regional settings write them ("1.234,50" or "1,234.50"), for the
// texts printed for people rather than parsed by a printer.
#pragma once

#include "support/currency.h"
#include "support/text.h"

namespace qx {

// aValue rounded to aDecimals, its whole part grouped by threes with aThousand and its
// decimals after aDecimal.
String FormatGroupedNumber(Currency aValue, int aDecimals, char16_t aDecimal, char16_t aThousand);

// The same with the environment's separators.
String LocaleNumber(Currency aValue, int aDecimals);

}  // namespace qx
