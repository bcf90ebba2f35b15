#include "support/text.h"

#include <limits>

#include "support/error.h"

namespace qx {

namespace {

// Windows-1252 bytes 80h-9Fh; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& aOut, uint32_t aCode) {
  if (aCode < 0x80) {
    aOut += static_cast<char>(aCode);
  } else if (aCode < 0x800) {
    aOut += static_cast<char>(0xC0 | (aCode >> 6));
    aOut += static_cast<char>(0x80 | (aCode & 0x3F));
  } else if (aCode < 0x10000) {
    aOut += static_cast<char>(0xE0 | (aCode >> 12));
    aOut += static_cast<char>(0x80 | ((aCode >> 6) & 0x3F));
    aOut += static_cast<char>(0x80 | (aCode & 0x3F));
  } else {
    aOut += static_cast<char>(0xF0 | (aCode >> 18));
    aOut += static_cast<char>(0x80 | ((aCode >> 12) & 0x3F));
    aOut += static_cast<char>(0x80 | ((aCode >> 6) & 0x3F));
    aOut += static_cast<char>(0x80 | (aCode & 0x3F));
  }
}

void AppendUtf16(String& aOut, uint32_t aCode) {
  if (aCode < 0x10000) {
    aOut += static_cast<char16_t>(aCode);
  } else {
    aCode -= 0x10000;
    aOut += static_cast<char16_t>(0xD800 + (aCode >> 10));
    aOut += static_cast<char16_t>(0xDC00 + (aCode & 0x3FF));
  }
}

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }
char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }

}  // namespace

String FromUtf8(std::string_view aText) {
  String out;
  out.reserve(aText.size());
  size_t i = 0;
  const size_t n = aText.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(aText[i]);
    if (b0 < 0x80) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    int len = 0;
    uint32_t code = 0;
    uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
      len = 2, code = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      len = 3, code = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      len = 4, code = b0 & 0x07, min = 0x10000;
    }
    bool ok = len > 0 && i + len <= n;
    for (int k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(aText[i + k]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
      } else {
        code = (code << 6) | (b & 0x3F);
      }
    }
    if (ok && (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) ok = false;
    if (!ok) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    AppendUtf16(out, code);
    i += len;
  }
  return out;
}

