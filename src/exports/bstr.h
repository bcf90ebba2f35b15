// Length-prefixed UTF-16 strings shared with the calling program and the companion libraries:
// a 32-bit byte length, the characters, and a NUL character after them. The pointer handed out
// points at the first character, as callers expect.
#pragma once

#include <cstdint>

#include "platform/bstr_allocator.h"
#include "support/text.h"

namespace qx {

// A new string with aText, or null for an empty text (as the system allocator's callers expect).
Bstr BstrFromString(StringView aText);
String BstrToString(const char16_t* aText);

}  // namespace qx
