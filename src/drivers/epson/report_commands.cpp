// X and Z reports and the day's RT data files.
#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

bool kFiscalPrinter_EPSFPNAT::XReport(kXReport*) { return NotAvailable(u"XReport"); }

bool kFiscalPrinter_EPSFPNAT::ZReport(kZReport*) { return NotAvailable(u"ZReport"); }

bool kFiscalPrinter_EPSFPNAT::GetEJFiles(qxEJFilesRequestType, StringView, int32_t&, TDateTime, TDateTime) { return NotAvailable(u"GetEJFiles"); }

}  // namespace qx
