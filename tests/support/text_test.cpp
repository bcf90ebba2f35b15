#include "support/text.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace qx {
namespace {

TEST(Text, Utf8RoundTripsAndRepairsMalformedInput) {
  const String text = u"Caff\u00E8 \u20AC 1 \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u00E0"), "\xC3\xA0");
  EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFD" "b");
  EXPECT_EQ(FromUtf8("\xC3"), u"\uFFFD");           // truncated sequence
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(ToUtf8(String(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, EightBitCodePages) {
  EXPECT_EQ(FromLatin1("\xE0\x06"), u"\u00E0\u0006");
  EXPECT_EQ(ToLatin1(u"\u00E0\u20AC"), "\xE0?");
  EXPECT_EQ(ToCp1252(u"\u00E0\u20AC\u2019\u0100"), "\xE0\x80\x92?");
  EXPECT_EQ(FromCp1252("\x80\x81\xE0"), u"\u20AC\u0081\u00E0");
}

TEST(Text, CaseInsensitiveCompareIsAsciiOnly) {
  EXPECT_TRUE(SameText(u"HexLog", u"HEXLOG"));
  EXPECT_FALSE(SameText(u"\u00E0", u"\u00C0"));
  EXPECT_FALSE(SameText(u"abc", u"abcd"));
  EXPECT_TRUE(StartsText(u"/batch", u"/BATCH:1"));
  EXPECT_EQ(LowerCase(u"ProductSALE"), u"productsale");
}

TEST(Text, SplitLinesAtAnyBreak) {
  const StringList lines = SplitLines(u"a\r\nb\rc\nd\r\n\r\ne");
  EXPECT_EQ(lines, (StringList{u"a", u"b", u"c", u"d", u"", u"e"}));
  EXPECT_EQ(SplitLines(u"x\r\n"), (StringList{u"x"}));
  EXPECT_TRUE(SplitLines(u"").empty());
}

TEST(Text, IntegerTexts) {
  struct Case { const char16_t* text; bool ok; int32_t value; };
  const Case cases[] = {{u"0", true, 0},          {u"-2147483648", true, INT32_MIN},
                        {u"2147483647", true, INT32_MAX}, {u"2147483648", false, 0},
                        {u"  12", true, 12},      {u"12 ", false, 0},
                        {u"+7", true, 7},         {u"", false, 0},
                        {u"-", false, 0},         {u"1.0", false, 0},
                        {u"99999999999999999999", false, 0}};
  for (const Case& c : cases) {
    int32_t v = -1;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.value) << ToUtf8(c.text);
    }
  }
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
  try {
    StrToInt(u"x1");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"'x1' is not a valid integer value");
  }
}

TEST(Text, FormatTextFillsPlaceholdersInOrder) {
  EXPECT_EQ(FormatText(u"Alignment %s is invalid", {u""}), u"Alignment  is invalid");
  EXPECT_EQ(FormatText(u"%s-%s 100%%", {u"a", u"b"}), u"a-b 100%");
  EXPECT_EQ(FormatText(u"%s %s", {u"only"}), u"only ");
}

TEST(Text, TrimAndReplace) {
  EXPECT_EQ(Trim(u" \t x y \r\n"), u"x y");
  EXPECT_EQ(ReplaceAll(u"TOTALE TOTALE", u"TOTALE", u"TOT."), u"TOT. TOT.");
  EXPECT_EQ(PadLeft(u"7", 3, u'0'), u"007");
  EXPECT_EQ(PadRight(u"abcd", 2), u"abcd");
}

}  // namespace
}  // namespace qx
