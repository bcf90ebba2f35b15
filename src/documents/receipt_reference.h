// A reference to an earlier receipt: for reprinting it or asking for its lottery state.
#pragma once

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

class kReceiptReference {
 public:
  // Reads the ReceiptReference element under the request root; raises
  // "ReceiptReference node not found". ReceiptType is required.
  void Deserialize(pugi::xml_node aRoot);

  qxReceiptType fReceiptType = rt_Sale;
  String fEJNumber;
  String fEJClosingNumber;
  TDateTime fReceiptDateTime = 0;
  String fReceiptNumber;
  String fDeviceSerialNumber;
};

}  // namespace qx
