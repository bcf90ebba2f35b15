// UTF-8 <-> UTF-16 for the programs that call the library from outside (fpcall, the end-to-end
// tests): they link none of the library's code, so they bring their own conversion.
#pragma once

#include <cstdint>
#include <string>

namespace qxtools {

inline std::u16string U16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int n = 1;
    if (c >= 0xF0) cp = c & 7, n = 4;
    else if (c >= 0xE0) cp = c & 15, n = 3;
    else if (c >= 0xC0) cp = c & 31, n = 2;
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 63);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

inline std::string U8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) out += static_cast<char>(0xC0 | (cp >> 6)), out += static_cast<char>(0x80 | (cp & 63));
    else if (cp < 0x10000)
      out += static_cast<char>(0xE0 | (cp >> 12)), out += static_cast<char>(0x80 | ((cp >> 6) & 63)),
          out += static_cast<char>(0x80 | (cp & 63));
    else
      out += static_cast<char>(0xF0 | (cp >> 18)), out += static_cast<char>(0x80 | ((cp >> 12) & 63)),
          out += static_cast<char>(0x80 | ((cp >> 6) & 63)), out += static_cast<char>(0x80 | (cp & 63));
  }
  return out;
}

}  // namespace qxtools
