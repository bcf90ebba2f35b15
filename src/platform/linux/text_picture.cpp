// The receipt picture on Linux: the font found through fontconfig, drawn with FreeType, encoded
// with libjpeg(-turbo).
#include "platform/text_picture.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <jpeglib.h>

#include "support/error.h"

namespace qx::platform {

namespace {

constexpr int kDotsPerInch = 96;

// The file of the best fixed-pitch match for Courier; fontconfig maps Courier to a metric-
// compatible font (Liberation Mono) when the original is not installed. The look-up runs on a
// private configuration that is released at once (the host's own use of fontconfig stays
// untouched and nothing is left behind), and its result is kept for the process.
std::string FindCourierFile() {
  static std::mutex mutex;
  static std::string found;
  const std::lock_guard<std::mutex> lock(mutex);
  if (!found.empty()) return found;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) throw Error(u"The font configuration cannot be loaded");
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Courier New:spacing=mono"));
  FcPattern* match = nullptr;
  if (pattern != nullptr) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
  }
  std::string file;
  int spacing = FC_PROPORTIONAL;
  FcChar8* path = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
      FcPatternGetInteger(match, FC_SPACING, 0, &spacing) == FcResultMatch && spacing == FC_MONO)
    file = reinterpret_cast<const char*>(path);
  if (match != nullptr) FcPatternDestroy(match);
  FcConfigDestroy(config);
  if (file.empty()) throw Error(u"No fixed-pitch Courier-like font is installed");
  found = file;
  return found;
}

class FreeTypeFont : public FixedPitchFont {
 public:
  explicit FreeTypeFont(int aPointSize) {
    const std::string file = FindCourierFile();
    if (FT_Init_FreeType(&fLibrary) != 0) throw Error(u"The font engine cannot be started");
    if (FT_New_Face(fLibrary, file.c_str(), 0, &fFace) != 0 ||
        FT_Set_Char_Size(fFace, 0, aPointSize * 64, kDotsPerInch, kDotsPerInch) != 0) {
      FT_Done_FreeType(fLibrary);
      throw Error(u"The font " + FromUtf8(file) + u" cannot be loaded");
    }
    fAscent = static_cast<int>((fFace->size->metrics.ascender + 63) >> 6);
    fDescent = static_cast<int>((-fFace->size->metrics.descender + 63) >> 6);
  }
  ~FreeTypeFont() override {
    FT_Done_Face(fFace);
    FT_Done_FreeType(fLibrary);
  }
  FreeTypeFont(const FreeTypeFont&) = delete;
  FreeTypeFont& operator=(const FreeTypeFont&) = delete;

  int TextHeight(StringView) override { return fAscent + fDescent; }

  int TextWidth(StringView aText) override {
    int width = 0;
    for (const char16_t c : aText)
      if (FT_Load_Char(fFace, c, FT_LOAD_DEFAULT) == 0) width += static_cast<int>(fFace->glyph->advance.x >> 6);
    return width;
  }

  void Draw(RgbPicture& aPicture, int aLeft, int aTop, StringView aText) override {
    int pen = aLeft;
    const int baseline = aTop + fAscent;
    for (const char16_t c : aText) {
      if (FT_Load_Char(fFace, c, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = fFace->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = baseline - glyph->bitmap_top + static_cast<int>(row);
        if (y < 0 || y >= aPicture.Height) continue;
        for (unsigned col = 0; col < bitmap.width; ++col) {
          const int x = pen + glyph->bitmap_left + static_cast<int>(col);
          if (x < 0 || x >= aPicture.Width) continue;
          const uint8_t coverage = bitmap.buffer[static_cast<ptrdiff_t>(row) * bitmap.pitch + col];
          uint8_t* pixel = &aPicture.Pixels[(static_cast<size_t>(y) * aPicture.Width + x) * 3];
          for (int k = 0; k < 3; ++k) pixel[k] = static_cast<uint8_t>(pixel[k] * (255 - coverage) / 255);
        }
      }
      pen += static_cast<int>(glyph->advance.x >> 6);
    }
  }

 private:
  FT_Library fLibrary = nullptr;
  FT_Face fFace = nullptr;
  int fAscent = 0;
  int fDescent = 0;
};

// libjpeg reports a fatal error through error_exit, which must not return: jump back out.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

void JpegErrorExit(j_common_ptr aInfo) { std::longjmp(reinterpret_cast<JpegError*>(aInfo->err)->back, 1); }

// Plain C state only between setjmp and longjmp: nothing here has a destructor to skip.
bool CompressJpeg(const RgbPicture& aPicture, int aQuality, unsigned char** aBuffer, unsigned long* aSize) {
  jpeg_compress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  if (setjmp(error.back) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, aBuffer, aSize);
  info.image_width = static_cast<JDIMENSION>(aPicture.Width);
  info.image_height = static_cast<JDIMENSION>(aPicture.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, aQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&aPicture.Pixels[static_cast<size_t>(info.next_scanline) * aPicture.Width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

std::unique_ptr<FixedPitchFont> FixedPitchFont::Open(int aPointSize) { return std::make_unique<FreeTypeFont>(aPointSize); }

std::string EncodeJpeg(const RgbPicture& aPicture, int aQuality) {
  if (aPicture.Width <= 0 || aPicture.Height <= 0 || aPicture.Width > 65500 || aPicture.Height > 65500)
    throw Error(u"The receipt picture is too large to encode");
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = CompressJpeg(aPicture, aQuality, &buffer, &size);
  std::string bytes;
  if (ok && buffer != nullptr) bytes.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  if (!ok) throw Error(u"The receipt picture cannot be encoded");
  return bytes;
}

}  // namespace qx::platform
