// An owning list of table entries that each carry an Index (the printer's slot) and a Code,
// with the two lookups the driver and the device core use.
#pragma once

#include <cstdint>

#include "documents/owned_list.h"
#include "support/text.h"

namespace qx {

template <typename T>
class kCodedTable : public kOwnedList<T> {
 public:
  // The first entry whose code equals aCode exactly (case-sensitive), or nullptr.
  T* Get(StringView aCode) const {
    for (T& entry : *this) {
      if (entry.fCode == aCode) return &entry;
    }
    return nullptr;
  }
  // The first entry with that index, or nullptr.
  T* GetByIndex(int32_t aIndex) const {
    for (T& entry : *this) {
      if (entry.fIndex == aIndex) return &entry;
    }
    return nullptr;
  }
};

}  // namespace qx
