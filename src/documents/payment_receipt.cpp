#include "documents/payment_receipt.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kPaymentReceipt::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "Payment", u"Payment node not found");
  const int32_t copies = U::GetNodeValueAsInteger(doc, "Copies");
  fCopies = copies < 0 ? 0 : copies;
  fStoreCode = U::GetNodeValueAsString(doc, "StoreCode");
  fTillCode = U::GetNodeValueAsString(doc, "TillCode");
  fReference = U::GetNodeValueAsString(doc, "Reference");
  fAmount = U::GetNodeValueAsCurrency(doc, "Amount");
  fCurrency = U::GetNodeValueAsString(doc, "Currency");
  fReceiptId = U::GetNodeValueAsString(doc, "ReceiptId");
  fPrintLocation = U::DecodePrintLocation(U::GetNodeValueAsString(doc, "PrintLocation"), fPrintLocation);
}

}  // namespace qx
