// The amount type: a signed fixed-point number with four decimals, held as a 64-bit count of
// ten-thousandths. Prices, quantities, rates and totals travel as Currency from the request to
// the wire without passing through floating point.
#pragma once

#include <compare>
#include <cstdint>

#include "support/text.h"

namespace qx {

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;
  static constexpr Currency FromRaw(int64_t aRaw) { return Currency(aRaw); }
  static constexpr Currency FromInt(int64_t aUnits) { return Currency(aUnits * kScale); }
  // Rounds to the nearest ten-thousandth, halves to even (as the x87 does for Currency).
  static Currency FromDouble(double aValue);

  // Decimal text with optional blanks around it, an optional sign, "." as the only decimal
  // separator and an optional exponent. More than four decimals round half away from zero.
  // Raises "'<text>' is not a valid floating point value" when the text is no number or
  // lies outside the Currency range.
  static Currency FromText(StringView aText);
  static bool TryFromText(StringView aText, Currency& aValue);

  constexpr int64_t Raw() const { return fRaw; }
  double ToDouble() const { return static_cast<double>(fRaw) / kScale; }
  // Shortest form: "." separator, no grouping, no exponent, no trailing zeros (12.5, 10, -3, 0).
  String ToText() const;
  // Fixed number of decimals (0 to 4), rounding half away from zero, "." separator.
  String ToFixed(int aDecimals) const;

  constexpr Currency operator-() const { return Currency(-fRaw); }
  constexpr Currency operator+(Currency b) const { return Currency(fRaw + b.fRaw); }
  constexpr Currency operator-(Currency b) const { return Currency(fRaw - b.fRaw); }
  Currency& operator+=(Currency b) { fRaw += b.fRaw; return *this; }
  Currency& operator-=(Currency b) { fRaw -= b.fRaw; return *this; }
  // Exact product or quotient, rounded to four decimals half to even.
  Currency operator*(Currency b) const;
  Currency operator/(Currency b) const;
  constexpr auto operator<=>(const Currency&) const = default;

 private:
  constexpr explicit Currency(int64_t aRaw) : fRaw(aRaw) {}
  int64_t fRaw = 0;
};

// The shortest text of an amount, as the answers write it.
inline String CurrencyToText(Currency aValue) { return aValue.ToText(); }

}  // namespace qx
