#include "support/string_table.h"

#include "platform/string_resource.h"

namespace qx {

String LibraryString(int32_t aId) {
  if (aId < kFirstVersionStringId) return String();
  return platform::LoadStringResource(aId);
}

}  // namespace qx
