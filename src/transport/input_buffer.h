// Bytes received from the line and not yet handed to a reader. One system read takes whatever
// the line has pending; readers then take bytes from here up to and including a terminator, or
// a count of them, and the rest waits for the next read, so no reader ever consumes a byte past
// what it asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/text.h"

namespace qx {

class InputBuffer {
 public:
  // A set of terminator bytes, looked up by value.
  class Terminators {
   public:
    explicit Terminators(const std::vector<uint8_t>& aBytes);
    bool Has(uint8_t aByte) const { return fIs[aByte]; }

   private:
    bool fIs[256] = {};
  };

  size_t Size() const { return fBytes.size() - fPos; }
  bool Empty() const { return fPos == fBytes.size(); }
  void Clear();
  void Append(const char* aData, size_t aSize);

  // Moves bytes to aOut as the characters U+0000-U+00FF, up to and including the first
  // terminator and at most aLimit of them; true when a terminator was taken.
  bool TakeUpTo(const Terminators& aTerminators, size_t aLimit, String& aOut);
  // Moves at most aCount bytes to aOut as characters; returns how many.
  size_t TakeChars(size_t aCount, String& aOut);
  // Exactly aCount bytes; the caller has checked that Size() holds them.
  std::string TakeBytes(size_t aCount);

 private:
  std::string fBytes;
  size_t fPos = 0;
};

}  // namespace qx
