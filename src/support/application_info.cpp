#include "support/application_info.h"


#include "platform/locale.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// String identifiers are 16-bit where the table comes from; a lookup that never runs dry still
// ends there.
constexpr int32_t kLastStringId = 65535;

int32_t NumberOrOne(StringView aText) { return StrToIntDef(aText, 1); }

StringView Copy(StringView aText, size_t aPos, size_t aCount) {
  if (aPos < 1 || aPos > aText.size()) return {};
  return aText.substr(aPos - 1, aCount);
}

}  // namespace

TDateTime ReleaseDateFromText(StringView aText) {
  const int day = NumberOrOne(Copy(aText, 1, 2));
  const int month = NumberOrOne(Copy(aText, 4, 2));
  const int year = NumberOrOne(Copy(aText, 7, 4));
  TDateTime value = 0;
  if (!TryEncodeDateTime({year, month, day, 0, 0, 0, 0}, value)) return 0;
  return value;
}

String ShortDateText(TDateTime aDate) {
  if (aDate == 0) return String();
  const DateTimeParts parts = DecodeDateTime(aDate);
  const String pattern = platform::ShortDateFormat();
  String out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == u'd' && run <= 2) {
      out += PadLeft(IntToStr(parts.Day), run, u'0');
    } else if (c == u'm' && run <= 2) {
      out += PadLeft(IntToStr(parts.Month), run, u'0');
    } else if (c == u'y' && run == 4) {
      out += PadLeft(IntToStr(parts.Year), 4, u'0');
    } else if (c == u'y' && run == 2) {
      out += PadLeft(IntToStr(parts.Year % 100), 2, u'0');
    } else {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

void tQX_ApplicationInfo::Load(const StringLookup& aStrings) {
  fDescription.clear();
  fCopyright.clear();
  fVersion.clear();
  fReleaseDate = 0;
  fHistory.clear();
  if (!aStrings) return;

  int32_t misses = 0;
  for (int32_t id = kFirstVersionStringId; misses < kMaxMissingIds && id <= kLastStringId; ++id) {
    String record = aStrings(id);
    if (record.empty()) {
      ++misses;
      continue;
    }
    misses = 0;
    if (record.size() > kMaxRecordLength) record.resize(kMaxRecordLength);
    Apply(UpperCase(GetTextField(record, 1, u'=')), GetTextField(record, 2, u'=', true));
  }
}

void tQX_ApplicationInfo::Apply(StringView aKey, StringView aValue) {
  if (aKey == kDescriptionKey) {
    fDescription = aValue;
  } else if (aKey == kCopyrightKey) {
    fCopyright = aValue;
  } else if (aKey == kVersionKey) {
    fHistory.emplace_back().SetVersion(aValue);
    fVersion = aValue;
  } else if (fHistory.empty()) {
    // Entry records before the first version have no entry to go to.
  } else if (aKey == kReleaseDateKey) {
    fReleaseDate = ReleaseDateFromText(aValue);
    fHistory.back().SetReleaseDate(fReleaseDate);
  } else if (aKey == kAuthorKey) {
    fHistory.back().SetAuthor(aValue);
  } else if (aKey == kTextKey || aKey == kPTextKey) {
    fHistory.back().Text().emplace_back(aValue);
  }
}

String tQX_ApplicationInfo::VersionString() const {
  return u"[" + fVersion + u" - " + ShortDateText(fReleaseDate) + u"]";
}

}  // namespace qx
