#include "support/text_functions.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace qx {
namespace {

TEST(DateTimeText, WritesLiteralSeparators) {
  const TDateTime t = EncodeDateTime({2024, 3, 5, 14, 7, 9, 42});
  EXPECT_EQ(DateTimeToText(false, t), u"2024-03-05T14:07:09");
  EXPECT_EQ(DateTimeToText(true, t), u"2024-03-05T14:07:09.042");
  EXPECT_EQ(DateTimeToText(true, EncodeDateTime({2024, 3, 5, 14, 7, 9, 0})), u"2024-03-05T14:07:09.000");
  EXPECT_EQ(DateTimeToText(false, 0), u"1899-12-30T00:00:00");
}

TEST(DateTimeText, ReadsFixedPositions) {
  struct Case { const char16_t* text; DateTimeParts want; };
  const Case cases[] = {
      {u"2024-03-05T14:07:09", {2024, 3, 5, 14, 7, 9, 0}},
      {u"2024-03-05 14:07:09.123", {2024, 3, 5, 14, 7, 9, 123}},
      {u"2024-03-05T14:07:09Z", {2024, 3, 5, 14, 7, 9, 0}},
      {u"2024/03/05-14.07.09,5", {2024, 3, 5, 14, 7, 9, 5}},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToDateTime(c.text), EncodeDateTime(c.want)) << ToUtf8(c.text);
}

TEST(DateTimeText, FailuresNameTheText) {
  for (const char16_t* text : {u"2024-03-05", u"2024-13-05T00:00:00", u"2024-03-05T24:00:00", u"",
                               u"abcd-03-05T00:00:00", u"2023-02-29T00:00:00"}) {
    try {
      TextToDateTime(text);
      ADD_FAILURE() << ToUtf8(text);
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), u"DateTime Format invalid: [" + String(text) + u"]");
    }
  }
}

TEST(RoundAmount, HalvesGoAwayFromZero) {
  struct Case { int64_t in, out; };
  const Case cases[] = {{12350, 12400}, {12349, 12300}, {-12350, -12400}, {50, 100},
                        {-50, -100},    {49, 0},        {-49, 0},         {0, 0}, {12300, 12300}};
  for (const Case& c : cases) EXPECT_EQ(RoundAmount(Currency::FromRaw(c.in)).Raw(), c.out) << c.in;
}

TEST(FormatNumberField, Examples) {
  EXPECT_EQ(FormatNumberField(12.5, 9, 2, false, u""), u"000001250");
  EXPECT_EQ(FormatNumberField(12.5, 9, 2, false, u"."), u"000012.50");
  EXPECT_EQ(FormatNumberField(7.0, 2, 0), u"07");
  EXPECT_EQ(FormatNumberField(123.0, 2, 0), u"23");
  EXPECT_EQ(FormatNumberField(12.5, 9, 2, true, u""), u"+00001250");
  EXPECT_EQ(FormatNumberField(-12.5, 9, 2, false, u""), u"0000-1250");
  EXPECT_EQ(FormatNumberField(-12.5, 9, 2, true, u""), u"-00001250");
  EXPECT_EQ(FormatNumberField(u"0123", 4, 0), u"0123");
  EXPECT_EQ(FormatNumberField(Currency::FromText(u"12.5"), 9, 2, false, u","), u"000012,50");
  EXPECT_EQ(FormatNumberField(Currency::FromText(u"-12.5"), 9, 2, false), u"0000-1250");
  EXPECT_THROW(FormatNumberField(u"12a", 4, 0), Error);
}

TEST(GetTextField, FieldsAndTails) {
  EXPECT_EQ(GetTextField(u"$VERSION=2.10", 1, u'='), u"$VERSION");
  EXPECT_EQ(GetTextField(u"$VERSION=2.10", 2, u'=', true), u"2.10");
  EXPECT_EQ(GetTextField(u"A=B=C", 2, u'='), u"B");
  EXPECT_EQ(GetTextField(u"A=B=C", 2, u'=', true), u"B=C");
  EXPECT_EQ(GetTextField(u"A=B", 3, u'='), u"");
  EXPECT_EQ(GetTextField(u"A,,C", 2, u','), u"");
  EXPECT_EQ(GetTextField(u"", 1, u','), u"");
}

}  // namespace
}  // namespace qx
