// The X report request: the store and till it is printed for.
#pragma once

#include <pugixml.hpp>

#include "support/text.h"

namespace qx {

class kXReport {
 public:
  // Reads the XReport element under the request root when there is one; a request without
  // it is no error and leaves the codes empty.
  void Deserialize(pugi::xml_node aRoot);

  String fStoreCode;
  String fTillCode;
};

}  // namespace qx
