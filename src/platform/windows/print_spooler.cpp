// The print spooler on Windows: not built yet. Every operation fails with a clear text, so a
// spool connection answers its failure instead of printing nothing in silence.
#include "platform/print_spooler.h"

namespace qx::platform {

namespace {

const char16_t* const kNotBuilt = u"The print spooler is not available in this Windows build yet";

}  // namespace

PrinterLookup PrintSpooler::FindPrinter(StringView, String&, String& aError) const {
  aError = kNotBuilt;
  return PrinterLookup::Failed;
}

bool PrintSpooler::PrintRaw(StringView, StringView, std::string_view, String& aError) const {
  aError = kNotBuilt;
  return false;
}

bool PrintSpooler::GetPage(StringView, PrinterPage&, String& aError) const {
  aError = kNotBuilt;
  return false;
}

bool PrintSpooler::PrintPicture(StringView, StringView, const PrinterPage&, const Bitmap&, const PictureRect&,
                                String& aError) const {
  aError = kNotBuilt;
  return false;
}

}  // namespace qx::platform
