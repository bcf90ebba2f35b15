// The non-fiscal receipt request: a few header values and three blocks of message lines
// (header, body, footer).
#pragma once

#include <pugixml.hpp>

#include "documents/receipt_message_lines.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

class kNFReceipt {
 public:
  kNFReceipt() = default;
  kNFReceipt(const kNFReceipt&) = delete;
  kNFReceipt& operator=(const kNFReceipt&) = delete;

  // Reads the NFReceipt element under the request root; raises "NFReceipt node not found".
  void Deserialize(pugi::xml_node aRoot);

  bool fSupportSpecialChars = false;  // set by the program, never by a request
  String fLayout = u"DocumentLayout";
  bool fDefaultLayout = true;
  String fReceiptNumber;
  TDateTime fReceiptDateTime = 0;
  String fCountryCode;
  String fCompanyCode;
  String fCompanyTaxCode;
  String fStoreCode;
  String fTillCode;
  String fOperatorCode;
  kReceiptMessageLines fHeaderLines;  // section rs_lead
  kReceiptMessageLines fLines;        // section rs_body
  kReceiptMessageLines fFooterLines;  // section rs_trail
};

}  // namespace qx
