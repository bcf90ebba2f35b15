#include "documents/economic_activity_table.h"

#include <memory>
#include <unordered_set>

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kEconomicActivityTable::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "DeptTable", u"DeptTable node not found");
  // The codes already in the table, so that a long department list is read in linear time.
  std::unordered_set<String> known;
  for (const kEconomicActivity& activity : *this) known.insert(activity.fCode);
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    String code = U::GetNodeValueAsString(n, "EACode");
    if (code.empty() || !known.insert(code).second) continue;
    auto activity = std::make_unique<kEconomicActivity>();
    activity->fIndex = static_cast<int32_t>(Count()) + 1;
    activity->fCode = std::move(code);
    activity->fDescription = U::GetNodeValueAsString(n, "EADescription");
    activity->fVentilazione = U::GetNodeValueAsString(n, "EAVATMode") == u"1";
    Add(std::move(activity));
  }
}

}  // namespace qx
