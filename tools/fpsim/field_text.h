// Fixed-width fields of the protocol and the texts of the printed paper.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/currency.h"
#include "support/date_time.h"

namespace qx::fpsim {

// The value as decimal digits, zero-padded on the left, only the right-most aWidth kept.
std::string Digits(int64_t aValue, size_t aWidth);
// Only decimal digits, at least one, at most 18; no sign, no blanks.
bool ParseDigits(std::string_view aText, int64_t& aValue);

// Blanks added on the right up to aWidth, then cut to aWidth.
std::string PadCut(std::string_view aText, size_t aWidth);
std::string TrimRightBlanks(std::string_view aText);
std::string TrimBlanks(std::string_view aText);

// Paper lines of a given width.
std::string Centered(std::string_view aText, size_t aWidth);
// aLeft, then aRight flush with the right end; at least aMinGap blanks between them.
std::string Columns(std::string_view aLeft, std::string_view aRight, size_t aWidth, size_t aMinGap = 1);

// Amount fields: digits with two implied decimals <-> Currency.
Currency CentsToCurrency(int64_t aCents);
int64_t CurrencyToCents(Currency aValue);  // rounded half away from zero
// "1.234,56", "-0,50": the way the printer prints amounts.
std::string ItalianAmount(Currency aValue);

// Date and time texts of the wire and of the paper.
std::string DdMmYy(TDateTime aValue);
std::string DdMmYyyy(TDateTime aValue);
std::string HhNn(TDateTime aValue);
// Parses "ddmmyy" (aYearDigits 2, year 2000 + yy) or "ddmmyyyy" (4) into a date; false if invalid.
bool ParseWireDate(std::string_view aText, int aYearDigits, TDateTime& aDate);

}  // namespace qx::fpsim
