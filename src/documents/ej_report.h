// The electronic-journal report request: which documents, where to, and the date and number range.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "support/date_time.h"

namespace qx {

class kEJReport {
 public:
  // Reads the EJReport element under the request root; raises "EJReport node not found".
  // StartDate and EndDate are required in the date-time text form.
  void Deserialize(pugi::xml_node aRoot);

  qxEJReportType fReportType = ejrt_ZReport;
  qxEJReportDestination fDestination = rd_Printer;
  TDateTime fStartDate = 0;
  TDateTime fEndDate = 0;
  int32_t fStartNumber = 0;
  int32_t fEndNumber = 0;
};

}  // namespace qx
