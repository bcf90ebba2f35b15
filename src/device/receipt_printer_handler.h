// The configuration and request documents of one exported call: one document object per kind,
// each read only when the export asks for it.
#pragma once

#include <memory>

#include "device/device_handler.h"
#include "documents/customer_display.h"
#include "documents/dept_table.h"
#include "documents/drawer.h"
#include "documents/economic_activity_table.h"
#include "documents/ej_files_request.h"
#include "documents/ej_report.h"
#include "documents/enumerations.h"
#include "documents/nf_receipt.h"
#include "documents/payment_receipt.h"
#include "documents/receipt.h"
#include "documents/receipt_reference.h"
#include "documents/vat_table.h"
#include "documents/x_report.h"
#include "documents/z_report.h"

namespace qx {

class kReceiptPrinterHandler : public kDeviceHandler {
 public:
  kReceiptPrinterHandler();
  ~kReceiptPrinterHandler() override;

  // Reads the configuration, then each document of the set in a fixed order.
  void Deserialize(StringView aXml, qxReceiptHandlerDocumentTypes aDocumentTypes);
  // A new, empty receipt in place of the one read.
  void ClearReceipt();

  std::unique_ptr<kReceipt> fReceipt;
  std::unique_ptr<kNFReceipt> fNFReceipt;
  std::unique_ptr<kCustomerDisplay> fCustomerDisplay;
  std::unique_ptr<kDrawer> fDrawer;
  std::unique_ptr<kEJReport> fEJReport;
  std::unique_ptr<kVatTable> fVATTable;
  std::unique_ptr<kDeptTable> fDeptTable;
  std::unique_ptr<kEconomicActivityTable> fEATable;
  std::unique_ptr<kPaymentReceipt> fPaymentReceipt;
  std::unique_ptr<kReceiptReference> fReceiptReference;
  std::unique_ptr<kEJFilesRequest> fEJFilesRequest;
  std::unique_ptr<kXReport> fXReport;
  std::unique_ptr<kZReport> fZReport;
};

}  // namespace qx
