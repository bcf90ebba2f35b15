// Small helpers shared by the document tests: building request texts and checking raised messages.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "documents/request_xml.h"
#include "support/currency.h"
#include "support/error.h"
#include "support/text.h"

namespace qx {

// Amounts print as their text in failure messages.
inline void PrintTo(const Currency& aValue, std::ostream* aOut) { *aOut << ToUtf8(aValue.ToText()); }

}  // namespace qx

namespace qx::test {

// A request whose root holds aBody (UTF-8 XML).
inline std::unique_ptr<pugi::xml_document> Request(const std::string& aBody) {
  return ParseRequestXmlUtf8("<Request>" + aBody + "</Request>");
}

inline pugi::xml_node Root(const pugi::xml_document& aDoc) { return aDoc.document_element(); }

// A sample request of examples/, parsed.
inline std::unique_ptr<pugi::xml_document> Sample(const std::string& aFileName) {
  std::ifstream in(std::string(QX_SOURCE_DIR) + "/examples/" + aFileName, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) ADD_FAILURE() << "cannot read the sample " << aFileName;
  return ParseRequestXmlUtf8(text.str());
}

// The message that aAction raises, or "<no error>".
inline std::string RaisedMessage(const std::function<void()>& aAction) {
  try {
    aAction();
  } catch (const Error& e) {
    return ToUtf8(e.Message());
  }
  return "<no error>";
}

}  // namespace qx::test
