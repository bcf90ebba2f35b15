#include "exports/bstr.h"

#include <limits>

namespace qx {

Bstr BstrFromString(StringView aText) {
  if (aText.empty()) return nullptr;
  if (aText.size() > std::numeric_limits<uint32_t>::max() / sizeof(char16_t)) return nullptr;
  return BstrAlloc(aText.data(), static_cast<uint32_t>(aText.size()));
}

String BstrToString(const char16_t* aText) {
  if (aText == nullptr) return String();
  return String(aText, BstrLength(aText));
}

}  // namespace qx
