// The library's string table: the description, rights notice and version history records that
// the application information reads (platform/string_resource.h holds them).
#pragma once

#include <cstdint>
#include <functional>

#include "support/text.h"

namespace qx {

// Gives the text of a string identifier; an empty text means there is no such string. The
// application information reads its records through one of these, so any table can feed it.
using StringLookup = std::function<String(int32_t aId)>;

// Identifier of the first record of the version table; the others follow without gaps.
inline constexpr int32_t kFirstVersionStringId = 10000;

// The library's own table.
String LibraryString(int32_t aId);

}  // namespace qx
