#include "documents/x_report.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kXReport::Deserialize(pugi::xml_node aRoot) {
  const pugi::xml_node doc = RequestRoot(aRoot).child("XReport");
  if (!doc) return;
  fStoreCode = krptUtil::GetNodeValueAsString(doc, "StoreCode");
  fTillCode = krptUtil::GetNodeValueAsString(doc, "TillCode");
}

}  // namespace qx
