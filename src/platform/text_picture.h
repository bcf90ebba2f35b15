// Text drawn with a fixed-pitch font into an RGB picture, and the picture as a JPEG: the
// receipt picture's drawing, which each platform does with its own font engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/text.h"

namespace qx::platform {

// Black text on a white ground, three bytes (red, green, blue) a pixel, row after row.
struct RgbPicture {
  RgbPicture(int aWidth, int aHeight)
      : Width(aWidth), Height(aHeight), Pixels(static_cast<size_t>(aWidth) * static_cast<size_t>(aHeight) * 3, 0xFF) {}
  int Width;
  int Height;
  std::vector<uint8_t> Pixels;
};

// A Courier-like fixed-pitch font at a size in points (96 pixels an inch).
class FixedPitchFont {
 public:
  // Raises qx::Error when no such font can be found or loaded.
  static std::unique_ptr<FixedPitchFont> Open(int aPointSize);
  virtual ~FixedPitchFont() = default;

  // The height of a line of the font in pixels (ascent plus descent), as tall as any text.
  virtual int TextHeight(StringView aText) = 0;
  virtual int TextWidth(StringView aText) = 0;
  // Draws aText with its line's top at aTop; what falls outside the picture is cut off.
  virtual void Draw(RgbPicture& aPicture, int aLeft, int aTop, StringView aText) = 0;
};

// The picture as a baseline colour JPEG of the given quality. Raises qx::Error on failure.
std::string EncodeJpeg(const RgbPicture& aPicture, int aQuality);

}  // namespace qx::platform
