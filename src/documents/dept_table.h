// The department table: the departments to program into the printer, or the ones read back.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "documents/coded_table.h"
#include "documents/enumerations.h"
#include "support/text.h"

namespace qx {

class kDepartment {
 public:
  int32_t fIndex = 0;
  String fCode;
  String fDescription;
  String fVATCode;
  qxDepartmentSalesType fSalesType = st_Product;
  String fEACode;  // the code of its economic activity
};

class kDeptTable : public kCodedTable<kDepartment> {
 public:
  // Reads every child of the DeptTable element under the request root as a department;
  // raises "DeptTable node not found".
  void Deserialize(pugi::xml_node aRoot);
};

}  // namespace qx
