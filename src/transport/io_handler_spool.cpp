#include "transport/io_handler_spool.h"

#include <algorithm>

#include "support/error.h"

namespace qx {

namespace {

constexpr int32_t kPictureResolution = 300;
const char16_t kNormalPrefix[] = u"kIOHandler_Spool.WriteNormal: ";

}  // namespace

SpoolPicturePlacement PlaceSpoolPicture(const platform::PrinterPage& aPage, int32_t aWidth, int32_t aHeight) {
  double s = aPage.Resolution == kPictureResolution ? 1.0 : static_cast<double>(aPage.Resolution) / kPictureResolution;
  if (aWidth * s > aPage.PrintableWidth) s = static_cast<double>(aPage.PrintableWidth) / aWidth;
  if (aHeight * s > aPage.PrintableHeight) s = static_cast<double>(aPage.PrintableHeight) / aHeight;
  SpoolPicturePlacement p;
  p.Scaled = s != 1.0;
  p.Rect.Width = static_cast<int32_t>(aWidth * s);
  p.Rect.Height = static_cast<int32_t>(aHeight * s);
  p.Rect.X = (aPage.PrintableWidth - p.Rect.Width) / 2 + aPage.OffsetX;
  p.Rect.Y = (aPage.PrintableHeight - p.Rect.Height) / 2 + aPage.OffsetY;
  return p;
}

kIOHandler_Spool::kIOHandler_Spool(const kConnection& aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler_Passive(&aConnection, aDirectory, aFileName), fPrinterName(aConnection.PrinterName()) {}

platform::PrintSpooler kIOHandler_Spool::Spooler() const {
  return platform::PrintSpooler(std::max(fConnectTimeout, fReadTimeout));
}

bool kIOHandler_Spool::Write(StringView aMessage) {
  return fOutputType == qxSpoolOutputType::Raw ? WriteRaw(aMessage) : WriteNormal();
}

bool kIOHandler_Spool::WriteRaw(StringView aMessage) {
  return WriteBytes(EncodeCodePage(aMessage, fCodePage > 0 ? fCodePage : 1252));
}

bool kIOHandler_Spool::WriteBytes(std::string_view aBytes) {
  String error;
  if (Spooler().PrintRaw(fPrinterName, kRawDocumentName, aBytes, error)) return true;
  fErrorMessage = error;
  return false;
}

bool kIOHandler_Spool::WriteNormal() {
  const platform::PrintSpooler spooler = Spooler();
  String printer;
  String error;
  switch (spooler.FindPrinter(fPrinterName, printer, error)) {
    case platform::PrinterLookup::Found: break;
    case platform::PrinterLookup::NotFound:
      throw Error(kNormalPrefix + (u"Printer " + fPrinterName + u" not found"));
    case platform::PrinterLookup::Failed: throw Error(kNormalPrefix + error);
  }
  if (fBitmap == nullptr || fBitmap->Empty()) throw Error(kNormalPrefix + String(u"No picture to print"));
  if (!fBitmap->WellFormed()) throw Error(kNormalPrefix + String(u"The picture's pixels do not match its size"));
  platform::PrinterPage page;
  if (!spooler.GetPage(printer, page, error)) throw Error(kNormalPrefix + error);
  const SpoolPicturePlacement placement = PlaceSpoolPicture(page, fBitmap->Width, fBitmap->Height);
  if (spooler.PrintPicture(printer, kNormalDocumentTitle, page, *fBitmap, placement.Rect, error)) return true;
  fErrorMessage = error;
  return false;
}

}  // namespace qx
