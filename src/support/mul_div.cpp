#include "support/mul_div.h"

namespace qx {

namespace {

struct Uint128 {
  uint64_t High = 0;
  uint64_t Low = 0;
};

uint64_t Magnitude(int64_t aValue) { return aValue < 0 ? 0 - static_cast<uint64_t>(aValue) : static_cast<uint64_t>(aValue); }

// Schoolbook product of the 32-bit halves.
Uint128 Multiply(uint64_t aA, uint64_t aB) {
  const uint64_t aLow = aA & 0xFFFFFFFFu, aHigh = aA >> 32;
  const uint64_t bLow = aB & 0xFFFFFFFFu, bHigh = aB >> 32;
  const uint64_t lowLow = aLow * bLow;
  const uint64_t lowHigh = aLow * bHigh;
  const uint64_t highLow = aHigh * bLow;
  const uint64_t middle = (lowLow >> 32) + (lowHigh & 0xFFFFFFFFu) + (highLow & 0xFFFFFFFFu);
  return {aHigh * bHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32), (middle << 32) | (lowLow & 0xFFFFFFFFu)};
}

// aValue / aDivisor (aDivisor != 0): the high half by the machine's division, the low half bit by
// bit into the remainder that division left.
Uint128 Divide(Uint128 aValue, uint64_t aDivisor, uint64_t& aRemainder) {
  Uint128 quotient{aValue.High / aDivisor, 0};
  uint64_t remainder = aValue.High % aDivisor;
  if (remainder == 0) {
    quotient.Low = aValue.Low / aDivisor;
    aRemainder = aValue.Low % aDivisor;
    return quotient;
  }
  for (int bit = 63; bit >= 0; --bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((aValue.Low >> bit) & 1u);
    if (carry || remainder >= aDivisor) {
      remainder -= aDivisor;
      quotient.Low |= uint64_t{1} << bit;
    }
  }
  aRemainder = remainder;
  return quotient;
}

}  // namespace

bool MulDiv(int64_t aA, int64_t aB, int64_t aDivisor, Rounding aRounding, int64_t& aResult) {
  if (aDivisor == 0) return false;
  // A zero product gives 0 whichever sign is taken.
  const bool negative = ((aA < 0) != (aB < 0)) != (aDivisor < 0);
  const uint64_t divisor = Magnitude(aDivisor);
  uint64_t remainder = 0;
  Uint128 quotient = Divide(Multiply(Magnitude(aA), Magnitude(aB)), divisor, remainder);
  // The magnitude rounds away from zero past the half, and on the half itself by the rule.
  const uint64_t rest = divisor - remainder;  // remainder < divisor: no wrap
  if (remainder > rest || (remainder == rest && (aRounding == Rounding::HalfAwayFromZero || (quotient.Low & 1u) != 0))) {
    if (++quotient.Low == 0) ++quotient.High;
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (quotient.High != 0 || quotient.Low > limit) return false;
  aResult = negative ? static_cast<int64_t>(0 - quotient.Low) : static_cast<int64_t>(quotient.Low);
  return true;
}

}  // namespace qx
