#include "transport/input_buffer.h"

#include <algorithm>

namespace qx {

InputBuffer::Terminators::Terminators(const std::vector<uint8_t>& aBytes) {
  for (const uint8_t b : aBytes) fIs[b] = true;
}

void InputBuffer::Clear() {
  fBytes.clear();
  fPos = 0;
}

void InputBuffer::Append(const char* aData, size_t aSize) {
  if (fPos > 0) {
    fBytes.erase(0, fPos);
    fPos = 0;
  }
  fBytes.append(aData, aSize);
}

bool InputBuffer::TakeUpTo(const Terminators& aTerminators, size_t aLimit, String& aOut) {
  const size_t end = fPos + std::min(aLimit, Size());
  size_t i = fPos;
  bool found = false;
  while (i < end && !found) found = aTerminators.Has(static_cast<uint8_t>(fBytes[i++]));
  for (size_t k = fPos; k < i; ++k) aOut += static_cast<char16_t>(static_cast<uint8_t>(fBytes[k]));
  fPos = i;
  return found;
}

size_t InputBuffer::TakeChars(size_t aCount, String& aOut) {
  const size_t n = std::min(aCount, Size());
  for (size_t k = fPos; k < fPos + n; ++k) aOut += static_cast<char16_t>(static_cast<uint8_t>(fBytes[k]));
  fPos += n;
  return n;
}

std::string InputBuffer::TakeBytes(size_t aCount) {
  const size_t n = std::min(aCount, Size());
  std::string out = fBytes.substr(fPos, n);
  fPos += n;
  return out;
}

}  // namespace qx
