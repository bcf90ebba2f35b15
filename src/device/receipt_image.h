// The picture of a receipt's text returned by PRINTFR: the lines drawn in a fixed-pitch font,
// encoded as a JPEG and handed out in Base64.
#pragma once

#include <string>

#include "support/text.h"

namespace qx {

// The height of one line of the picture: the font's text height times 1.3, truncated.
int ReceiptImageLineHeight();
// The JPEG of the text (lines end with CR LF, CR or LF), in standard Base64 on one line.
// Raises qx::Error when no font is found or the picture cannot be encoded.
String ReceiptImage(StringView aText);
// Standard Base64 (RFC 4648) with "=" padding, without line breaks.
String Base64Encode(const std::string& aBytes);

}  // namespace qx
