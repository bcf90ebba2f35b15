// Writes an answer text: a run of elements (opening tag, value, closing tag), normally
// separated by CR LF, with no declaration, no root element and nothing after the last element.
#pragma once

#include <cstdint>

#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// "&" first, then "<", ">", the double quote and the apostrophe, so that the entities made by
// the later steps are not escaped again.
String XmlEscape(StringView aText);
String BooleanText(bool aValue);  // "True" or "False"

class AnswerWriter {
 public:
  // Each element call puts the separator in front of the element unless it is the first one or
  // the previous call asked for none (Glued).
  AnswerWriter& Text(StringView aTag, StringView aValue);      // raw value
  AnswerWriter& Escaped(StringView aTag, StringView aValue);   // XmlEscape of the value
  AnswerWriter& Boolean(StringView aTag, bool aValue);
  AnswerWriter& Integer(StringView aTag, int64_t aValue);
  AnswerWriter& Amount(StringView aTag, Currency aValue);
  AnswerWriter& DateTime(StringView aTag, TDateTime aValue);
  // Text written as it is, with the usual separator in front.
  AnswerWriter& Raw(StringView aText);
  // The next element follows without CR LF.
  AnswerWriter& Glued();
  // The common tail of every answer: Error, ErrorText, LogFileName.
  AnswerWriter& Tail(bool aError, StringView aErrorText, StringView aLogFileName);

  const String& Result() const { return fText; }

 private:
  void Separate();
  String fText;
  bool fFirst = true;
  bool fGlued = false;
};

}  // namespace qx
