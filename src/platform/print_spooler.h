// The system's print spooler, as the spool transport needs it: printers found by name, a job of
// raw bytes, the page of a printer in device pixels, and a page with a picture drawn on it.
// Each call is complete in itself (it connects, works and lets go) and bounded by the time-out
// it is given; failures answer false with the spooler's own message.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/bitmap.h"
#include "support/text.h"

namespace qx::platform {

// A printer's page in its device pixels.
struct PrinterPage {
  int32_t Resolution = 0;                      // horizontal, dots per inch
  int32_t PageWidth = 0, PageHeight = 0;       // the whole sheet
  int32_t PrintableWidth = 0, PrintableHeight = 0;
  int32_t OffsetX = 0, OffsetY = 0;            // of the printable area from the sheet's corner
};

// Where a picture goes on the page, in device pixels.
struct PictureRect {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const PictureRect&) const = default;
};

enum class PrinterLookup { Found, NotFound, Failed };

class PrintSpooler {
 public:
  // aTimeoutMs bounds connecting to the spooler and each wait for its answers.
  explicit PrintSpooler(int32_t aTimeoutMs) : fTimeoutMs(aTimeoutMs) {}

  // Looks aName up among the spooler's printers without regard to letter case; on Found,
  // aExactName is the printer's own name. Failed: the spooler could not be asked (aError).
  PrinterLookup FindPrinter(StringView aName, String& aExactName, String& aError) const;
  // Sends aBytes unchanged as one job named aDocumentName.
  bool PrintRaw(StringView aPrinter, StringView aDocumentName, std::string_view aBytes, String& aError) const;
  // The printer's default page and resolution.
  bool GetPage(StringView aPrinter, PrinterPage& aPage, String& aError) const;
  // One job titled aTitle: one page of aPage's size with aPicture drawn into aRect, stretched
  // when aRect's size differs from the picture's.
  bool PrintPicture(StringView aPrinter, StringView aTitle, const PrinterPage& aPage, const Bitmap& aPicture,
                    const PictureRect& aRect, String& aError) const;

 private:
  int32_t fTimeoutMs;
};

}  // namespace qx::platform
