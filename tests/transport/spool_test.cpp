#include "transport/io_handler_spool.h"

#include <cups/cups.h>
#include <zlib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>

#include "cups_scheduler.h"
#include "support/error.h"
#include "transport_fixtures.h"

namespace qx {
namespace platform {

void PrintTo(const PictureRect& r, std::ostream* aOut) {
  *aOut << "(" << r.X << "," << r.Y << " " << r.Width << "x" << r.Height << ")";
}

}  // namespace platform

namespace {

using namespace qx::testing;

// A picture of aWidth x aHeight pixels, black with a white first row.
Bitmap Picture(int32_t aWidth, int32_t aHeight) {
  Bitmap b;
  b.Width = aWidth;
  b.Height = aHeight;
  b.Pixels.assign(static_cast<size_t>(aWidth) * aHeight, 0);
  std::fill(b.Pixels.begin(), b.Pixels.begin() + aWidth, 0xFFFFFFu);
  return b;
}

class SpoolTransport : public ::testing::Test {
 protected:
  // Sheets of 160 x 400 points with 8 points left and right and 10 points top and bottom: a
  // printable width of 2 inches, 1200 pixels at 600 dpi and 600 at 300 dpi.
  static void SetUpTestSuite() {
    fScheduler = new cupstest::Scheduler({{"RawQueue"},
                                         {"Receipt600", 600, 160, 400, 8, 10, 152, 390},
                                         {"Receipt300", 300, 160, 400, 8, 10, 152, 390}});
    cupsSetServer(nullptr);  // libcups reads CUPS_SERVER again
  }
  static void TearDownTestSuite() {
    delete fScheduler;
    fScheduler = nullptr;
  }
  void SetUp() override {
    if (!fScheduler->Running()) GTEST_SKIP() << "no private CUPS scheduler: " << fScheduler->Why();
  }
  kIOHandler_Spool& Make(const String& aPrinter) {
    fConnection.SetPrinterName(aPrinter);
    fTransport.emplace(fConnection, u"", u"");
    return *fTransport;
  }

