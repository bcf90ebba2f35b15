#include "support/application_info.h"

#include <gtest/gtest.h>

#include <map>

namespace qx {
namespace {

// A string table of our own: records at the given identifiers, nothing elsewhere.
StringLookup Table(std::map<int32_t, String> aRecords) {
  return [records = std::move(aRecords)](int32_t aId) {
    const auto it = records.find(aId);
    return it != records.end() ? it->second : String();
  };
}

TEST(ApplicationInfo, LibraryTableGivesVersionAndHistory) {
  tQX_ApplicationInfo info;
  info.Load();
  EXPECT_EQ(info.Description(), u"Fiscal Driver - Epson FP Serial");
  EXPECT_FALSE(info.Copyright().empty());
  EXPECT_EQ(info.Version(), u"2.10");
  EXPECT_EQ(info.ReleaseDate(), EncodeDate(2022, 10, 10));
  EXPECT_EQ(info.VersionString(), u"[2.10 - 10/10/2022]");

  const auto& history = info.History();
  ASSERT_EQ(history.size(), 11u);
  for (size_t i = 0; i < history.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(history[i].Version(), u"2." + PadLeft(IntToStr(static_cast<int64_t>(i)), 2, u'0'));
    EXPECT_FALSE(history[i].Author().empty());
    EXPECT_FALSE(history[i].Text().empty());
    if (i > 0) {
      EXPECT_GT(history[i].ReleaseDate(), history[i - 1].ReleaseDate());
    }
  }
  EXPECT_EQ(history.back().ReleaseDate(), info.ReleaseDate());
}

TEST(ApplicationInfo, ReadingStopsAfterElevenMissingIdentifiers) {
  // After a gap of ten the next record is still read; after a gap of eleven it is not.
  tQX_ApplicationInfo info;
  info.Load(Table({{10000, u"$VERSION=1.0"}, {10011, u"$VERSION=1.1"}, {10023, u"$VERSION=1.2"}}));
  ASSERT_EQ(info.History().size(), 2u);
  EXPECT_EQ(info.Version(), u"1.1");

  // An empty text counts as missing.
  info.Load(Table({{10000, u""}, {10001, u"$VERSION=3.0"}}));
  EXPECT_EQ(info.Version(), u"3.0");

  // Nothing at 10000 to 10010: the table is taken as missing, even with records further on.
  info.Load(Table({{10011, u"$VERSION=9.9"}}));
  EXPECT_TRUE(info.Version().empty());
  EXPECT_EQ(info.ReleaseDate(), 0);
  EXPECT_TRUE(info.History().empty());
  EXPECT_EQ(info.VersionString(), u"[ - ]");
}

TEST(ApplicationInfo, RecordsApplyToTheCurrentEntry) {
  tQX_ApplicationInfo info;
  info.Load(Table({
      {10000, u"$RELEASEDATE=01/02/2003"},  // no entry yet: ignored
      {10001, u"$AUTHOR=nobody"},
      {10002, u"$TEXT=lost"},
      {10003, u"$copyright=(c) us"},       // keys in any case
      {10004, u"$AppDescription=Driver"},
      {10005, u"$Version=1.0"},
      {10006, u"$releasedate=05/03/2024"},
      {10007, u"$author=Anna"},
      {10008, u"$ptext=first line"},
      {10009, u"$TEXT=a=b"},               // the value runs to the end, "=" included
      {10010, u"$UNKNOWN=x"},
      {10011, u"no key at all"},
      {10012, u"$VERSION=1.1"},            // a version without a date keeps the last date
      {10013, u"$TEXT=" + String(2000, u'x')},
  }));
  EXPECT_EQ(info.Description(), u"Driver");
  EXPECT_EQ(info.Copyright(), u"(c) us");
  EXPECT_EQ(info.Version(), u"1.1");
  EXPECT_EQ(info.ReleaseDate(), EncodeDate(2024, 3, 5));
  ASSERT_EQ(info.History().size(), 2u);
  const tQX_ApplicationHistory& first = info.History()[0];
  EXPECT_EQ(first.Version(), u"1.0");
  EXPECT_EQ(first.ReleaseDate(), EncodeDate(2024, 3, 5));
  EXPECT_EQ(first.Author(), u"Anna");
  EXPECT_EQ(first.Text(), (StringList{u"first line", u"a=b"}));
  const tQX_ApplicationHistory& second = info.History()[1];
  EXPECT_EQ(second.ReleaseDate(), 0);
  ASSERT_EQ(second.Text().size(), 1u);
  EXPECT_EQ(second.Text()[0], String(tQX_ApplicationInfo::kMaxRecordLength - 6, u'x'));

  // A second load replaces the first.
  info.Load(Table({{10000, u"$VERSION=2.0"}}));
  EXPECT_EQ(info.History().size(), 1u);
  EXPECT_TRUE(info.Description().empty());
}

TEST(ApplicationInfo, TableThatNeverRunsDryEnds) {
  tQX_ApplicationInfo info;
  info.Load([](int32_t) { return String(u"$TEXT=again"); });
  EXPECT_TRUE(info.History().empty());
  info.Load(StringLookup());
  EXPECT_TRUE(info.Version().empty());
}

TEST(ApplicationInfo, MalformedReleaseDatePartsBecomeOne) {
  struct Case { const char16_t* text; TDateTime want; };
  const Case cases[] = {
      {u"10/10/2022", EncodeDate(2022, 10, 10)},
      {u"10-10-2022", EncodeDate(2022, 10, 10)},  // the separators are not examined
      {u"xx/10/2022", EncodeDate(2022, 10, 1)},
      {u"10/xx/2022", EncodeDate(2022, 1, 10)},
      {u"10/10/yyyy", EncodeDate(1, 10, 10)},
      {u"5/3/2024", EncodeDate(24, 1, 1)},        // "5/", "/2" and "24" by position
      {u"", EncodeDate(1, 1, 1)},
      {u"31/02/2022", 0},                          // no such day: no date rather than a failure
      {u"10/13/2022", 0},
      {u"00/10/2022", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReleaseDateFromText(c.text), c.want) << ToUtf8(c.text);
    tQX_ApplicationInfo info;
    info.Load(Table({{10000, u"$VERSION=1"}, {10001, u"$RELEASEDATE=" + String(c.text)}}));
    EXPECT_EQ(info.ReleaseDate(), c.want) << ToUtf8(c.text);
  }
}

TEST(ShortDateText, DayMonthYear) {
  EXPECT_EQ(ShortDateText(EncodeDate(2022, 10, 10)), u"10/10/2022");
  EXPECT_EQ(ShortDateText(EncodeDate(2024, 3, 5) + EncodeTime(23, 59, 59, 999)), u"05/03/2024");
  EXPECT_EQ(ShortDateText(EncodeDate(24, 1, 1)), u"01/01/0024");
  EXPECT_EQ(ShortDateText(0), u"");
}

}  // namespace
}  // namespace qx
