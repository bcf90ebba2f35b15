#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <string_view>

namespace qx::platform {

namespace {

// A separator as the locale stores it: UTF-8 in UTF-8 locales, one byte in the 8-bit ones (read
// as Latin-1, which covers the no-break space of the Western code pages). Empty gives aDefault.
char16_t FirstCharacter(const char* aText, char16_t aDefault) {
  if (aText == nullptr || *aText == '\0') return aDefault;
  const std::string_view bytes(aText);
  const String text = FromUtf8(bytes);
  if (!text.empty() && text.find(u'\uFFFD') == String::npos) return text.front();
  return static_cast<char16_t>(static_cast<unsigned char>(bytes.front()));
}

}  // namespace

NumberSeparators ReadNumberSeparators(const char* aLocaleName) {
  NumberSeparators result;
  // A private locale object: the process's own locale (setlocale) stays as the host set it.
  locale_t locale = newlocale(LC_NUMERIC_MASK, aLocaleName != nullptr ? aLocaleName : "", locale_t{});
  if (locale == locale_t{}) return result;
  result.Decimal = FirstCharacter(nl_langinfo_l(RADIXCHAR, locale), result.Decimal);
  result.Thousand = FirstCharacter(nl_langinfo_l(THOUSEP, locale), result.Thousand);
  freelocale(locale);
  return result;
}

namespace {

const NumberSeparators& EnvironmentSeparators() {
  static const NumberSeparators separators = ReadNumberSeparators("");
  return separators;
}

}  // namespace

char16_t DecimalSeparator() { return EnvironmentSeparators().Decimal; }

char16_t ThousandSeparator() { return EnvironmentSeparators().Thousand; }

char16_t TimeSeparator() { return u':'; }

String ShortDateFormat() { return u"dd/mm/yyyy"; }

}  // namespace qx::platform
