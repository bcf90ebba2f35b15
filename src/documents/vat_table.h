// The VAT table: the rates to program into the printer, or the ones read back from it.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "documents/coded_table.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kVat {
 public:
  int32_t fIndex = 0;  // the printer's slot of the rate
  String fCode;
  String fDescription;
  Currency fRate;  // percent
};

class kVatTable : public kCodedTable<kVat> {
 public:
  // Reads every child of the VATTable element under the request root (whatever its name) as a
  // rate; raises "VATTable node not found".
  void Deserialize(pugi::xml_node aRoot);
  // One more than the highest index among the entries with a rate other than 0; 1 when none.
  int32_t GetFirstAvailableIndex() const;
};

}  // namespace qx
