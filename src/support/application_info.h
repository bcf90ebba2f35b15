// The library's description, version, release date and change history, read from a string
// table of "key=value" records.
#pragma once

#include <cstdint>
#include <vector>

#include "support/date_time.h"
#include "support/string_table.h"
#include "support/text.h"

namespace qx {

// One release: its version, date, author and the lines of its change note.
class tQX_ApplicationHistory {
 public:
  tQX_ApplicationHistory() = default;

  const String& Version() const { return fVersion; }
  void SetVersion(StringView aValue) { fVersion = aValue; }
  TDateTime ReleaseDate() const { return fReleaseDate; }
  void SetReleaseDate(TDateTime aValue) { fReleaseDate = aValue; }
  const String& Author() const { return fAuthor; }
  void SetAuthor(StringView aValue) { fAuthor = aValue; }
  const StringList& Text() const { return fText; }
  StringList& Text() { return fText; }

 private:
  String fVersion;
  TDateTime fReleaseDate = 0;
  String fAuthor;
  StringList fText;
};

class tQX_ApplicationInfo {
 public:
  // Keys of the table's records, compared without regard to case.
  static constexpr char16_t kDescriptionKey[] = u"$APPDESCRIPTION";
  static constexpr char16_t kCopyrightKey[] = u"$COPYRIGHT";
  static constexpr char16_t kVersionKey[] = u"$VERSION";
  static constexpr char16_t kReleaseDateKey[] = u"$RELEASEDATE";
  static constexpr char16_t kAuthorKey[] = u"$AUTHOR";
  static constexpr char16_t kTextKey[] = u"$TEXT";
  static constexpr char16_t kPTextKey[] = u"$PTEXT";
  // Longest record text that is read; the rest of a longer one is ignored.
  static constexpr size_t kMaxRecordLength = 1024;
  // Reading stops after this many identifiers in a row without a string.
  static constexpr int32_t kMaxMissingIds = 11;

  tQX_ApplicationInfo() = default;

  // Reads the records from kFirstVersionStringId upward until kMaxMissingIds identifiers in a
  // row give no string (or the 16-bit identifier range ends). Replaces what was read before.
  // A table that cannot be found leaves everything empty. Never fails.
  void Load(const StringLookup& aStrings);
  // The library's own table.
  void Load() { Load(LibraryString); }

  const String& Description() const { return fDescription; }
  void SetDescription(StringView aValue) { fDescription = aValue; }
  const String& Copyright() const { return fCopyright; }
  void SetCopyright(StringView aValue) { fCopyright = aValue; }
  const String& Version() const { return fVersion; }
  void SetVersion(StringView aValue) { fVersion = aValue; }
  TDateTime ReleaseDate() const { return fReleaseDate; }
  void SetReleaseDate(TDateTime aValue) { fReleaseDate = aValue; }
  // One entry per $VERSION record, in table order.
  const std::vector<tQX_ApplicationHistory>& History() const { return fHistory; }
  std::vector<tQX_ApplicationHistory>& History() { return fHistory; }

  // "[" + version + " - " + release date as the short date + "]".
  String VersionString() const;

 private:
  void Apply(StringView aKey, StringView aValue);

  String fDescription;
  String fCopyright;
  String fVersion;
  TDateTime fReleaseDate = 0;
  std::vector<tQX_ApplicationHistory> fHistory;
};

// Reads a $RELEASEDATE value: day = characters 1-2, month = 4-5, year = 7-10, each 1 when it is
// not a number. A date that does not exist (31/02, month 13) gives 0, "no date".
TDateTime ReleaseDateFromText(StringView aText);

// The date in the environment's short date format (dd/mm/yyyy here); 0 ("no date") gives an
// empty text.
String ShortDateText(TDateTime aDate);

}  // namespace qx
