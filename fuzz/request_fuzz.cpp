// Feeds arbitrary bytes to the request reader as an exported call would: the configuration part
// and every request document. Any outcome but a qx::Error (a crash, a sanitizer report, another
// exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/receipt_printer_handler.h"
#include "support/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::string_view bytes(reinterpret_cast<const char*>(aData), aSize);
  qx::kReceiptPrinterHandler handler;
  qx::qxReceiptHandlerDocumentTypes all;
  for (int t = qx::dt_Receipt; t <= qx::dt_ZReport; ++t) all.Include(static_cast<qx::qxReceiptHandlerDocumentType>(t));
  try {
    handler.Deserialize(qx::FromUtf8(bytes), all);
    handler.fReceipt->GetCalculatedAmount();
    handler.fReceipt->fPayments.TotalAmount();
  } catch (const qx::Error&) {
  }
  return 0;
}
