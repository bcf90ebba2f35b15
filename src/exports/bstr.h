// Length-prefixed UTF-16 strings shared with the calling program and the companion libraries:
// a 32-bit byte length, the characters, and a NUL character after them. The pointer handed out
// points at the first character, as callers expect.
#pragma once

#include <cstdint>

#include "support/text.h"

namespace qx {

using Bstr = char16_t*;

Bstr BstrAlloc(const char16_t* aText, uint32_t aLength);
void BstrFree(Bstr aText);
uint32_t BstrLength(const char16_t* aText);
// A new string with aText, or null for an empty text (as the system allocator's callers expect).
Bstr BstrFromString(StringView aText);
String BstrToString(const char16_t* aText);

}  // namespace qx
