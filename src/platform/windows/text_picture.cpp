// The receipt picture on Windows: not built yet. Asking for it raises a clear error, which the
// receipt's answer carries; the receipt itself is printed before the picture is drawn.
#include "platform/text_picture.h"

#include "support/error.h"

namespace qx::platform {

std::unique_ptr<FixedPitchFont> FixedPitchFont::Open(int) {
  throw Error(u"The receipt picture is not available in this Windows build yet");
}

std::string EncodeJpeg(const RgbPicture&, int) {
  throw Error(u"The receipt picture is not available in this Windows build yet");
}

}  // namespace qx::platform
