#include "documents/request_xml.h"

#include <gtest/gtest.h>

#include "documents/rpt_util.h"
#include "test_helpers.h"

namespace qx {
namespace {

using test::RaisedMessage;

std::string Nested(int aDepth) {
  std::string s;
  for (int i = 0; i < aDepth; ++i) s += "<a>";
  for (int i = 0; i < aDepth; ++i) s += "</a>";
  return s;
}

TEST(RequestXml, ReadsUtf16AndUtf8Texts) {
  auto doc = ParseRequestXml(u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><R><!-- note --><V>caff\u00E8 \u20AC</V></R>");
  const pugi::xml_node root = RequestRoot(*doc);
  EXPECT_STREQ(root.name(), "R");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(root, "V"), u"caff\u00E8 \u20AC");
  EXPECT_EQ(RequestRoot(root), root);
  // Whitespace between elements is no text, and comments are no children.
  doc = ParseRequestXmlUtf8("<R>\r\n  <V>\r\n  </V>\r\n  <W>a<!-- x -->b</W></R>");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(RequestRoot(*doc), "V"), u"");
  EXPECT_EQ(RaisedMessage([&] { krptUtil::GetNodeValueAsString(RequestRoot(*doc), "W"); }),
            "Error in processing node W as string.\r\nElement \"W\" does not contain a single text node");
}

TEST(RequestXml, BadTextsEndInAClearMessage) {
  struct Case { std::string text; const char* message; };
  const Case cases[] = {
      {"", "Invalid XML request: No document element found at line 1, column 1"},
      {"not xml", "Invalid XML request: No document element found at line 1, column 8"},
      {"<R><Receipt>", "Invalid XML request: Start-end tags mismatch at line 1, column 12"},
      {"<R>\n <A></B></R>", "Invalid XML request: Start-end tags mismatch at line 2, column 7"},
      {"<R/><S/>", "Invalid XML request: more than one root element at line 1, column 5"},
      {std::string("<R>\0</R>", 8), "Invalid XML request: the text contains a NUL character at line 1, column 4"},
      {"\x01\x02\xFF\xFE\x9C\x80", "Invalid XML request: No document element found at line 1, column 7"},
      {"<R a=1/>", "Invalid XML request: Error parsing element attribute at line 1, column 6"},
  };
  for (const Case& c : cases) EXPECT_EQ(RaisedMessage([&] { ParseRequestXmlUtf8(c.text); }), c.message) << c.text;
}

TEST(RequestXml, Utf16AndUtf8TextsGiveTheSameResults) {
  using namespace std::literals;
  const StringView texts[] = {
      u"<R><V>\U0001F600 caff\u00E8 \u20AC</V></R>",
      u"<R>\n <A>\u00E8\u20AC</B></R>",
      u"<R>\r\n<A>\U0001F600</A><B>x</R>",
      u"<R/>\u00E8<S/>",
      u"\u00E8",
      u"<R>\u00E8\u0000</R>"sv,
      u"<R>abc\u0000</R>"sv,
  };
  for (const StringView text : texts) {
    const std::string utf16 = RaisedMessage([&] { ParseRequestXml(text); });
    const std::string utf8 = RaisedMessage([&] { ParseRequestXmlUtf8(ToUtf8(text)); });
    EXPECT_EQ(utf16, utf8) << ToUtf8(text);
  }
  EXPECT_EQ(RaisedMessage([] { ParseRequestXml(u"<R>\n <A>\u00E8\u20AC</B></R>"); }),
            "Invalid XML request: Start-end tags mismatch at line 2, column 9");
  EXPECT_EQ(RaisedMessage([] { ParseRequestXml(u"<R>\U0001F600\u0000</R>"sv); }),
            "Invalid XML request: the text contains a NUL character at line 1, column 6");
  auto doc = ParseRequestXml(texts[0]);
  EXPECT_EQ(krptUtil::GetNodeValueAsString(RequestRoot(*doc), "V"), u"\U0001F600 caff\u00E8 \u20AC");
  // A lone surrogate cannot be written in UTF-8; it reads back as the replacement character.
  doc = ParseRequestXml(String(u"<R><V>a") + char16_t(0xD800) + u"b</V></R>");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(RequestRoot(*doc), "V"), u"a\uFFFDb");
}

TEST(RequestXml, DeepNestingIsRefusedWithoutRecursion) {
  EXPECT_NO_THROW(ParseRequestXmlUtf8(Nested(kMaxRequestDepth)));
  EXPECT_EQ(RaisedMessage([] { ParseRequestXmlUtf8(Nested(kMaxRequestDepth + 1)); }),
            "Invalid XML request: elements nested more than 256 levels deep at line 1, column 769");
  // 200,000 levels: parsed, refused and freed without exhausting the stack.
  EXPECT_NE(RaisedMessage([] { ParseRequestXmlUtf8(Nested(200000)); }), "<no error>");
  // Truncated deep input fails on the parser's side.
  const std::string truncated = Nested(200000).substr(0, 1000000);
  EXPECT_NE(RaisedMessage([&] { ParseRequestXmlUtf8(truncated); }), "<no error>");
  // Siblings are not depth: a wide document is fine.
  std::string wide = "<R>";
  for (int i = 0; i < 10000; ++i) wide += "<a><b/></a>";
  EXPECT_NO_THROW(ParseRequestXmlUtf8(wide + "</R>"));
}

}  // namespace
}  // namespace qx
