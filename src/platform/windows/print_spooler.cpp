// The print spooler on Windows, through winspool and a printer device context. Every call opens
// what it needs and closes it before it returns. Raw jobs go to the spooler unchanged (datatype
// "RAW"); a picture is drawn on one page of the printer's device context. The spooler's own
// calls have no time-out of their own, so the time-out given is not applied here.
#include "platform/print_spooler.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "platform/windows/system_text.h"

namespace qx::platform {

namespace {

String LastError() { return SystemErrorText(::GetLastError()); }

// A printer's device context with the printer's default settings, deleted with the object.
class PrinterDc {
 public:
  explicit PrinterDc(StringView aPrinter) {
    const std::wstring name = Wide(aPrinter);
    fDc = ::CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr);
  }
  ~PrinterDc() {
    if (fDc != nullptr) ::DeleteDC(fDc);
  }
  PrinterDc(const PrinterDc&) = delete;
  PrinterDc& operator=(const PrinterDc&) = delete;
  HDC get() const { return fDc; }

 private:
  HDC fDc = nullptr;
};

}  // namespace

PrinterLookup PrintSpooler::FindPrinter(StringView aName, String& aExactName, String& aError) const {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<BYTE> buffer;
  // The list may grow between asking its size and reading it: ask again a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (::EnumPrintersW(flags, nullptr, 4, buffer.empty() ? nullptr : buffer.data(),
                        static_cast<DWORD>(buffer.size()), &needed, &count))
      break;
    const DWORD error = ::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER || attempt == 3) {
      aError = SystemErrorText(error);
      return PrinterLookup::Failed;
    }
    buffer.assign(needed, 0);
  }
  const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count && !buffer.empty(); ++i) {
    if (printers[i].pPrinterName == nullptr) continue;
    const String name = FromWide(printers[i].pPrinterName, ::wcslen(printers[i].pPrinterName));
    if (SameText(name, aName)) {
      aExactName = name;
      return PrinterLookup::Found;
    }
  }
  return PrinterLookup::NotFound;
}

bool PrintSpooler::PrintRaw(StringView aPrinter, StringView aDocumentName, std::string_view aBytes,
                            String& aError) const {
  std::wstring printer = Wide(aPrinter);
  std::wstring document = Wide(aDocumentName);
  wchar_t raw[] = L"RAW";
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(printer.data(), &handle, nullptr)) {
    aError = LastError();
    return false;
  }
  DOC_INFO_1W info{document.data(), nullptr, raw};
  bool ok = ::StartDocPrinterW(handle, 1, reinterpret_cast<BYTE*>(&info)) != 0;
  if (!ok) {
    aError = LastError();
    ::ClosePrinter(handle);
    return false;
  }
  ok = ::StartPagePrinter(handle) != 0;
  for (size_t done = 0; ok && done < aBytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(aBytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = ::WritePrinter(handle, const_cast<char*>(aBytes.data() + done), chunk, &written) != 0 && written > 0;
    done += written;
  }
  ok = ok && ::EndPagePrinter(handle) != 0 && ::EndDocPrinter(handle) != 0;
  if (!ok) {
    aError = LastError();
    // A job that did not go through whole is removed, not printed in part.
    ::AbortPrinter(handle);
  }
  ::ClosePrinter(handle);
  return ok;
}

bool PrintSpooler::GetPage(StringView aPrinter, PrinterPage& aPage, String& aError) const {
  const PrinterDc dc(aPrinter);
  if (dc.get() == nullptr) {
    aError = LastError();
    return false;
  }
  PrinterPage page;
  page.Resolution = ::GetDeviceCaps(dc.get(), LOGPIXELSX);
  page.PageWidth = ::GetDeviceCaps(dc.get(), PHYSICALWIDTH);
  page.PageHeight = ::GetDeviceCaps(dc.get(), PHYSICALHEIGHT);
  page.PrintableWidth = ::GetDeviceCaps(dc.get(), HORZRES);
  page.PrintableHeight = ::GetDeviceCaps(dc.get(), VERTRES);
  page.OffsetX = ::GetDeviceCaps(dc.get(), PHYSICALOFFSETX);
  page.OffsetY = ::GetDeviceCaps(dc.get(), PHYSICALOFFSETY);
  if (page.Resolution <= 0 || page.PageWidth <= 0 || page.PageHeight <= 0) {
    aError = u"The printer " + String(aPrinter) + u" tells no page size";
    return false;
  }
  if (page.PrintableWidth <= 0 || page.PrintableHeight <= 0) {
    aError = u"The printer " + String(aPrinter) + u" tells no printable area";
    return false;
  }
  aPage = page;
  return true;
}

bool PrintSpooler::PrintPicture(StringView aPrinter, StringView aTitle, const PrinterPage& aPage,
                                const Bitmap& aPicture, const PictureRect& aRect, String& aError) const {
  if (!aPicture.WellFormed()) {
    aError = u"The picture to print is empty";
    return false;
  }
  const PrinterDc dc(aPrinter);
  if (dc.get() == nullptr) {
    aError = LastError();
    return false;
  }
  const std::wstring title = Wide(aTitle);
  DOCINFOW document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = title.c_str();
  if (::StartDocW(dc.get(), &document) <= 0) {
    aError = LastError();
    return false;
  }
  // 0x00RRGGBB in memory is the blue, green, red, unused order of a 32-bit DIB.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = aPicture.Width;
  info.bmiHeader.biHeight = -aPicture.Height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bool ok = ::StartPage(dc.get()) > 0;
  if (ok) {
    // Receipt pictures are text and bar codes: no smoothing between pixels. The device
    // context's origin is the printable area's corner; aRect counts from the sheet's.
    ::SetStretchBltMode(dc.get(), COLORONCOLOR);
    ok = ::StretchDIBits(dc.get(), aRect.X - aPage.OffsetX, aRect.Y - aPage.OffsetY, aRect.Width, aRect.Height, 0, 0,
                         aPicture.Width, aPicture.Height, aPicture.Pixels.data(), &info, DIB_RGB_COLORS,
                         SRCCOPY) != 0 &&
         ::EndPage(dc.get()) > 0;
  }
  ok = ok && ::EndDoc(dc.get()) > 0;
  if (!ok) {
    aError = LastError();
    ::AbortDoc(dc.get());
  }
  return ok;
}

}  // namespace qx::platform
