#include "documents/ej_report.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// The numbers are optional: anything that is not a whole number means 0, never an error.
int32_t OptionalNumber(pugi::xml_node aReport, const char* aName) {
  try {
    return StrToIntDef(krptUtil::GetNodeValueAsString(aReport, aName), 0);
  } catch (const Error&) {
    return 0;  // an element that holds elements instead of a number
  }
}

}  // namespace

void kEJReport::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "EJReport", u"EJReport node not found");
  fReportType = U::DecodeEJReportType(U::GetNodeValueAsString(doc, "ReportType"));
  fDestination = U::DecodeEJReportDestination(U::GetNodeValueAsString(doc, "ReportDestination"));
  // The dates go straight to the date-time parser, so an absent date fails with its message.
  fStartDate = TextToDateTime(U::GetNodeValueAsString(doc, "StartDate"));
  fEndDate = TextToDateTime(U::GetNodeValueAsString(doc, "EndDate"));
  fStartNumber = OptionalNumber(doc, "StartNumber");
  fEndNumber = OptionalNumber(doc, "EndNumber");
}

}  // namespace qx
