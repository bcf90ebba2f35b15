// A set of values of a small enumeration, one bit per ordinal (bit n = ordinal n), as the request
// vocabulary and the device capabilities use them.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qx {

template <typename E, int N>
class EnumSet {
  static_assert(N > 0 && N <= 32, "EnumSet holds at most 32 values");

 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> aValues) {
    for (E v : aValues) Include(v);
  }
  static constexpr EnumSet FromBits(uint32_t aBits) {
    EnumSet s;
    s.fBits = aBits & kAll;
    return s;
  }

  constexpr void Include(E aValue) {
    if (InRange(aValue)) fBits |= Bit(aValue);
  }
  constexpr void Exclude(E aValue) {
    if (InRange(aValue)) fBits &= ~Bit(aValue);
  }
  constexpr bool Contains(E aValue) const { return InRange(aValue) && (fBits & Bit(aValue)) != 0; }
  constexpr bool Empty() const { return fBits == 0; }
  constexpr uint32_t Bits() const { return fBits; }

  constexpr EnumSet operator|(EnumSet b) const { return FromBits(fBits | b.fBits); }
  constexpr EnumSet operator&(EnumSet b) const { return FromBits(fBits & b.fBits); }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr uint32_t kAll = N == 32 ? 0xFFFFFFFFu : ((1u << N) - 1u);
  static constexpr bool InRange(E aValue) {
    return static_cast<int>(aValue) >= 0 && static_cast<int>(aValue) < N;
  }
  static constexpr uint32_t Bit(E aValue) { return 1u << static_cast<int>(aValue); }

  uint32_t fBits = 0;
};

}  // namespace qx
