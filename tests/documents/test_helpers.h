// Small helpers shared by the document tests: building request texts and checking raised messages.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "documents/request_xml.h"
#include "support/error.h"
#include "support/text.h"

namespace qx::test {

// A request whose root holds aBody (UTF-8 XML).
inline std::unique_ptr<pugi::xml_document> Request(const std::string& aBody) {
  return ParseRequestXmlUtf8("<Request>" + aBody + "</Request>");
}

inline pugi::xml_node Root(const pugi::xml_document& aDoc) { return aDoc.document_element(); }

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
