#include "documents/request_xml.h"

#include "support/error.h"

namespace qx {

namespace {

// Line and column (both from 1) of a byte offset into UTF-8 text; the column counts UTF-16 units.
String PositionText(std::string_view aText, size_t aOffset) {
  if (aOffset > aText.size()) aOffset = aText.size();
  int64_t line = 1, column = 1;
  for (size_t i = 0; i < aOffset; ++i) {
    const auto b = static_cast<unsigned char>(aText[i]);
    if (b == '\n') {
      ++line;
      column = 1;
    } else if ((b & 0xC0) != 0x80) {
      column += (b >= 0xF0) ? 2 : 1;  // a four-byte sequence is a surrogate pair
    }
  }
  return u" at line " + IntToStr(line) + u", column " + IntToStr(column);
}

[[noreturn]] void Raise(StringView aReason, std::string_view aText, size_t aOffset) {
  throw Error(u"Invalid XML request: " + String(aReason) + PositionText(aText, aOffset));
}

pugi::xml_node FirstElement(pugi::xml_node aNode) {
  while (aNode && aNode.type() != pugi::node_element) aNode = aNode.next_sibling();
  return aNode;
}

// Where an element starts: the parser records the position of its name, one after the "<".
size_t OffsetOf(const pugi::xml_node& aElement) {
  const ptrdiff_t offset = aElement.offset_debug();
  return offset < 1 ? 0 : static_cast<size_t>(offset - 1);
}

// Walks the elements depth-first without recursion; returns the first one nested too deep.
pugi::xml_node FindTooDeep(const pugi::xml_node& aRoot) {
  int depth = 1;
  pugi::xml_node node = aRoot;
  for (;;) {
    if (const pugi::xml_node child = FirstElement(node.first_child())) {
      if (++depth > kMaxRequestDepth) return child;
      node = child;
      continue;
    }
    while (node != aRoot) {
      if (const pugi::xml_node next = FirstElement(node.next_sibling())) {
        node = next;
        break;
      }
      node = node.parent();
      --depth;
    }
    if (node == aRoot) return pugi::xml_node();
  }
}

}  // namespace

std::unique_ptr<pugi::xml_document> ParseRequestXmlUtf8(std::string_view aText) {
  // The parser stops silently at a NUL and would take a truncated text for the whole request.
  if (const size_t nul = aText.find('\0'); nul != std::string_view::npos)
    Raise(u"the text contains a NUL character", aText, nul);
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result =
      doc->load_buffer(aText.data(), aText.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!result) Raise(FromUtf8(result.description()), aText, static_cast<size_t>(result.offset));
  const pugi::xml_node root = doc->document_element();
  if (const pugi::xml_node second = FirstElement(root.next_sibling()))
    Raise(u"more than one root element", aText, OffsetOf(second));
  if (const pugi::xml_node deep = FindTooDeep(root))
    Raise(u"elements nested more than " + IntToStr(kMaxRequestDepth) + u" levels deep", aText, OffsetOf(deep));
  return doc;
}

std::unique_ptr<pugi::xml_document> ParseRequestXml(StringView aText) { return ParseRequestXmlUtf8(ToUtf8(aText)); }

pugi::xml_node RequestRoot(pugi::xml_node aNode) {
  return aNode.type() == pugi::node_document ? FirstElement(aNode.first_child()) : aNode;
}

pugi::xml_node RequiredChild(pugi::xml_node aParent, const char* aName, StringView aMessage) {
  const pugi::xml_node node = aParent.child(aName);
  if (!node) throw Error(String(aMessage));
  return node;
}

}  // namespace qx
