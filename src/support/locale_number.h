// Numbers written in the computer's regional format (its decimal and grouping separators), as
// printed texts show them.
#pragma once

#include "support/currency.h"
#include "support/text.h"

namespace qx {

// aValue with exactly aDecimals decimals (rounded half away from zero), the locale's decimal
// separator and, when aGrouping, its thousands separator; a leading "-" when negative.
String FormatLocaleNumber(Currency aValue, int aDecimals, bool aGrouping);

}  // namespace qx
