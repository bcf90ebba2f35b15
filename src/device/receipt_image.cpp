#include "device/receipt_image.h"

#include <algorithm>

#include "platform/text_picture.h"

namespace qx {

namespace {

constexpr int kPointSize = 10;
constexpr int kMargin = 10;
constexpr int kJpegQuality = 90;

// The lines of the text: CR LF, CR or LF end a line; a text ending with a line end has no empty
// line after it.
StringList ImageLines(StringView aText) {
  StringList lines;
  String line;
  for (size_t i = 0; i < aText.size(); ++i) {
    const char16_t c = aText[i];
    if (c == u'\r' || c == u'\n') {
      lines.push_back(line);
      line.clear();
      if (c == u'\r' && i + 1 < aText.size() && aText[i + 1] == u'\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int LineHeightOf(platform::FixedPitchFont& aFont) { return aFont.TextHeight(u"X") * 13 / 10; }

}  // namespace

int ReceiptImageLineHeight() { return LineHeightOf(*platform::FixedPitchFont::Open(kPointSize)); }

String ReceiptImage(StringView aText) {
  const StringList lines = ImageLines(aText);
  const std::unique_ptr<platform::FixedPitchFont> font = platform::FixedPitchFont::Open(kPointSize);
  const int lineHeight = LineHeightOf(*font);
  int width = 0;
  for (const String& line : lines) width = std::max(width, font->TextWidth(line));
  // Two empty line heights above the text and one below it.
  platform::RgbPicture picture(width + 2 * kMargin, lineHeight * (static_cast<int>(lines.size()) + 3));
  for (size_t i = 0; i < lines.size(); ++i)
    font->Draw(picture, kMargin, lineHeight * (static_cast<int>(i) + 2), lines[i]);
  return Base64Encode(platform::EncodeJpeg(picture, kJpegQuality));
}

String Base64Encode(const std::string& aBytes) {
  static constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  String out;
  out.reserve((aBytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < aBytes.size(); i += 3) {
    const uint32_t n = (static_cast<uint8_t>(aBytes[i]) << 16) | (static_cast<uint8_t>(aBytes[i + 1]) << 8) |
                       static_cast<uint8_t>(aBytes[i + 2]);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  const size_t rest = aBytes.size() - i;
  if (rest > 0) {
    uint32_t n = static_cast<uint8_t>(aBytes[i]) << 16;
    if (rest == 2) n |= static_cast<uint8_t>(aBytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : u'=';
    out += u'=';
  }
  return out;
}

}  // namespace qx
