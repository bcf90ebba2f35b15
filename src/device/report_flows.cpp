// The X and Z report flows.
#include "device/fiscal_printer_device.h"
#include "support/error.h"

namespace qx {

_int_PRINTXR_result kFiscalPrinterDevice::Pub_PrintXReport(kReceiptPrinterHandler&) {
  throw Error(u"PrintXReport is not available yet in this version of the driver");
}

_int_PRINTZR_result kFiscalPrinterDevice::Pub_PrintZReport(kReceiptPrinterHandler&) {
  throw Error(u"PrintZReport is not available yet in this version of the driver");
}

}  // namespace qx
