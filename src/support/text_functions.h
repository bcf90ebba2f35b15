// Text forms of dates, times and numbers as the XML documents and the printer protocol use them.
// All functions are pure and may be called from any thread.
#pragma once

#include <cstdint>

#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// "yyyy-mm-ddThh:nn:ss", with ".zzz" appended when aWithMilliseconds; literal separators.
String DateTimeToText(bool aWithMilliseconds, TDateTime aDateTime);

// The forms printed on paper: "dd-mm-yyyy", and "dd-mm-yyyy hh:nn" with ":ss" when aSeconds.
String PrintedDate(TDateTime aDate);
String PrintedDateTime(TDateTime aDateTime, bool aSeconds);

// Reads the fixed-position form yyyy?mm?dd?hh?nn?ss[?zzz] (the characters between the fields are
// not examined; milliseconds are 0 when missing or not a number). Raises
// "DateTime Format invalid: [<text>]" on any other failure.
TDateTime TextToDateTime(StringView aText);

// Rounds to two decimals, halves away from zero.
Currency RoundAmount(Currency aValue);

// Fixed-width numeric field: the number with aDecimals decimals, the point replaced by
// aSeparator (empty: implied decimals), zero-filled on the left and cut to the last aWidth
// characters; with aWithSign the first character becomes "-" or "+".
String FormatNumberField(double aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign = false,
                         StringView aSeparator = u"");
String FormatNumberField(Currency aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign = false,
                         StringView aSeparator = u"");
// A numeric text; raises "'<text>' is not a valid floating point value" when it is no number.
String FormatNumberField(StringView aValue, int32_t aWidth, int32_t aDecimals, bool aWithSign = false,
                         StringView aSeparator = u"");

// Field aIndex (from 1) of aText split at aSeparator; with aToEnd, everything from the start of
// that field to the end of the text, separators included. Empty when there are fewer fields.
String GetTextField(StringView aText, int32_t aIndex, char16_t aSeparator, bool aToEnd = false);

}  // namespace qx
