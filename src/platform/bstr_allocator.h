// The allocator of the length-prefixed UTF-16 strings (BSTR) that cross the exported functions:
// a 32-bit byte length, the characters, and a NUL character after them; the pointer points at
// the first character. On Windows it is the system's (OLEAUT32), shared with every caller; on
// Linux it is the library's own, exported as SysAllocStringLen, SysFreeString and SysStringLen.
#pragma once

#include <cstdint>

namespace qx {

using Bstr = char16_t*;

// A copy of aLength characters of aText (NUL characters when aText is null); null when memory
// is short or the length cannot be represented.
Bstr BstrAlloc(const char16_t* aText, uint32_t aLength);
void BstrFree(Bstr aText);
// Length in characters; 0 for null.
uint32_t BstrLength(const char16_t* aText);

}  // namespace qx
