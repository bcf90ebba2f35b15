// The electronic payment request, and the payment receipt text that the payment fills in.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kPaymentReceipt {
 public:
  // Reads the Payment element under the request root; raises "Payment node not found" and the
  // print-location message for a location other than ECR or EFT.
  void Deserialize(pugi::xml_node aRoot);

  String fStoreCode;
  String fTillCode;
  String fReference;
  Currency fAmount;
  String fCurrency;
  QxPrintLocation fPrintLocation = pl_ECR;
  int32_t fCopies = 0;  // never negative
  StringList fReceiptLines;  // filled by the payment, not by the request
  String fRawResponse;       // filled by the payment, not by the request
  String fReceiptId;
};

}  // namespace qx
