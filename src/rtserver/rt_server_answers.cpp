#include "rtserver/rt_server_answers.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "support/error.h"

namespace qx {

namespace {

// The answer's document element; an empty text or one that is not XML raises.
pugi::xml_node AnswerRoot(const pugi::xml_document& aDocument) {
  const pugi::xml_node root = aDocument.document_element();
  if (!root) throw Error(u"The RT server answer holds no document");
  return root;
}

// Answers are a few hundred characters; a far longer one is refused before it is parsed.
constexpr size_t kMaxAnswerLength = 1024 * 1024;

std::unique_ptr<pugi::xml_document> ParseAnswer(StringView aXml) {
  if (aXml.empty()) throw Error(u"The RT server answer is empty");
  if (aXml.size() > kMaxAnswerLength) throw Error(u"The RT server answer is too long");
  try {
    return ParseRequestXml(aXml);
  } catch (const Error& e) {
    throw Error(u"The RT server answer is not XML: " + e.Message());
  }
}

// The value element aName; a missing one raises.
pugi::xml_node Required(pugi::xml_node aRoot, const char* aName) {
  return RequiredChild(aRoot, aName, u"The RT server answer has no element " + FromLatin1(aName));
}

String Text(pugi::xml_node aRoot, const char* aName) {
  Required(aRoot, aName);
  return krptUtil::GetNodeValueAsString(aRoot, aName);
}

Currency Amount(pugi::xml_node aRoot, const char* aName) {
  Required(aRoot, aName);
  return krptUtil::GetNodeValueAsCurrency(aRoot, aName);
}

int32_t Number(pugi::xml_node aRoot, const char* aName) {
  Required(aRoot, aName);
  return krptUtil::GetNodeValueAsInteger(aRoot, aName);
}

}  // namespace

bool kRTServerReceiptInfo::DeSerialize(StringView aXml) {
  const auto document = ParseAnswer(aXml);
  const pugi::xml_node root = AnswerRoot(*document);
  fVATTotal = Amount(root, "VATTotal");
  fRTServerSerialNumber = Text(root, "ServerSerialNumber");
  fRTTillId = Text(root, "TillId");
  fRTSignature = Text(root, "Signature");
  fRTnDoc = Number(root, "nDoc");
  fRTzRep = Number(root, "zRep");
  if (const pugi::xml_node headers = root.child("Headers")) {
    fHeaders.clear();
    for (const pugi::xml_node line : headers.children())
      if (line.type() == pugi::node_element) fHeaders.push_back(krptUtil::NodeText(line));
  }
  return true;
}

bool kRTServerTillReportInfo::DeSerialize(StringView aXml) {
  const auto document = ParseAnswer(aXml);
  const pugi::xml_node root = AnswerRoot(*document);
  fDailyAmount = Amount(root, "DailyTotal");
  fSalesAmount = Amount(root, "DailySales");
  fVoidsAmount = Amount(root, "DailyVoids");
  fRefundsAmount = Amount(root, "DailyRefunds");
  fTillSerialNumber = Text(root, "TillSerialNumber");
  fServerSerialNumber = Text(root, "ServerSerialNumber");
  fnRecNumber = Number(root, "nRecNumber");
  fzRepNumber = Number(root, "zRepNumber");
  // An empty closing time is no date: the date-time reader fails on it.
  Required(root, "zRepDateTime");
  fzRepDateTime = krptUtil::GetNodeValueAsDateTime(root, "zRepDateTime");
  return true;
}

}  // namespace qx
