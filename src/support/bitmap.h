// A picture in memory: rows from top to bottom, each pixel 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

struct Bitmap {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint32_t> Pixels;  // Width * Height entries

  bool Empty() const { return Width <= 0 || Height <= 0; }
  // Sizes and pixels agree.
  bool WellFormed() const {
    return Width > 0 && Height > 0 && Pixels.size() == static_cast<size_t>(Width) * static_cast<size_t>(Height);
  }
};

}  // namespace qx
