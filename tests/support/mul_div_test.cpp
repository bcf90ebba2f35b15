#include "support/mul_div.h"

#include <gtest/gtest.h>

#include <optional>

namespace qx {
namespace {

constexpr int64_t kMax = INT64_MAX;
constexpr int64_t kMin = INT64_MIN;
constexpr int64_t kOne = 1;
constexpr std::optional<int64_t> kOut;  // division by zero or a result outside int64_t

std::optional<int64_t> Rounded(int64_t aA, int64_t aB, int64_t aDivisor, Rounding aRounding) {
  int64_t result = 12345;
  if (!MulDiv(aA, aB, aDivisor, aRounding, result)) {
    EXPECT_EQ(result, 12345) << "result written on failure";
    return std::nullopt;
  }
  return result;
}

#if defined(__SIZEOF_INT128__)
// The amount arithmetic as it was on 128-bit integers: the product or quotient rounded half to
// even on the magnitude (Currency), the same with the remainder taken non-negative (the RT-data
// rate), and half away from zero on the magnitude (Currency::ToFixed).
using Int128 = __int128;

std::optional<int64_t> Fits(Int128 aValue) {
  if (aValue > INT64_MAX || aValue < INT64_MIN) return std::nullopt;
  return static_cast<int64_t>(aValue);
}

std::optional<int64_t> HalfEvenOn128(int64_t aA, int64_t aB, int64_t aDivisor) {
  Int128 numerator = static_cast<Int128>(aA) * aB, denominator = aDivisor;
  if (denominator < 0) numerator = -numerator, denominator = -denominator;
  Int128 q = numerator / denominator;
  const Int128 r = numerator % denominator;
  const Int128 twice = (r < 0 ? -r : r) * 2;
  if (twice > denominator || (twice == denominator && (q % 2) != 0)) q += (numerator < 0) ? -1 : 1;
  return Fits(q);
}

std::optional<int64_t> FlooredHalfEvenOn128(int64_t aA, int64_t aB, int64_t aDivisor) {
  const Int128 numerator = static_cast<Int128>(aA) * aB, unit = aDivisor;
  Int128 q = numerator / unit, r = numerator % unit;
  if (r < 0) r += unit, --q;
  if (2 * r > unit || (2 * r == unit && (q & 1) != 0)) ++q;
  return Fits(q);
}

std::optional<int64_t> HalfAwayOn128(int64_t aA, int64_t aB, int64_t aDivisor) {
  const Int128 numerator = static_cast<Int128>(aA) * aB;
  const bool negative = (numerator < 0) != (aDivisor < 0);
  const Int128 magnitude = numerator < 0 ? -numerator : numerator;
  const Int128 divisor = aDivisor < 0 ? -static_cast<Int128>(aDivisor) : aDivisor;
  const Int128 q = (magnitude + divisor / 2) / divisor;
  return Fits(negative ? -q : q);
}
#endif

// The edges: the largest and smallest amounts, products beyond 64 bits whose quotient fits,
// quotients that do not, divisors of either sign up to 2^63, and every kind of half.
TEST(MulDiv, EdgesRoundAsBefore) {
  struct Case {
    int64_t a, b, divisor;
    std::optional<int64_t> halfToEven, halfAway;
  };
  const Case cases[] = {
      {kMax, 1, 10000, 922337203685478, 922337203685478},
      {kMin, 1, 10000, -922337203685478, -922337203685478},
      {kMax, 10000, 10000, kMax, kMax},
      {kMin, 10000, 10000, kMin, kMin},
      {kMax, 10001, 10000, kOut, kOut},
      {kMin, -10000, 10000, kOut, kOut},
      {kMin, 1, -1, kOut, kOut},
      {kMin, 1, 1, kMin, kMin},
      {kMax, kMax, 10000, kOut, kOut},
      {kMax, kMax, kMax, kMax, kMax},
      {kMin, kMin, kMin, kMin, kMin},
      {kMin, kMax, kMin, kMax, kMax},
      {3037000500, 3037000500, 10000, 922337203700025, 922337203700025},
      {12345, 5000, 10000, 6172, 6173},
      {12347, 5000, 10000, 6174, 6174},
      {-12345, 5000, 10000, -6172, -6173},
      {-12347, 5000, 10000, -6174, -6174},
      {5, 1, 10, 0, 1},
      {15, 1, 10, 2, 2},
      {-5, 1, 10, 0, -1},
      {-25, 1, 10, -2, -3},
      {kMax - 2, 3, 6, 4611686018427387902, 4611686018427387903},
      {-(kMax - 2), 3, 6, -4611686018427387902, -4611686018427387903},
      {kMax, 3, 6, 4611686018427387904, 4611686018427387904},
      {kMax, 10000, 1, kOut, kOut},
      {1, 10000, 3, 3333, 3333},
      {2, 10000, 3, 6667, 6667},
      {-2, 10000, 3, -6667, -6667},
      {kMax, 10000, kMax, 10000, 10000},
      {kMin, 10000, -10000, kOut, kOut},
      {kMin, 10000, kMax, -10000, -10000},
      {1, 10000, 20000, 0, 1},
      {3, 10000, 20000, 2, 2},
      {-1, 10000, -20000, 0, 1},
      {1, 10000, -20000, 0, -1},
      {0, kMax, -7, 0, 0},
      {kMax, 1, kMin, -1, -1},
      {-(kOne << 62), 1, kMin, 0, 1},
      {kOne << 62, -1, kMin, 0, 1},
      {7, 3, 0, kOut, kOut},
      {1220000, 123450, 100000000, 1506, 1506},
      {1000000, 50, 100000000, 0, 1},
      {1000000, 150, 100000000, 2, 2},
      {1000000, -50, 100000000, 0, -1},
      {1000000, -150, 100000000, -2, -2},
      {kMax, kMax - 2, 100000000, kOut, kOut},
      {99999999999, 92233720368, 100000000, 92233720367078, 92233720367078},
  };
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.a) + " x " + std::to_string(c.b) + " / " + std::to_string(c.divisor);
    EXPECT_EQ(Rounded(c.a, c.b, c.divisor, Rounding::HalfToEven), c.halfToEven) << what;
    EXPECT_EQ(Rounded(c.a, c.b, c.divisor, Rounding::HalfAwayFromZero), c.halfAway) << what;
    EXPECT_EQ(Rounded(c.b, c.a, c.divisor, Rounding::HalfToEven), c.halfToEven) << what << " (swapped)";
#if defined(__SIZEOF_INT128__)
    if (c.divisor != 0) {
      EXPECT_EQ(HalfEvenOn128(c.a, c.b, c.divisor), c.halfToEven) << what;
      EXPECT_EQ(HalfAwayOn128(c.a, c.b, c.divisor), c.halfAway) << what;
      if (c.divisor > 0) {
        EXPECT_EQ(FlooredHalfEvenOn128(c.a, c.b, c.divisor), c.halfToEven) << what;
      }
    }
#endif
  }
}

