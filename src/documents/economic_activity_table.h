// The economic activities that departments refer to. The request names them inside the
// department table; the printer's own table is read back into the same class.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "documents/coded_table.h"
#include "support/text.h"

namespace qx {

class kEconomicActivity {
 public:
  int32_t fIndex = 0;  // from 1
  String fCode;
  String fDescription;
  bool fVentilazione = false;  // the activity uses the VAT apportionment mode
};

class kEconomicActivityTable : public kCodedTable<kEconomicActivity> {
 public:
  // Collects the distinct non-empty EACode values of the DeptTable element's children, in
  // order of first appearance, numbered from the table's count + 1; raises
  // "DeptTable node not found".
  void Deserialize(pugi::xml_node aRoot);
};

}  // namespace qx
