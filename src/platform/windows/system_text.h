// Text at the Windows API boundary: the library's UTF-16 strings are the system's wide strings
// (wchar_t is 16 bits with mingw-w64 as with every Windows compiler), and system error numbers
// become their message text.
#pragma once

#include <windows.h>

#include <string>

#include "support/text.h"

namespace qx::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline std::wstring Wide(StringView aText) {
  return std::wstring(reinterpret_cast<const wchar_t*>(aText.data()), aText.size());
}

inline String FromWide(const wchar_t* aText, size_t aLength) {
  return String(reinterpret_cast<const char16_t*>(aText), aLength);
}

inline String FromWide(const std::wstring& aText) { return FromWide(aText.data(), aText.size()); }

// The system's message for an error number, without its trailing line break and full stop.
inline String SystemMessage(DWORD aError) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, aError,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  String text = length != 0 && buffer != nullptr ? FromWide(buffer, length) : String();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u'.' || text.back() == u' '))
    text.pop_back();
  if (text.empty()) text = u"System error";
  return text;
}

// Message and number, as the transports show system failures: "<message> (error #<n>)".
inline String SystemErrorText(DWORD aError) {
  return SystemMessage(aError) + u" (error #" + IntToStr(static_cast<int64_t>(aError)) + u")";
}

}  // namespace qx::platform
