#include "results/answer_writer.h"

#include "support/text_functions.h"

namespace qx {

String XmlEscape(StringView aText) {
  String out;
  out.reserve(aText.size());
  for (const char16_t c : aText) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

String BooleanText(bool aValue) { return aValue ? u"True" : u"False"; }

void AnswerWriter::Separate() {
  if (!fFirst && !fGlued) fText += u"\r\n";
  fFirst = false;
  fGlued = false;
}

AnswerWriter& AnswerWriter::Raw(StringView aText) {
  Separate();
  fText.append(aText);
  return *this;
}

AnswerWriter& AnswerWriter::Text(StringView aTag, StringView aValue) {
  Separate();
  fText += u'<';
  fText.append(aTag);
  fText += u'>';
  fText.append(aValue);
  fText += u"</";
  fText.append(aTag);
  fText += u'>';
  return *this;
}

AnswerWriter& AnswerWriter::Escaped(StringView aTag, StringView aValue) { return Text(aTag, XmlEscape(aValue)); }

AnswerWriter& AnswerWriter::Boolean(StringView aTag, bool aValue) { return Text(aTag, BooleanText(aValue)); }

AnswerWriter& AnswerWriter::Integer(StringView aTag, int64_t aValue) { return Text(aTag, IntToStr(aValue)); }

AnswerWriter& AnswerWriter::Amount(StringView aTag, Currency aValue) { return Text(aTag, aValue.ToText()); }

AnswerWriter& AnswerWriter::DateTime(StringView aTag, TDateTime aValue) {
  return Text(aTag, DateTimeToText(false, aValue));
}

AnswerWriter& AnswerWriter::Glued() {
  fGlued = true;
  return *this;
}

AnswerWriter& AnswerWriter::Tail(bool aError, StringView aErrorText, StringView aLogFileName) {
  return Boolean(u"Error", aError).Escaped(u"ErrorText", aErrorText).Escaped(u"LogFileName", aLogFileName);
}

}  // namespace qx
