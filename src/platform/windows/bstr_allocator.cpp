// BSTRs from the system's allocator (OLEAUT32), the one every Windows caller frees with.
#include "platform/bstr_allocator.h"

#include <windows.h>
#include <oleauto.h>

namespace qx {

Bstr BstrAlloc(const char16_t* aText, uint32_t aLength) {
  // SysAllocStringLen takes the length as a 32-bit count and adds the prefix and the NUL itself;
  // lengths whose byte count does not fit 32 bits are refused here, as the Linux allocator does.
  if (aLength > (0xFFFFFFFFu - 6u) / sizeof(char16_t)) return nullptr;
  return reinterpret_cast<Bstr>(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(aText), aLength));
}

void BstrFree(Bstr aText) { ::SysFreeString(reinterpret_cast<BSTR>(aText)); }

uint32_t BstrLength(const char16_t* aText) {
  return ::SysStringLen(reinterpret_cast<BSTR>(const_cast<char16_t*>(aText)));
}

}  // namespace qx
