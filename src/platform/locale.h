// The environment's regional settings that the library's texts use. The host process's own
// locale is never changed: the settings are read from the environment (LC_ALL, LC_NUMERIC, LANG)
// into a private locale object.
#pragma once

#include "support/text.h"

namespace qx::platform {

struct NumberSeparators {
  char16_t Decimal = u'.';
  char16_t Thousand = u',';
};

// Reads the separators of the named locale ("" means the one the environment names). A locale
// that cannot be loaded, or that gives no separator, leaves the defaults "." and ",".
NumberSeparators ReadNumberSeparators(const char* aLocaleName);

// The environment's separators, read once per process.
char16_t DecimalSeparator();
char16_t ThousandSeparator();
// Separator between hours, minutes and seconds.
char16_t TimeSeparator();
// Short date pattern: "dd", "d", "mm", "m", "yyyy", "yy"; anything else is literal.
String ShortDateFormat();

}  // namespace qx::platform
