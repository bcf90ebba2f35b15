#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "exports/registry.h"

namespace qx {

void RegisterDrivers(kFiscalPrinterRegistry& aRegistry) {
  aRegistry.RegisterClass(u"QXRP_EPSFPNAT_20", &kFiscalPrinter_EPSFPNAT::CreateDevice);
}

}  // namespace qx
