// The spool transport: every Write is one complete print job through the system's print
// spooler. Raw output sends the text's bytes to the printer unchanged; Normal output prints the
// picture set in Bitmap, scaled to the printer's resolution (the picture counts as 300 dpi),
// fitted into the printable area and centred on it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/print_spooler.h"
#include "support/bitmap.h"
#include "transport/io_handler_passive.h"

namespace qx {

// Where Normal output draws a picture of aWidth x aHeight pixels on aPage (device pixels, the
// printable area's offsets included), and whether it is stretched.
struct SpoolPicturePlacement {
  platform::PictureRect Rect;
  bool Scaled = false;
};
SpoolPicturePlacement PlaceSpoolPicture(const platform::PrinterPage& aPage, int32_t aWidth, int32_t aHeight);

class kIOHandler_Spool : public kIOHandler_Passive {
 public:
  static constexpr char16_t kRawDocumentName[] = u"POS Receipt";
  static constexpr char16_t kNormalDocumentTitle[] = u"POS Spool Output";

  // The printer name comes from the connection's PrinterName; the output type is Normal.
  kIOHandler_Spool(const kConnection& aConnection, StringView aDirectory, StringView aFileName);

  // Normal: WriteNormal (aMessage is not used); Raw: WriteRaw(aMessage).
  bool Write(StringView aMessage) override;
  String ClassName() const override { return u"kIOHandler_Spool"; }

  // The text in the code page of CodePage (the ANSI code page, Windows-1252, when it is 0 or
  // less), sent as WriteBytes sends it.
  bool WriteRaw(StringView aMessage);
  // One job named "POS Receipt" of the bytes as they are. True when the spooler took them;
  // otherwise false with the spooler's message in ErrorMessage (ErrorFound and ErrorCode are
  // left as they were).
  bool WriteBytes(std::string_view aBytes);
  // One job titled "POS Spool Output" with the picture on its page. A printer that is not found
  // (names compared without regard to case) raises
  // "kIOHandler_Spool.WriteNormal: Printer <name> not found"; no picture, a spooler that cannot
  // be asked and a printer that tells no page raise "kIOHandler_Spool.WriteNormal: " + the reason.
  // A job the spooler refuses gives false with its message in ErrorMessage, as raw output does.
  bool WriteNormal();

  const String& PrinterName() const { return fPrinterName; }
  qxSpoolOutputType OutputType() const { return fOutputType; }
  void SetOutputType(qxSpoolOutputType aValue) { fOutputType = aValue; }
  // Not owned: the picture must outlive the Write that prints it.
  const Bitmap* GetBitmap() const { return fBitmap; }
  void SetBitmap(const Bitmap* aValue) { fBitmap = aValue; }

 private:
  platform::PrintSpooler Spooler() const;

  String fPrinterName;
  qxSpoolOutputType fOutputType = qxSpoolOutputType::Normal;
  const Bitmap* fBitmap = nullptr;
};

}  // namespace qx
