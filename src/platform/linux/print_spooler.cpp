// The print spooler over CUPS. Every call opens its own connection to the scheduler that
// cupsServer() names (CUPS_SERVER, client.conf or the local socket) and closes it before it
// returns, so nothing stays open between jobs. A picture is sent as a one-page PDF drawn with
// cairo at the queue's own page size and resolution, the job format that every CUPS queue
// takes; the picture's place on the page is decided here, not by a filter.
#include "platform/print_spooler.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace qx::platform {

namespace {

constexpr int32_t kHundredthsMmPerInch = 2540;
constexpr int32_t kDefaultResolution = 300;
constexpr char kPdfFormat[] = "application/pdf";
// The scheduler's own words for a queue that does not exist.
constexpr char16_t kNoSuchPrinter[] = u"The printer or class does not exist.";

struct HttpClose {
  void operator()(http_t* aHttp) const { httpClose(aHttp); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;

struct DestsFree {
  int Count = 0;
  void operator()(cups_dest_t* aDests) const { cupsFreeDests(Count, aDests); }
};

struct DestInfoFree {
  void operator()(cups_dinfo_t* aInfo) const { cupsFreeDestInfo(aInfo); }
};

String LastCupsError() {
  const char* text = cupsLastErrorString();
  return FromUtf8(text != nullptr && *text != '\0' ? text : "Unknown print spooler error");
}

bool CupsFailed() { return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE; }

Connection Connect(int32_t aTimeoutMs, String& aError) {
  const int timeout = std::max(aTimeoutMs, 1);
  const std::string server = cupsServer();
  errno = 0;
  http_t* http = httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeout, nullptr);
  if (http == nullptr) {
    const int error = errno;
    // A server name that starts with "/" is the scheduler's local socket.
    const std::string where = server.rfind('/', 0) == 0 ? server : server + ":" + std::to_string(ippPort());
    aError = u"Cannot reach the print spooler at " + FromUtf8(where) + u": " +
             (error != 0 ? FromUtf8(std::strerror(error)) : LastCupsError());
    return nullptr;
  }
  // Each wait for the scheduler is bounded: without a callback a time-out ends the request.
  httpSetTimeout(http, std::max(aTimeoutMs, 1000) / 1000.0, nullptr, nullptr);
  return Connection(http);
}

// One job of one document; the job is cancelled when its document does not go through.
bool SubmitJob(http_t* aHttp, const std::string& aPrinter, const std::string& aTitle, const char* aFormat,
               std::string_view aBytes, String& aError) {
  const int job = cupsCreateJob(aHttp, aPrinter.c_str(), aTitle.c_str(), 0, nullptr);
  if (job == 0) {
    aError = LastCupsError();
    return false;
  }
  bool ok = cupsStartDocument(aHttp, aPrinter.c_str(), job, aTitle.c_str(), aFormat, 1) == HTTP_STATUS_CONTINUE;
  if (ok && !aBytes.empty())
    ok = cupsWriteRequestData(aHttp, aBytes.data(), aBytes.size()) == HTTP_STATUS_CONTINUE;
  // Finishing reads the scheduler's answer, also after a failed write.
  const ipp_status_t finished = cupsFinishDocument(aHttp, aPrinter.c_str());
  ok = ok && finished <= IPP_STATUS_OK_EVENTS_COMPLETE;
  if (!ok) {
    aError = LastCupsError();
    cupsCancelJob2(aHttp, aPrinter.c_str(), job, 0);
  }
  return ok;
}

int32_t ToPixels(int aHundredthsMm, int32_t aResolution) {
  return static_cast<int32_t>(static_cast<int64_t>(aHundredthsMm) * aResolution / kHundredthsMmPerInch);
}

int32_t ResolutionOf(ipp_attribute_t* aAttribute) {
  if (aAttribute == nullptr || ippGetValueTag(aAttribute) != IPP_TAG_RESOLUTION) return 0;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  const int x = ippGetResolution(aAttribute, 0, &y, &units);
  return units == IPP_RES_PER_CM ? static_cast<int32_t>(x * 254 / 100) : x;
}

cairo_status_t AppendToString(void* aClosure, const unsigned char* aData, unsigned int aLength) {
  static_cast<std::string*>(aClosure)->append(reinterpret_cast<const char*>(aData), aLength);
  return CAIRO_STATUS_SUCCESS;
}

// One PDF page of aPage's size with the picture drawn into aRect (device pixels).
bool RenderPdf(const PrinterPage& aPage, const Bitmap& aPicture, const PictureRect& aRect, std::string& aPdf,
               String& aError) {
  const double pointsPerPixel = 72.0 / aPage.Resolution;
  cairo_surface_t* pdf = cairo_pdf_surface_create_for_stream(
      AppendToString, &aPdf, aPage.PageWidth * pointsPerPixel, aPage.PageHeight * pointsPerPixel);
  // cairo only reads the pixels; RGB24 is the 0x00RRGGBB layout of a Bitmap row by row.
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(aPicture.Pixels.data())), CAIRO_FORMAT_RGB24,
      aPicture.Width, aPicture.Height, aPicture.Width * 4);
  cairo_t* cr = cairo_create(pdf);
  cairo_scale(cr, pointsPerPixel, pointsPerPixel);
  cairo_translate(cr, aRect.X, aRect.Y);
  if (aRect.Width != aPicture.Width || aRect.Height != aPicture.Height)
    cairo_scale(cr, static_cast<double>(aRect.Width) / aPicture.Width,
                static_cast<double>(aRect.Height) / aPicture.Height);
  cairo_set_source_surface(cr, image, 0, 0);
  // Receipt pictures are text and bar codes: no smoothing between pixels.
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_show_page(cr);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_finish(pdf);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(pdf);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(image);
  cairo_surface_destroy(pdf);
  cairo_surface_destroy(image);
  if (status != CAIRO_STATUS_SUCCESS) {
    aError = u"Cannot draw the picture: " + FromUtf8(cairo_status_to_string(status));
    return false;
  }
  return true;
}

