#include "documents/ej_report.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "support/text_functions.h"

namespace qx {

void kEJReport::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "EJReport", u"EJReport node not found");
  fReportType = U::DecodeEJReportType(U::GetNodeValueAsString(doc, "ReportType"));
  fDestination = U::DecodeEJReportDestination(U::GetNodeValueAsString(doc, "ReportDestination"));
  // The dates go straight to the date-time parser, so an absent date fails with its message.
  fStartDate = TextToDateTime(U::GetNodeValueAsString(doc, "StartDate"));
  fEndDate = TextToDateTime(U::GetNodeValueAsString(doc, "EndDate"));
  // The numbers are optional: anything that is not a whole number means 0.
  fStartNumber = StrToIntDef(U::GetNodeValueAsString(doc, "StartNumber"), 0);
  fEndNumber = StrToIntDef(U::GetNodeValueAsString(doc, "EndNumber"), 0);
}

}  // namespace qx
