#include "documents/receipt_reference.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kReceiptReference::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc =
      RequiredChild(RequestRoot(aRoot), "ReceiptReference", u"ReceiptReference node not found");
  fReceiptType = U::DecodeReceiptType(U::GetNodeValueAsString(doc, "ReceiptType"));
  if (doc.child("EJNumber")) fEJNumber = U::GetNodeValueAsString(doc, "EJNumber");
  if (doc.child("EJClosingNumber")) fEJClosingNumber = U::GetNodeValueAsString(doc, "EJClosingNumber");
  // An empty date element means "no date" here rather than a bad date.
  if (doc.child("ReceiptDateTime").first_child()) fReceiptDateTime = U::GetNodeValueAsDateTime(doc, "ReceiptDateTime");
  fReceiptNumber = U::GetNodeValueAsString(doc, "ReceiptNumber");
  if (doc.child("DeviceSerialNumber")) fDeviceSerialNumber = U::GetNodeValueAsString(doc, "DeviceSerialNumber");
}

}  // namespace qx
