#include "documents/ej_files_request.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kEJFilesRequest::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "EJRequest", u"EJRequest node not found");
  fReqType = U::DecodeEJRequestType(U::GetNodeValueAsString(doc, "RequestType"));
  if (doc.child("StartDate").first_child()) fStartDate = U::GetNodeValueAsDateTime(doc, "StartDate");
  if (doc.child("EndDate").first_child()) fEndDate = U::GetNodeValueAsDateTime(doc, "EndDate");
  fOutputDir = U::GetNodeValueAsString(doc, "OutputDir");
}

}  // namespace qx