std::string ToUtf8(StringView aText) {
  std::string out;
  out.reserve(aText.size());
  for (size_t i = 0; i < aText.size(); ++i) {
    uint32_t c = aText[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < aText.size() && aText[i + 1] >= 0xDC00 &&
        aText[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (aText[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

String FromLatin1(std::string_view aBytes) {
  String out(aBytes.size(), u'\0');
  for (size_t i = 0; i < aBytes.size(); ++i) out[i] = static_cast<unsigned char>(aBytes[i]);
  return out;
}

std::string ToLatin1(StringView aText) {
  std::string out(aText.size(), '\0');
  for (size_t i = 0; i < aText.size(); ++i)
    out[i] = aText[i] <= 0xFF ? static_cast<char>(aText[i]) : '?';
  return out;
}

std::string ToCp1252(StringView aText) {
  std::string out(aText.size(), '\0');
  for (size_t i = 0; i < aText.size(); ++i) {
    const char16_t c = aText[i];
    char b = '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      b = static_cast<char>(c);
    } else {
      for (int k = 0; k < 32; ++k) {
        if (kCp1252High[k] != 0 && kCp1252High[k] == c) {
          b = static_cast<char>(0x80 + k);
          break;
        }
      }
    }
    out[i] = b;
  }
  return out;
}

String FromCp1252(std::string_view aBytes) {
  String out(aBytes.size(), u'\0');
  for (size_t i = 0; i < aBytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(aBytes[i]);
    if (b >= 0x80 && b < 0xA0) {
      out[i] = kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    } else {
      out[i] = b;
    }
  }
  return out;
}

String UpperCase(StringView aText) {
  String out(aText);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

String LowerCase(StringView aText) {
  String out(aText);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

bool SameText(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsText(StringView aPrefix, StringView aText) {
  return aText.size() >= aPrefix.size() && SameText(aPrefix, aText.substr(0, aPrefix.size()));
}

String TrimLeft(StringView aText) {
  size_t b = 0;
  while (b < aText.size() && aText[b] <= u' ') ++b;
  return String(aText.substr(b));
}

String TrimRight(StringView aText) {
  size_t e = aText.size();
  while (e > 0 && aText[e - 1] <= u' ') --e;
  return String(aText.substr(0, e));
}

String Trim(StringView aText) { return TrimLeft(TrimRight(aText)); }

String ReplaceAll(StringView aText, StringView aFrom, StringView aTo) {
  if (aFrom.empty()) return String(aText);
  String out;
  out.reserve(aText.size());
  size_t pos = 0;
  for (;;) {
    const size_t hit = aText.find(aFrom, pos);
    if (hit == StringView::npos) break;
    out.append(aText.substr(pos, hit - pos));
    out.append(aTo);
    pos = hit + aFrom.size();
  }
  out.append(aText.substr(pos));
  return out;
}

String JoinLines(const StringList& aLines) {
  size_t size = 0;
  for (const String& line : aLines) size += line.size() + 2;
  String text;
  text.reserve(size);
  for (const String& line : aLines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

StringList SplitLines(StringView aText) {
  StringList lines;
  size_t start = 0;
  size_t i = 0;
  while (i < aText.size()) {
    if (aText[i] == u'\r' || aText[i] == u'\n') {
      lines.emplace_back(aText.substr(start, i - start));
      if (aText[i] == u'\r' && i + 1 < aText.size() && aText[i + 1] == u'\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < aText.size()) lines.emplace_back(aText.substr(start));
  return lines;
}

String IntToStr(int64_t aValue) {
  const std::string s = std::to_string(aValue);
  return String(s.begin(), s.end());
}

bool TryStrToInt64(StringView aText, int64_t& aValue) {
  size_t i = 0;
  while (i < aText.size() && aText[i] == u' ') ++i;
  bool negative = false;
  if (i < aText.size() && (aText[i] == u'-' || aText[i] == u'+')) negative = aText[i++] == u'-';
  if (i >= aText.size()) return false;
  // Accumulate as a negative number so that INT64_MIN is reachable.
  int64_t value = 0;
  for (; i < aText.size(); ++i) {
    const char16_t c = aText[i];
    if (c < u'0' || c > u'9') return false;
    const int digit = c - u'0';
    if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) return false;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == std::numeric_limits<int64_t>::min()) return false;
    value = -value;
  }
  aValue = value;
  return true;
}

bool TryStrToInt(StringView aText, int32_t& aValue) {
  int64_t v = 0;
  if (!TryStrToInt64(aText, v) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    return false;
  aValue = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(StringView aText) {
  int32_t v = 0;
  if (!TryStrToInt(aText, v)) throw Error(u"'" + String(aText) + u"' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(StringView aText, int32_t aDefault) {
  int32_t v = 0;
  return TryStrToInt(aText, v) ? v : aDefault;
}

String FormatText(StringView aPattern, std::initializer_list<StringView> aArgs) {
  String out;
  auto arg = aArgs.begin();
  for (size_t i = 0; i < aPattern.size(); ++i) {
    if (aPattern[i] == u'%' && i + 1 < aPattern.size()) {
      if (aPattern[i + 1] == u's') {
        if (arg != aArgs.end()) out.append(*arg++);
        ++i;
        continue;
      }
      if (aPattern[i + 1] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
    }
    out += aPattern[i];
  }
  return out;
}

String PadLeft(StringView aText, size_t aWidth, char16_t aFill) {
  String out;
  if (aText.size() < aWidth) out.assign(aWidth - aText.size(), aFill);
  out.append(aText);
  return out;
}

String PadRight(StringView aText, size_t aWidth, char16_t aFill) {
  String out(aText);
  if (out.size() < aWidth) out.append(aWidth - out.size(), aFill);
  return out;
}

}  // namespace qx
