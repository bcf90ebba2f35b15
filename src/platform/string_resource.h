// The library's own string table: texts by numeric identifier, as the version information reads
// them. On Windows a string-table resource of the DLL, read with LoadStringW; on Linux the same
// records compiled into the library.
#pragma once

#include <cstdint>

#include "support/text.h"

namespace qx::platform {

// The text of the identifier, at most 1024 characters; empty when the table has no such string.
String LoadStringResource(int32_t aId);

}  // namespace qx::platform