  static cupstest::Scheduler* fScheduler;
  kConnection fConnection;
  std::optional<kIOHandler_Spool> fTransport;
};

cupstest::Scheduler* SpoolTransport::fScheduler = nullptr;

// The rectangle where a one-page PDF of cairo's draws its image, in device pixels from the
// sheet's top left corner. cairo first turns the page upside down ("1 0 0 -1 0 H cm"), so the
// image's matrix "w 0 0 -h x y cm" is in top-down coordinates with y at the image's bottom row.
platform::PictureRect DrawnRect(const std::string& aPdf, int32_t aResolution) {
  for (size_t at = 0; (at = aPdf.find("stream\n", at)) != std::string::npos;) {
    at += 7;
    const size_t end = aPdf.find("\nendstream", at);
    std::string text(1 << 16, '\0');
    uLongf size = text.size();
    if (end == std::string::npos ||
        ::uncompress(reinterpret_cast<Bytef*>(text.data()), &size, reinterpret_cast<const Bytef*>(aPdf.data() + at),
                     end - at) != Z_OK)
      continue;
    text.resize(size);
    const size_t draw = text.find(" Do");
    if (draw == std::string::npos) continue;
    // The matrix "w 0 0 -h x y cm" right before the image in page space (y measured upward).
    const size_t cm = text.rfind(" cm", draw);
    const size_t start = text.rfind('\n', text.rfind('\n', cm) == std::string::npos ? 0 : cm);
    double w = 0, b = 0, c = 0, h = 0, x = 0, y = 0;
    std::sscanf(text.c_str() + start + 1, "%lf %lf %lf %lf %lf %lf cm", &w, &b, &c, &h, &x, &y);
    const double px = aResolution / 72.0;
    return {static_cast<int32_t>(std::lround(x * px)), static_cast<int32_t>(std::lround((y + h) * px)),
            static_cast<int32_t>(std::lround(w * px)), static_cast<int32_t>(std::lround(-h * px))};
  }
  return {};
}

TEST(SpoolPlacement, ScaledToTheResolutionFittedAndCentred) {
  struct Case {
    platform::PrinterPage page;
    int32_t width, height;
    platform::PictureRect rect;
    bool scaled;
  };
  // Resolution, sheet, printable size, offsets.
  const platform::PrinterPage p600{600, 1300, 4000, 1200, 3800, 50, 100};
  const platform::PrinterPage p300{300, 650, 2000, 600, 1900, 25, 50};
  const std::vector<Case> cases = {
      // 600 dpi doubles the picture, then the width fits it to 1200 pixels (s = 1.2) at x = 0.
      {p600, 1000, 500, {50, 100 + (3800 - 600) / 2, 1200, 600}, true},
      {p600, 400, 300, {50 + (1200 - 800) / 2, 100 + (3800 - 600) / 2, 800, 600}, true},
      // 300 dpi, a picture that fits: unscaled, centred (odd remainders dropped).
      {p300, 201, 101, {25 + (600 - 201) / 2, 50 + (1900 - 101) / 2, 201, 101}, false},
      // Too tall: the height decides after the width (s = 1900 / 3800 = 0.5).
      {p300, 400, 3800, {25 + (600 - 200) / 2, 50, 200, 1900}, true},
      // 203 dpi: s = 203 / 300, sizes cut to whole pixels.
      {{203, 576, 2000, 576, 2000, 0, 0}, 576, 100, {(576 - 389) / 2, (2000 - 67) / 2, 389, 67}, true},
  };
  for (const Case& c : cases) {
    const SpoolPicturePlacement p = PlaceSpoolPicture(c.page, c.width, c.height);
    EXPECT_EQ(p.Rect, c.rect) << c.page.Resolution << " dpi, " << c.width << "x" << c.height;
    EXPECT_EQ(p.Scaled, c.scaled);
  }
}

TEST_F(SpoolTransport, RawOutputIsOneJobOfTheBytesAsTheyAre) {
  const int descriptors = OpenDescriptors();
  const size_t before = fScheduler->Jobs(0, 0).size();
  kIOHandler_Spool& t = Make(u"rawqueue");  // the queue is RawQueue
  t.SetOutputType(qxSpoolOutputType::Raw);
  EXPECT_TRUE(t.Write(u"ABC")) << ToUtf8(t.ErrorMessage());
  EXPECT_TRUE(t.Write(u"\u20AC\u00E8\r\n"));  // Windows-1252 by default
  t.SetCodePage(28591);
  EXPECT_TRUE(t.Write(u"\u00E8"));
  EXPECT_TRUE(t.WriteBytes(std::string("\x1B\x00\xFF", 3)));
  std::vector<cupstest::Job> jobs = fScheduler->Jobs(before + 4);
  ASSERT_EQ(jobs.size(), before + 4);
  jobs.erase(jobs.begin(), jobs.begin() + static_cast<long>(before));
  EXPECT_EQ(jobs[0].Data, "\x41\x42\x43");
  EXPECT_EQ(jobs[1].Data, "\x80\xE8\r\n");
  EXPECT_EQ(jobs[2].Data, "\xE8");
  EXPECT_EQ(jobs[3].Data, std::string("\x1B\x00\xFF", 3));
  for (const auto& job : jobs) EXPECT_EQ(job.Title, "POS Receipt");
  EXPECT_FALSE(t.ErrorFound());
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(SpoolTransport, RawOutputToAMissingPrinterGivesFalseAndTheSpoolersText) {
  const int descriptors = OpenDescriptors();
  const int threads = RunningThreads();
  kIOHandler_Spool& t = Make(u"Nowhere");
  t.SetOutputType(qxSpoolOutputType::Raw);
  EXPECT_FALSE(t.Write(u"ABC"));
  EXPECT_EQ(t.ErrorMessage(), u"The printer or class does not exist.");
  EXPECT_FALSE(t.ErrorFound());
  EXPECT_EQ(t.ErrorCode(), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(RunningThreads(), threads);
}

TEST_F(SpoolTransport, PicturesArePlacedByTheQueuesResolutionAndPrintableArea) {
  const int descriptors = OpenDescriptors();
  const size_t before = fScheduler->Jobs(0, 0).size();
  struct Case {
    String printer;
    int32_t resolution, width, height;
    int32_t drawnWidth, drawnHeight;
  };
  const std::vector<Case> cases = {
      {u"RECEIPT600", 600, 1000, 500, 1200, 600},  // s = 2, then fitted to the 1200 pixels: 1.2
      {u"receipt300", 300, 200, 100, 200, 100},    // fits: unscaled
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(ToUtf8(c.printer));
    kIOHandler_Spool& t = Make(c.printer);
    EXPECT_EQ(t.OutputType(), qxSpoolOutputType::Normal);
    const Bitmap picture = Picture(c.width, c.height);
    t.SetBitmap(&picture);
    ASSERT_TRUE(t.Write(u"not printed")) << ToUtf8(t.ErrorMessage());
    const std::vector<cupstest::Job> jobs = fScheduler->Jobs(before + i + 1);
    ASSERT_EQ(jobs.size(), before + i + 1);
    const cupstest::Job& job = jobs.back();
    EXPECT_EQ(job.Title, "POS Spool Output");
    EXPECT_EQ(job.Data.rfind("%PDF-", 0), 0u);
    // The page as the queue tells it: a printable width of two inches.
    platform::PrinterPage page;
    String error;
    ASSERT_TRUE(platform::PrintSpooler(1000).GetPage(i == 0 ? u"Receipt600" : u"Receipt300", page, error))
        << ToUtf8(error);
    EXPECT_EQ(page.Resolution, c.resolution);
    EXPECT_EQ(page.PrintableWidth, 2 * c.resolution);
    const platform::PictureRect drawn = DrawnRect(job.Data, c.resolution);
    EXPECT_EQ(drawn.Width, c.drawnWidth);
    EXPECT_EQ(drawn.Height, c.drawnHeight);
    EXPECT_EQ(drawn, PlaceSpoolPicture(page, c.width, c.height).Rect);
    EXPECT_EQ(drawn.X, page.OffsetX + (page.PrintableWidth - c.drawnWidth) / 2);
    EXPECT_EQ(drawn.Y, page.OffsetY + (page.PrintableHeight - c.drawnHeight) / 2);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(SpoolTransport, NormalOutputFailures) {
  const int descriptors = OpenDescriptors();
  const int threads = RunningThreads();
  const size_t jobsBefore = fScheduler->Jobs(0, 0).size();
  kIOHandler_Spool& missing = Make(u"Nowhere");
  EXPECT_EQ(MessageOf([&] { missing.Write(u""); }), u"kIOHandler_Spool.WriteNormal: Printer Nowhere not found");
  kIOHandler_Spool& noPicture = Make(u"Receipt300");
  EXPECT_EQ(MessageOf([&] { noPicture.Write(u""); }), u"kIOHandler_Spool.WriteNormal: No picture to print");
  Bitmap malformed = Picture(10, 10);
  malformed.Pixels.pop_back();
  noPicture.SetBitmap(&malformed);
  EXPECT_EQ(MessageOf([&] { noPicture.Write(u""); }),
            u"kIOHandler_Spool.WriteNormal: The picture's pixels do not match its size");
  // A raw queue tells no page.
  const Bitmap picture = Picture(10, 10);
  kIOHandler_Spool& raw = Make(u"RawQueue");
  raw.SetBitmap(&picture);
  EXPECT_EQ(MessageOf([&] { raw.Write(u""); }), u"kIOHandler_Spool.WriteNormal: The printer RawQueue tells no page size");

  // A scheduler that is not there.
  const std::string down = "127.0.0.1:" + std::to_string(UnusedPort());
  cupsSetServer(down.c_str());
  kIOHandler_Spool& t = Make(u"Receipt300");
  t.SetBitmap(&picture);
  const String message = MessageOf([&] { t.Write(u""); });
  EXPECT_EQ(message.rfind(u"kIOHandler_Spool.WriteNormal: Cannot reach the print spooler at " + FromUtf8(down) + u": ", 0),
            0u)
      << ToUtf8(message);
  t.SetOutputType(qxSpoolOutputType::Raw);
  EXPECT_FALSE(t.Write(u"ABC"));
  EXPECT_NE(t.ErrorMessage(), u"");
  cupsSetServer(nullptr);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(RunningThreads(), threads);
  EXPECT_EQ(fScheduler->Jobs(0, 0).size(), jobsBefore) << "no job reached a device";
}

}  // namespace
}  // namespace qx
