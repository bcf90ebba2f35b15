#include "documents/dept_table.h"

#include <memory>

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kDeptTable::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "DeptTable", u"DeptTable node not found");
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    auto dept = std::make_unique<kDepartment>();
    dept->fCode = U::GetNodeValueAsString(n, "Code");
    dept->fDescription = U::GetNodeValueAsString(n, "Description");
    dept->fVATCode = U::GetNodeValueAsString(n, "VATCode");
    dept->fSalesType = U::DecodeSalesType(U::GetNodeValueAsString(n, "SalesType"));
    dept->fEACode = U::GetNodeValueAsString(n, "EACode");
    Add(std::move(dept));
  }
}

}  // namespace qx
