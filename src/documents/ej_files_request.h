// The request for the day's RT data files: which kind, the date range and the folder that
// receives the files.
#pragma once

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

class kEJFilesRequest {
 public:
  // Reads the EJRequest element under the request root; raises "EJRequest node not found".
  // RequestType is required; absent or empty dates stay 0.
  void Deserialize(pugi::xml_node aRoot);

  qxEJFilesRequestType fReqType = ej_xml;
  TDateTime fStartDate = 0;
  TDateTime fEndDate = 0;
  String fOutputDir;
};

}  // namespace qx
