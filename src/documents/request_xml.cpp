#include "documents/request_xml.h"

#include <cstring>

#include "support/error.h"

namespace qx {

namespace {

String PositionText(int64_t aLine, int64_t aColumn) {
  return u" at line " + IntToStr(aLine) + u", column " + IntToStr(aColumn);
}

// Line and column (both from 1) of a byte offset into UTF-8 text; the column counts UTF-16 units.
String PositionInUtf8(std::string_view aText, size_t aOffset) {
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
  return PositionText(line, column);
}

size_t Utf8Length(char16_t aUnit) { return 1 + (aUnit >= 0x80) + (aUnit >= 0x800); }

bool IsPair(StringView aText, size_t aIndex) {
  return aText[aIndex] >= 0xD800 && aText[aIndex] <= 0xDBFF && aIndex + 1 < aText.size() &&
         aText[aIndex + 1] >= 0xDC00 && aText[aIndex + 1] <= 0xDFFF;
}

// The same for a byte offset into the UTF-8 form of UTF-16 text.
String PositionInUtf16(StringView aText, size_t aOffset) {
  int64_t line = 1, column = 1;
  size_t bytes = 0;
  for (size_t i = 0; i < aText.size() && bytes < aOffset; ++i) {
    if (aText[i] == u'\n') {
      ++line;
      column = 1;
      ++bytes;
    } else if (IsPair(aText, i)) {
      column += 2;
      bytes += 4;
      ++i;
    } else {
      ++column;
      bytes += Utf8Length(aText[i]);
    }
  }
  return PositionText(line, column);
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

// Finds the first element nested more than kMaxRequestDepth levels deep (the root is level 1).
// The parser's own walker runs without recursion and keeps the count of levels.
class DepthGuard : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& aNode) override {
    // depth() is 0 for the children of the root, which are level 2.
    if (depth() + 2 > kMaxRequestDepth && aNode.type() == pugi::node_element) {
      fTooDeep = aNode;
      return false;
    }
    return true;
  }
  pugi::xml_node fTooDeep;
};

// Parses with aLoad and checks the shape of the result; aPosition turns a byte offset into the
// parsed UTF-8 text into the " at line l, column c" part of a message.
template <typename Load, typename Position>
std::unique_ptr<pugi::xml_document> Parse(const Load& aLoad, const Position& aPosition) {
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result = aLoad(*doc);
  auto raise = [&](StringView aReason, size_t aOffset) {
    throw Error(u"Invalid XML request: " + String(aReason) + aPosition(aOffset));
  };
  if (!result) raise(FromUtf8(result.description()), static_cast<size_t>(result.offset));
  pugi::xml_node root = doc->document_element();
  if (const pugi::xml_node second = FirstElement(root.next_sibling()))
    raise(u"more than one root element", OffsetOf(second));
  DepthGuard guard;
  root.traverse(guard);
  if (guard.fTooDeep)
    raise(u"elements nested more than " + IntToStr(kMaxRequestDepth) + u" levels deep", OffsetOf(guard.fTooDeep));
  return doc;
}

[[noreturn]] void RaiseNul(String aPosition) {
  throw Error(u"Invalid XML request: the text contains a NUL character" + aPosition);
}

// Writes the UTF-8 form of aText into aOut (room for Utf8Length of every unit) and returns its
// length. ASCII runs are copied one to one; only the other runs go through the general
// conversion, which also keeps surrogate pairs together.
size_t WriteUtf8(StringView aText, char* aOut) {
  size_t used = 0;
  for (size_t i = 0; i < aText.size();) {
    if (aText[i] < 0x80) {
      aOut[used++] = static_cast<char>(aText[i++]);
      continue;
    }
    const size_t start = i;
    while (i < aText.size() && aText[i] >= 0x80) ++i;
    const std::string run = ToUtf8(aText.substr(start, i - start));
    std::memcpy(aOut + used, run.data(), run.size());
    used += run.size();
  }
  return used;
}

}  // namespace

std::unique_ptr<pugi::xml_document> ParseRequestXmlUtf8(std::string_view aText) {
  // The parser stops silently at a NUL and would take a truncated text for the whole request.
  if (const size_t nul = aText.find('\0'); nul != std::string_view::npos) RaiseNul(PositionInUtf8(aText, nul));
  return Parse(
      [&](pugi::xml_document& aDoc) {
        return aDoc.load_buffer(aText.data(), aText.size(), pugi::parse_default, pugi::encoding_utf8);
      },
      [&](size_t aOffset) { return PositionInUtf8(aText, aOffset); });
}

std::unique_ptr<pugi::xml_document> ParseRequestXml(StringView aText) {
  // The UTF-8 text goes straight into a buffer that the document takes over and parses in
  // place: no second copy. Requests are nearly all ASCII; a branch-free scan finds out, and then
  // the copy is a plain narrowing loop.
  const size_t n = aText.size();
  char16_t any = 0, lowest = 0xFFFF;
  size_t bound = 0;  // UTF-8 bytes at most (a surrogate pair counts 6 for its 4)
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = aText[i];
    any |= c;
    lowest = c < lowest ? c : lowest;
    bound += Utf8Length(c);
  }
  if (lowest == 0) RaiseNul(PositionInUtf16(aText, ToUtf8(aText.substr(0, aText.find(u'\0'))).size()));
  // Owned here until the document takes it over.
  std::unique_ptr<char, void (*)(void*)> buffer(
      static_cast<char*>(pugi::get_memory_allocation_function()(bound + 1)), pugi::get_memory_deallocation_function());
  if (!buffer) throw Error(u"Invalid XML request: no memory for a text of " + IntToStr(bound) + u" bytes");
  size_t length = n;
  if (any < 0x80) {
    char* out = buffer.get();
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(aText[i]);
  } else {
    length = WriteUtf8(aText, buffer.get());
  }
  return Parse(
      [&](pugi::xml_document& aDoc) {
        return aDoc.load_buffer_inplace_own(buffer.release(), length, pugi::parse_default, pugi::encoding_utf8);
      },
      [&](size_t aOffset) { return PositionInUtf16(aText, aOffset); });
}

pugi::xml_node RequestRoot(pugi::xml_node aNode) {
  return aNode.type() == pugi::node_document ? FirstElement(aNode.first_child()) : aNode;
}

pugi::xml_node RequiredChild(pugi::xml_node aParent, const char* aName, StringView aMessage) {
  const pugi::xml_node node = aParent.child(aName);
  if (!node) throw Error(String(aMessage));
  return node;
}

}  // namespace qx
