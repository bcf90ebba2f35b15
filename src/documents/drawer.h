// The cash-drawer request: which drawer to open or ask about.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

namespace qx {

class kDrawer {
 public:
  // Reads the Drawer element under the request root; raises "Drawer node not found".
  void Deserialize(pugi::xml_node aRoot);

  int32_t fNumber = 0;
};

}  // namespace qx
