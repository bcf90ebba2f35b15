#include "documents/nf_receipt.h"

#include "documents/message_line_reader.h"
#include "documents/request_xml.h"
#include "documents/rpt_util.h"

namespace qx {

void kNFReceipt::Deserialize(pugi::xml_node aRoot) {
  using U = krptUtil;
  const pugi::xml_node doc = RequiredChild(RequestRoot(aRoot), "NFReceipt", u"NFReceipt node not found");
  fLayout = U::GetNodeValueAsString(doc, "Layout");
  fDefaultLayout = fLayout.empty();
  if (fDefaultLayout) fLayout = u"DocumentLayout";
  fStoreCode = U::GetNodeValueAsString(doc, "StoreCode");
  fTillCode = U::GetNodeValueAsString(doc, "TillCode");
  fReceiptNumber = U::GetNodeValueAsString(doc, "Number");
  fReceiptDateTime = U::GetNodeValueAsDateTime(doc, "DateTime");
  fCountryCode = U::GetNodeValueAsString(doc, "CountryCode");
  fCompanyCode = U::GetNodeValueAsString(doc, "CompanyCode");
  fCompanyTaxCode = U::GetNodeValueAsString(doc, "CompanyTaxCode");
  fOperatorCode = U::GetNodeValueAsString(doc, "OperatorCode");

  // The three blocks read their elements in slightly different orders (which decides the
  // error a faulty request reports): the header reads a barcode's Type last, the body reads an
  // image's Source before its Value.
  MessageLineFormat header;
  header.BarcodeTypeLast = true;
  header.TextEffects = true;
  header.Image = MessageLineFormat::AlignmentValueSource;
  MessageLineFormat body;
  body.TextEffects = true;
  body.Image = MessageLineFormat::AlignmentSourceValue;
  MessageLineFormat footer;
  footer.TextEffects = true;
  footer.Image = MessageLineFormat::AlignmentValueSource;

  if (const pugi::xml_node lines = doc.child("Header").child("Lines"))
    ReadMessageLines(lines, header, nullptr, this, rs_lead, fHeaderLines);
  if (const pugi::xml_node lines = doc.child("Lines")) ReadMessageLines(lines, body, nullptr, this, rs_body, fLines);
  if (const pugi::xml_node lines = doc.child("Footer").child("Lines"))
    ReadMessageLines(lines, footer, nullptr, this, rs_trail, fFooterLines);
}

}  // namespace qx
