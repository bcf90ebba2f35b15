#include "support/currency.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace qx {
namespace {

TEST(Currency, TextInIsExact) {
  struct Case { const char16_t* text; bool ok; int64_t raw; };
  const Case cases[] = {
      {u"12.5", true, 125000},          {u"-3", true, -30000},
      {u"0.0001", true, 1},             {u"1.23455", true, 12346},   // fifth decimal rounds away
      {u"-1.23455", true, -12346},      {u"1.23454", true, 12345},
      {u"1e2", true, 1000000},          {u"1.5E-2", true, 150},
      {u".5", true, 5000},              {u"7.", true, 70000},
      {u" 2 ", true, 20000},            {u"922337203685477.5807", true, INT64_MAX},
      {u"-922337203685477.5808", true, INT64_MIN},
      {u"922337203685477.5808", false, 0},
      {u"12,50", false, 0},             {u"", false, 0},
      {u"abc", false, 0},               {u"1e", false, 0},
      {u"--1", false, 0},               {u"1e400", false, 0},
      {u"0.00000000000000000000000001", true, 0},
  };
  for (const Case& c : cases) {
    Currency v;
    EXPECT_EQ(Currency::TryFromText(c.text, v), c.ok) << ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(v.Raw(), c.raw) << ToUtf8(c.text);
    }
  }
  try {
    Currency::FromText(u"12,50");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"'12,50' is not a valid floating point value");
  }
}

TEST(Currency, ShortestTextOut) {
  EXPECT_EQ(Currency::FromRaw(125000).ToText(), u"12.5");
  EXPECT_EQ(Currency::FromInt(10).ToText(), u"10");
  EXPECT_EQ(Currency::FromRaw(12345).ToText(), u"1.2345");
  EXPECT_EQ(Currency::FromInt(-3).ToText(), u"-3");
  EXPECT_EQ(Currency().ToText(), u"0");
  EXPECT_EQ(Currency::FromRaw(-1).ToText(), u"-0.0001");
  EXPECT_EQ(Currency::FromRaw(INT64_MIN).ToText(), u"-922337203685477.5808");
  EXPECT_EQ(Currency::FromRaw(12350).ToFixed(2), u"1.24");
  EXPECT_EQ(Currency::FromRaw(-12350).ToFixed(2), u"-1.24");
  EXPECT_EQ(Currency::FromRaw(-49).ToFixed(2), u"0.00");
  EXPECT_EQ(Currency::FromInt(5).ToFixed(0), u"5");
}

TEST(Currency, ArithmeticRoundsHalfToEven) {
  const Currency price = Currency::FromText(u"1.2345");
  const Currency qty = Currency::FromText(u"0.5");
  EXPECT_EQ((price * qty).Raw(), 6172);  // 0.61725 -> even
  EXPECT_EQ((Currency::FromText(u"1.2347") * qty).Raw(), 6174);  // 0.61735 -> even
  EXPECT_EQ((Currency::FromInt(10) / Currency::FromInt(3)).Raw(), 33333);
  EXPECT_THROW(Currency::FromInt(1) / Currency(), Error);
  EXPECT_LT(Currency::FromInt(-1), Currency());
  EXPECT_EQ(Currency::FromDouble(0.1 + 0.2).Raw(), 3000);
}

// The largest and smallest amounts: products and quotients whose intermediate value needs more
// than 64 bits are exact, and results outside the range raise instead of wrapping.
TEST(Currency, ArithmeticAtTheEdgesOfTheRange) {
  const Currency max = Currency::FromRaw(INT64_MAX), min = Currency::FromRaw(INT64_MIN);
  const Currency one = Currency::FromInt(1), half = Currency::FromText(u"0.5");
  struct Case { Currency value; int64_t raw; };
  const Case cases[] = {
      {max * one, INT64_MAX},        {min * one, INT64_MIN},
      {max / one, INT64_MAX},        {min / one, INT64_MIN},
      {max * -one, -INT64_MAX},      {max / max, 10000},
      {min / min, 10000},            {min / max, -10000},
      {max * half, 4611686018427387904},   // ...903.5 to even
      {Currency::FromRaw(INT64_MAX - 2) * half, 4611686018427387902},  // ...902.5 to even
      {max / Currency::FromInt(2), 4611686018427387904},
      {Currency::FromRaw(1) / Currency::FromRaw(20000), 0},  // 0.00005 to even
      {Currency::FromRaw(3) / Currency::FromRaw(-20000), -2},
      {Currency::FromInt(3037000) * Currency::FromInt(3037000), 92233690000000000},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].value.Raw(), cases[i].raw) << "case " << i;
  for (const auto& overflow : {+[] { return Currency::FromRaw(INT64_MIN) * -Currency::FromInt(1); },
                               +[] { return Currency::FromRaw(INT64_MIN) / -Currency::FromInt(1); },
                               +[] { return Currency::FromRaw(INT64_MAX) * Currency::FromRaw(10001); },
                               +[] { return Currency::FromRaw(INT64_MAX) / Currency::FromRaw(1); }}) {
    try {
      overflow();
      ADD_FAILURE() << "no overflow";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), u"Currency overflow");
    }
  }
  EXPECT_EQ(max.ToFixed(2), u"922337203685477.58");
  EXPECT_EQ(min.ToFixed(0), u"-922337203685478");
  EXPECT_EQ(min.ToFixed(4), u"-922337203685477.5808");
  EXPECT_EQ(Currency::FromRaw(-50).ToFixed(2), u"-0.01");  // half away from zero
  EXPECT_EQ(Currency::FromRaw(50).ToFixed(2), u"0.01");
}

}  // namespace
}  // namespace qx
