/* The public header compiles as C, and its declarations have the types a C caller expects. */
#include "QXRP_EPSFPNAT_20.h"

static QXRP_RESULT (*const kRequest)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*) = PRINTFR;
static QXRP_RESULT (*const kVersion)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*) = VERSION;
static QXRP_BSTR (*const kAlloc)(const QXRP_OLECHAR*, uint32_t) = SysAllocStringLen;

int qx_header_check(void) { return kRequest != 0 && kVersion != 0 && kAlloc != 0; }