#if defined(__SIZEOF_INT128__)
// Operands of every width and sign against the 128-bit arithmetic, with the divisors the amount
// code uses and arbitrary ones.
TEST(MulDiv, SameAsOn128BitIntegers) {
  uint64_t state = 0x9E3779B97F4A7C15u;
  const auto next = [&state] {
    uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  };
  const auto operand = [&next] {
    const uint64_t bits = next() % 64;
    const int64_t magnitude = static_cast<int64_t>(next() >> (63 - bits) >> 1);
    return (next() & 1) != 0 ? -magnitude : magnitude;
  };
  const int64_t fixedDivisors[] = {1, 2, 10000, 100000000, -10000, kMax, kMin};
  for (int i = 0; i < 200000; ++i) {
    const int64_t a = operand(), b = operand();
    int64_t divisor = i % 2 == 0 ? fixedDivisors[next() % std::size(fixedDivisors)] : operand();
    if (divisor == 0) divisor = 3;
    const std::string what = std::to_string(a) + " x " + std::to_string(b) + " / " + std::to_string(divisor);
    ASSERT_EQ(Rounded(a, b, divisor, Rounding::HalfToEven), HalfEvenOn128(a, b, divisor)) << what;
    ASSERT_EQ(Rounded(a, b, divisor, Rounding::HalfAwayFromZero), HalfAwayOn128(a, b, divisor)) << what;
    if (divisor > 0) {
      ASSERT_EQ(Rounded(a, b, divisor, Rounding::HalfToEven), FlooredHalfEvenOn128(a, b, divisor)) << what;
    }
  }
}
#endif

}  // namespace
}  // namespace qx
