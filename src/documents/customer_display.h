// The customer display request: whether to clear the display and the text lines to show.
#pragma once

#include <pugixml.hpp>

#include "documents/receipt_message_lines.h"

namespace qx {

class kCustomerDisplay {
 public:
  kCustomerDisplay() = default;
  kCustomerDisplay(const kCustomerDisplay&) = delete;
  kCustomerDisplay& operator=(const kCustomerDisplay&) = delete;

  // Reads the Display element under the request root; raises "Display node not found".
  void Deserialize(pugi::xml_node aRoot);

  bool fClear = false;
  // Text lines without owner, so that their values are always normalised.
  kReceiptMessageLines fLines;
};

}  // namespace qx
