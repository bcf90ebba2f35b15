// Exact a x b / c on 64-bit integers: the product is kept on 128 bits (two 64-bit halves, no
// compiler extension), so every build, 32-bit Windows included, rounds amounts to the same last
// digit.
#pragma once

#include <cstdint>

namespace qx {

enum class Rounding { HalfToEven, HalfAwayFromZero };

// aA x aB / aDivisor rounded to an integer; false (aResult untouched) when the divisor is 0 or
// the rounded result lies outside int64_t.
bool MulDiv(int64_t aA, int64_t aB, int64_t aDivisor, Rounding aRounding, int64_t& aResult);

}  // namespace qx
