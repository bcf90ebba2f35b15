#include "support/currency.h"

#include <cmath>

#include "support/error.h"
#include "support/mul_div.h"

namespace qx {

namespace {

// The product or quotient on 128 bits, rounded half to even as the amount type always did.
int64_t RoundedMulDiv(int64_t aA, int64_t aB, int64_t aDivisor) {
  int64_t result = 0;
  if (!MulDiv(aA, aB, aDivisor, Rounding::HalfToEven, result)) throw Error(u"Currency overflow");
  return result;
}

}  // namespace

Currency Currency::FromDouble(double aValue) {
  const double scaled = std::nearbyint(aValue * kScale);
  if (!(scaled >= -9.2233720368547758e18 && scaled < 9.2233720368547758e18))
    throw Error(u"Currency overflow");
  return Currency(static_cast<int64_t>(scaled));
}

bool Currency::TryFromText(StringView aText, Currency& aValue) {
  size_t i = 0;
  const size_t n = aText.size();
  while (i < n && aText[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (aText[i] == u'+' || aText[i] == u'-')) negative = aText[i++] == u'-';
  // Mantissa digits without the point; leading zeros dropped. Beyond about 40 significant
  // digits every value is out of range anyway, so a bounded buffer is enough.
  std::string digits;
  int pointShift = 0;  // digits after the decimal point
  bool anyDigit = false;
  bool tooLong = false;
  for (; i < n && aText[i] >= u'0' && aText[i] <= u'9'; ++i) {
    anyDigit = true;
    if (digits.empty() && aText[i] == u'0') continue;
    if (digits.size() < 40) digits += static_cast<char>(aText[i]); else tooLong = true;
  }
  if (i < n && aText[i] == u'.') {
    ++i;
    for (; i < n && aText[i] >= u'0' && aText[i] <= u'9'; ++i) {
      anyDigit = true;
      if (digits.empty() && aText[i] == u'0') { ++pointShift; continue; }
      if (digits.size() < 40) { digits += static_cast<char>(aText[i]); ++pointShift; }
    }
  }
  if (!anyDigit) return false;
  int64_t exponent = 0;
  if (i < n && (aText[i] == u'e' || aText[i] == u'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (aText[i] == u'+' || aText[i] == u'-')) expNegative = aText[i++] == u'-';
    if (i >= n || aText[i] < u'0' || aText[i] > u'9') return false;
    for (; i < n && aText[i] >= u'0' && aText[i] <= u'9'; ++i)
      if (exponent < 100000) exponent = exponent * 10 + (aText[i] - u'0');
    if (expNegative) exponent = -exponent;
  }
  while (i < n && aText[i] == u' ') ++i;
  if (i != n) return false;
  if (tooLong) return false;
  if (digits.empty()) {
    aValue = Currency(0);
    return true;
  }
  // value = digits * 10^(exponent - pointShift); raw = value * 10^4.
  const int64_t shift = exponent - pointShift + 4;
  const int64_t magnitude = static_cast<int64_t>(digits.size()) + shift;  // digits before the point of raw
  // Below 10^19 + 1: the magnitude fits in 64 unsigned bits.
  if (magnitude > 19) return false;
  uint64_t raw = 0;
  if (shift >= 0) {
    for (char d : digits) raw = raw * 10 + static_cast<uint64_t>(d - '0');
    for (int64_t k = 0; k < shift; ++k) raw *= 10;
  } else {
    const int64_t keep = static_cast<int64_t>(digits.size()) + shift;  // digits that stay integral
    for (int64_t k = 0; k < keep; ++k) raw = raw * 10 + static_cast<uint64_t>(digits[k] - '0');
    // Half away from zero on the first dropped digit.
    if (keep >= 0 && digits[keep] >= '5') raw += 1;
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (raw > limit) return false;
  aValue = Currency(negative ? static_cast<int64_t>(0 - raw) : static_cast<int64_t>(raw));
  return true;
}

Currency Currency::FromText(StringView aText) {
  Currency value;
  if (!TryFromText(aText, value))
    throw Error(u"'" + String(aText) + u"' is not a valid floating point value");
  return value;
}

String Currency::ToText() const {
  const bool negative = fRaw < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(fRaw) : static_cast<uint64_t>(fRaw);
  String out = negative ? u"-" : u"";
  out += IntToStr(static_cast<int64_t>(magnitude / kScale));
  uint64_t fraction = magnitude % kScale;
  if (fraction != 0) {
    String frac = PadLeft(IntToStr(static_cast<int64_t>(fraction)), 4, u'0');
    while (!frac.empty() && frac.back() == u'0') frac.pop_back();
    out += u'.';
    out += frac;
  }
  return out;
}

String Currency::ToFixed(int aDecimals) const {
  if (aDecimals < 0) aDecimals = 0;
  if (aDecimals > 4) aDecimals = 4;
  int64_t unit = 1;
  for (int k = aDecimals; k < 4; ++k) unit *= 10;
  int64_t rounded = 0;
  MulDiv(fRaw, 1, unit, Rounding::HalfAwayFromZero, rounded);  // never larger than fRaw: always fits
  const uint64_t magnitude = rounded < 0 ? 0 - static_cast<uint64_t>(rounded) : static_cast<uint64_t>(rounded);
  uint64_t divisor = 1;
  for (int k = 0; k < aDecimals; ++k) divisor *= 10;
  String out = rounded < 0 ? u"-" : u"";
  out += IntToStr(static_cast<int64_t>(magnitude / divisor));
  if (aDecimals > 0) {
    out += u'.';
    out += PadLeft(IntToStr(static_cast<int64_t>(magnitude % divisor)), static_cast<size_t>(aDecimals), u'0');
  }
  return out;
}

Currency Currency::operator*(Currency b) const {
  return Currency(RoundedMulDiv(fRaw, b.fRaw, kScale));
}

Currency Currency::operator/(Currency b) const {
  if (b.fRaw == 0) throw Error(u"Division by zero");
  return Currency(RoundedMulDiv(fRaw, kScale, b.fRaw));
}

}  // namespace qx