// Only the scheduler's own list is asked: looking up a name that is not there through
// cupsGetNamedDest (which cupsCreateJob does) goes on to search the network for printers.
PrinterLookup Lookup(http_t* aHttp, StringView aName, String& aExactName, String& aError) {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(aHttp, &dests);
  std::unique_ptr<cups_dest_t, DestsFree> owner(dests, DestsFree{count});
  if (count == 0 && CupsFailed()) {
    aError = LastCupsError();
    return PrinterLookup::Failed;
  }
  for (int i = 0; i < count; ++i) {
    if (dests[i].instance == nullptr && SameText(FromUtf8(dests[i].name), aName)) {
      aExactName = FromUtf8(dests[i].name);
      return PrinterLookup::Found;
    }
  }
  return PrinterLookup::NotFound;
}

}  // namespace

PrinterLookup PrintSpooler::FindPrinter(StringView aName, String& aExactName, String& aError) const {
  Connection http = Connect(fTimeoutMs, aError);
  if (!http) return PrinterLookup::Failed;
  return Lookup(http.get(), aName, aExactName, aError);
}

bool PrintSpooler::PrintRaw(StringView aPrinter, StringView aDocumentName, std::string_view aBytes,
                            String& aError) const {
  Connection http = Connect(fTimeoutMs, aError);
  if (!http) return false;
  String printer;
  switch (Lookup(http.get(), aPrinter, printer, aError)) {
    case PrinterLookup::Found: break;
    case PrinterLookup::NotFound: aError = kNoSuchPrinter; return false;
    case PrinterLookup::Failed: return false;
  }
  return SubmitJob(http.get(), ToUtf8(printer), ToUtf8(aDocumentName), CUPS_FORMAT_RAW, aBytes, aError);
}

bool PrintSpooler::GetPage(StringView aPrinter, PrinterPage& aPage, String& aError) const {
  Connection http = Connect(fTimeoutMs, aError);
  if (!http) return false;
  cups_dest_t* dest = cupsGetNamedDest(http.get(), ToUtf8(aPrinter).c_str(), nullptr);
  std::unique_ptr<cups_dest_t, DestsFree> destOwner(dest, DestsFree{1});
  if (dest == nullptr) {
    aError = LastCupsError();
    return false;
  }
  std::unique_ptr<cups_dinfo_t, DestInfoFree> info(cupsCopyDestInfo(http.get(), dest));
  if (!info) {
    aError = LastCupsError();
    return false;
  }
  int32_t resolution = ResolutionOf(cupsFindDestDefault(http.get(), dest, info.get(), "printer-resolution"));
  if (resolution <= 0) resolution = ResolutionOf(cupsFindDestSupported(http.get(), dest, info.get(), "printer-resolution"));
  // A queue that names no resolution (a raw queue) is taken as 300 dpi, the picture's own.
  if (resolution <= 0) resolution = kDefaultResolution;
  cups_size_t size{};
  if (!cupsGetDestMediaDefault(http.get(), dest, info.get(), 0, &size) || size.width <= 0 || size.length <= 0) {
    aError = u"The printer " + String(aPrinter) + u" tells no page size";
    return false;
  }
  aPage.Resolution = resolution;
  aPage.PageWidth = ToPixels(size.width, resolution);
  aPage.PageHeight = ToPixels(size.length, resolution);
  aPage.PrintableWidth = ToPixels(size.width - size.left - size.right, resolution);
  aPage.PrintableHeight = ToPixels(size.length - size.top - size.bottom, resolution);
  aPage.OffsetX = ToPixels(size.left, resolution);
  aPage.OffsetY = ToPixels(size.top, resolution);
  if (aPage.PrintableWidth <= 0 || aPage.PrintableHeight <= 0) {
    aError = u"The printer " + String(aPrinter) + u" tells no printable area";
    return false;
  }
  return true;
}

bool PrintSpooler::PrintPicture(StringView aPrinter, StringView aTitle, const PrinterPage& aPage,
                                const Bitmap& aPicture, const PictureRect& aRect, String& aError) const {
  std::string pdf;
  if (!RenderPdf(aPage, aPicture, aRect, pdf, aError)) return false;
  Connection http = Connect(fTimeoutMs, aError);
  return http && SubmitJob(http.get(), ToUtf8(aPrinter), ToUtf8(aTitle), kPdfFormat, pdf, aError);
}

}  // namespace qx::platform
