// The string allocator that the Linux library exports under the Windows names, so that callers
// and companion libraries share one allocator with it. (On Windows they are OLEAUT32's.)
#include "QXRP_EPSFPNAT_20.h"
#include "platform/bstr_allocator.h"

using namespace qx;

QXRP_API QXRP_BSTR QXRP_CALL SysAllocStringLen(const QXRP_OLECHAR* aText, uint32_t aLength) {
  return reinterpret_cast<QXRP_BSTR>(BstrAlloc(reinterpret_cast<const char16_t*>(aText), aLength));
}

QXRP_API void QXRP_CALL SysFreeString(QXRP_BSTR aText) { BstrFree(reinterpret_cast<char16_t*>(aText)); }

QXRP_API uint32_t QXRP_CALL SysStringLen(QXRP_BSTR aText) {
  return BstrLength(reinterpret_cast<const char16_t*>(aText));
}
