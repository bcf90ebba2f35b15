// The library's own BSTR allocator, with the layout of the Windows one.
#include "platform/bstr_allocator.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace qx {

namespace {

// The prefix and the text are one block; four bytes of prefix keep the characters aligned.
constexpr size_t kPrefix = sizeof(uint32_t);

}  // namespace

Bstr BstrAlloc(const char16_t* aText, uint32_t aLength) {
  const uint64_t bytes = static_cast<uint64_t>(aLength) * sizeof(char16_t);
  if (bytes > std::numeric_limits<uint32_t>::max() - kPrefix - sizeof(char16_t)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(char16_t)));
  if (block == nullptr) return nullptr;
  const uint32_t byteLength = static_cast<uint32_t>(bytes);
  std::memcpy(block, &byteLength, kPrefix);
  auto* text = reinterpret_cast<char16_t*>(block + kPrefix);
  if (aText != nullptr) {
    std::memcpy(text, aText, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  text[aLength] = u'\0';
  return text;
}

void BstrFree(Bstr aText) {
  if (aText != nullptr) std::free(reinterpret_cast<unsigned char*>(aText) - kPrefix);
}

uint32_t BstrLength(const char16_t* aText) {
  if (aText == nullptr) return 0;
  uint32_t byteLength = 0;
  std::memcpy(&byteLength, reinterpret_cast<const unsigned char*>(aText) - kPrefix, kPrefix);
  return byteLength / sizeof(char16_t);
}

}  // namespace qx
