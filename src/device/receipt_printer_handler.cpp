#include "device/receipt_printer_handler.h"

namespace qx {

kReceiptPrinterHandler::kReceiptPrinterHandler()
    : fReceipt(std::make_unique<kReceipt>()),
      fNFReceipt(std::make_unique<kNFReceipt>()),
      fCustomerDisplay(std::make_unique<kCustomerDisplay>()),
      fDrawer(std::make_unique<kDrawer>()),
      fEJReport(std::make_unique<kEJReport>()),
      fVATTable(std::make_unique<kVatTable>()),
      fDeptTable(std::make_unique<kDeptTable>()),
      fEATable(std::make_unique<kEconomicActivityTable>()),
      fPaymentReceipt(std::make_unique<kPaymentReceipt>()),
      fReceiptReference(std::make_unique<kReceiptReference>()),
      fEJFilesRequest(std::make_unique<kEJFilesRequest>()),
      fXReport(std::make_unique<kXReport>()),
      fZReport(std::make_unique<kZReport>()) {}

kReceiptPrinterHandler::~kReceiptPrinterHandler() = default;

void kReceiptPrinterHandler::Deserialize(StringView aXml, qxReceiptHandlerDocumentTypes aDocumentTypes) {
  fConnection->SetConnectTimeOut(kConnection::kDefaultTimeout);
  const std::unique_ptr<pugi::xml_document> doc = kDeviceHandler::Deserialize(aXml);
  const pugi::xml_node root = doc->document_element();
  // The order is fixed so that a request with several faults always reports the same one.
  if (aDocumentTypes.Contains(dt_Receipt)) fReceipt->Deserialize(root);
  if (aDocumentTypes.Contains(dt_NFReceipt)) fNFReceipt->Deserialize(root);
  if (aDocumentTypes.Contains(dt_Display)) fCustomerDisplay->Deserialize(root);
  if (aDocumentTypes.Contains(dt_Drawer)) fDrawer->Deserialize(root);
  if (aDocumentTypes.Contains(dt_EJReport)) fEJReport->Deserialize(root);
  if (aDocumentTypes.Contains(dt_VatTable)) fVATTable->Deserialize(root);
  if (aDocumentTypes.Contains(dt_XReport)) fXReport->Deserialize(root);
  if (aDocumentTypes.Contains(dt_ZReport)) fZReport->Deserialize(root);
  if (aDocumentTypes.Contains(dt_DeptTable)) {
    fEATable->Deserialize(root);
    fDeptTable->Deserialize(root);
  }
  if (aDocumentTypes.Contains(dt_Pay)) fPaymentReceipt->Deserialize(root);
  if (aDocumentTypes.Contains(dt_ReceiptReference)) fReceiptReference->Deserialize(root);
  if (aDocumentTypes.Contains(dt_EJFilesRequest)) fEJFilesRequest->Deserialize(root);
}

void kReceiptPrinterHandler::ClearReceipt() { fReceipt = std::make_unique<kReceipt>(); }

}  // namespace qx
