// The regional settings of the Windows user: separators and the short date pattern, read with
// GetLocaleInfoEx without changing anything of the host process.
#include "platform/locale.h"

#include <windows.h>

#include <string>

#include "platform/windows/system_text.h"

namespace qx::platform {

namespace {

String LocaleText(const wchar_t* aLocale, LCTYPE aType) {
  wchar_t buffer[128];
  const int length = ::GetLocaleInfoEx(aLocale, aType, buffer, 128);
  if (length <= 1) return String();
  return FromWide(buffer, static_cast<size_t>(length - 1));
}

char16_t FirstCharacter(const String& aText, char16_t aDefault) { return aText.empty() ? aDefault : aText.front(); }

// The user's locale name for an empty name; otherwise the name given ("it-IT"; the POSIX form
// "it_IT" is taken too).
std::wstring LocaleName(const char* aLocaleName) {
  if (aLocaleName == nullptr || *aLocaleName == '\0') return std::wstring();
  std::wstring name;
  for (const char* c = aLocaleName; *c != '\0' && *c != '.' && *c != '@'; ++c)
    name += *c == '_' ? L'-' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return name;
}

const wchar_t* LocaleArgument(const std::wstring& aName) {
  return aName.empty() ? LOCALE_NAME_USER_DEFAULT : aName.c_str();
}

const NumberSeparators& UserSeparators() {
  static const NumberSeparators separators = ReadNumberSeparators("");
  return separators;
}

}  // namespace

NumberSeparators ReadNumberSeparators(const char* aLocaleName) {
  NumberSeparators result;
  const std::wstring name = LocaleName(aLocaleName);
  result.Decimal = FirstCharacter(LocaleText(LocaleArgument(name), LOCALE_SDECIMAL), result.Decimal);
  result.Thousand = FirstCharacter(LocaleText(LocaleArgument(name), LOCALE_STHOUSAND), result.Thousand);
  return result;
}

char16_t DecimalSeparator() { return UserSeparators().Decimal; }

char16_t ThousandSeparator() { return UserSeparators().Thousand; }

char16_t TimeSeparator() {
  static const char16_t separator = FirstCharacter(LocaleText(LOCALE_NAME_USER_DEFAULT, LOCALE_STIME), u':');
  return separator;
}

String ShortDateFormat() {
  // Windows writes the month as "M" and quotes literal text; the library's patterns write the
  // month as "m" and have no quoting. Day and month names ("ddd", "MMM") have no place in a
  // short date and become their numeric forms.
  static const String format = [] {
    const String system = LocaleText(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE);
    String out;
    bool quoted = false;
    for (size_t i = 0; i < system.size(); ++i) {
      const char16_t c = system[i];
      if (c == u'\'') {
        quoted = !quoted;
        continue;
      }
      if (quoted) {
        out += c;
        continue;
      }
      size_t run = 1;
      while (i + run < system.size() && system[i + run] == c) ++run;
      switch (c) {
        case u'd': out += run >= 2 ? u"dd" : u"d"; break;
        case u'M': out += run >= 2 ? u"mm" : u"m"; break;
        case u'y': out += run >= 3 ? u"yyyy" : u"yy"; break;
        case u'g': break;  // era name
        default: out.append(run, c); break;
      }
      i += run - 1;
    }
    return out.empty() || out.find(u'd') == String::npos ? String(u"dd/mm/yyyy") : out;
  }();
  return format;
}

}  // namespace qx::platform
