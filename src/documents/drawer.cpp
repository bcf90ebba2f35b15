#include "documents/drawer.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kDrawer::Deserialize(pugi::xml_node aRoot) {
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "Drawer", u"Drawer node not found");
  fNumber = krptUtil::GetNodeValueAsInteger(doc, "Number");
}

}  // namespace qx
