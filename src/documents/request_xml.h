// Parsing a whole request text into an XML document. The request documents, the configuration
// reader and the readers of companion-library answers share it, so that every caller sees the
// same rules and the same messages for text that is not a usable XML document.
#pragma once

#include <memory>
#include <string_view>

#include <pugixml.hpp>

#include "support/text.h"

namespace qx {

// Real requests are a handful of levels deep; anything far deeper is refused before any code
// walks the tree, so that no reader can be driven into deep recursion.
constexpr int kMaxRequestDepth = 256;

// Parses aText and returns the document; its document element is the request root. Raises
// "Invalid XML request: <reason> at line <l>, column <c>" (the column counts UTF-16 characters),
// also for a text with a NUL character, more than one root element or more than
// kMaxRequestDepth nested elements. Whitespace-only text between elements is dropped, as are
// comments and processing instructions.
std::unique_ptr<pugi::xml_document> ParseRequestXml(StringView aText);
// The same for a UTF-8 text (a BOM in front is allowed).
std::unique_ptr<pugi::xml_document> ParseRequestXmlUtf8(std::string_view aText);

// The request root of a node handed to a reader: the document element when aNode is a whole
// document, aNode itself otherwise.
pugi::xml_node RequestRoot(pugi::xml_node aNode);

// The first child element of aParent named exactly aName; raises aMessage when there is none.
pugi::xml_node RequiredChild(pugi::xml_node aParent, const char* aName, StringView aMessage);

}  // namespace qx
