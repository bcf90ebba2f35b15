#include "documents/vat_table.h"

#include <memory>

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kVatTable::Deserialize(pugi::xml_node aRoot) {
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "VATTable", u"VATTable node not found");
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    auto vat = std::make_unique<kVat>();
    vat->fCode = krptUtil::GetNodeValueAsString(n, "Code");
    vat->fDescription = krptUtil::GetNodeValueAsString(n, "Description");
    vat->fRate = krptUtil::GetNodeValueAsCurrency(n, "Rate");
    Add(std::move(vat));
  }
}

int32_t kVatTable::GetFirstAvailableIndex() const {
  int32_t highest = 0;
  for (const kVat& vat : *this) {
    if (vat.fRate != Currency() && vat.fIndex > highest) highest = vat.fIndex;
  }
  // The highest slot of the printer is far below; this only keeps the sum defined.
  return highest == INT32_MAX ? highest : highest + 1;
}

}  // namespace qx
