#include "documents/customer_display.h"

#include <memory>

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kCustomerDisplay::Deserialize(pugi::xml_node aRoot) {
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "Display", u"Display node not found");
  fClear = krptUtil::GetNodeValueAsBoolean(doc, "Clear", false);
  const pugi::xml_node lines = doc.child("Lines");
  for (pugi::xml_node n = lines.child("Text"); n; n = n.next_sibling("Text")) {
    auto line = std::make_unique<kReceiptMessageTextLine>();
    line->fValue = krptUtil::GetNodeValueAsString(n, "Value");
    line->fAlignment = krptUtil::DecodeAlignment(krptUtil::GetNodeValueAsString(n, "Alignment"));
    fLines.Add(std::move(line));
  }
}

}  // namespace qx
