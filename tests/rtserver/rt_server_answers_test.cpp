// The RT-server library's answers read into the signed receipt's RT data and the till totals.
#include <gtest/gtest.h>

#include "rtserver/rt_server_answers.h"
#include "support/error.h"

namespace qx {
namespace {

TEST(RTServerAnswers, SignedReceiptAndItsHeaderLines) {
  kRTServerReceiptInfo info;
  // The document element may have any name.
  info.DeSerialize(
      u"<Answer><VATTotal>4.40</VATTotal><ServerSerialNumber>99SEP1</ServerSerialNumber><TillId>T1</TillId>"
      u"<Signature>SIG</Signature><nDoc>15</nDoc><zRep>3</zRep><Headers><A>Shop</A><B>Street 1</B></Headers></Answer>");
  EXPECT_EQ(info.fVATTotal, Currency::FromRaw(44000));
  EXPECT_EQ(info.fRTServerSerialNumber, u"99SEP1");
  EXPECT_EQ(info.fRTTillId, u"T1");
  EXPECT_EQ(info.fRTSignature, u"SIG");
  EXPECT_EQ(info.fRTnDoc, 15);
  EXPECT_EQ(info.fRTzRep, 3);
  EXPECT_EQ(info.fHeaders, (StringList{u"Shop", u"Street 1"}));
  // Without Headers the earlier lines stay; empty values read as empty and 0.
  info.DeSerialize(u"<R><VATTotal/><ServerSerialNumber/><TillId/><Signature/><nDoc>16</nDoc><zRep/></R>");
  EXPECT_EQ(info.fRTnDoc, 16);
  EXPECT_EQ(info.fRTzRep, 0);
  EXPECT_EQ(info.fVATTotal, Currency());
  EXPECT_EQ(info.fHeaders, (StringList{u"Shop", u"Street 1"}));
}

TEST(RTServerAnswers, TillReport) {
  kRTServerTillReportInfo till;
  till.DeSerialize(
      u"<TillReport><DailyTotal>1234.5</DailyTotal><DailySales>1300</DailySales><DailyVoids>15.5</DailyVoids>"
      u"<DailyRefunds>50</DailyRefunds><TillSerialNumber>T1</TillSerialNumber><ServerSerialNumber>S1"
      u"</ServerSerialNumber><nRecNumber>12</nRecNumber><zRepNumber>4</zRepNumber>"
      u"<zRepDateTime>2024-03-01T23:59:00</zRepDateTime></TillReport>");
  EXPECT_EQ(till.fDailyAmount, Currency::FromRaw(12345000));
  EXPECT_EQ(till.fVoidsAmount, Currency::FromRaw(155000));
  EXPECT_EQ(till.fnRecNumber, 12);
  EXPECT_EQ(till.fzRepNumber, 4);
  EXPECT_EQ(till.fzRepDateTime, EncodeDateTime({2024, 3, 1, 23, 59, 0, 0}));
}

TEST(RTServerAnswers, UnreadableAnswersRaiseAndKeepWhatWasRead) {
  const struct {
    const char16_t* fAnswer;
    const char16_t* fStart;  // the error text starts with it
  } kCases[] = {
      {u"", u"The RT server answer is empty"},
      {u"not xml", u"The RT server answer is not XML: Invalid XML request"},
      {u"<R><VATTotal>1</VATTotal></R>", u"The RT server answer has no element ServerSerialNumber"},
      {u"<R><VATTotal>abc</VATTotal></R>", u"Error in processing node VATTotal"},
  };
  for (const auto& c : kCases) {
    kRTServerReceiptInfo info;
    try {
      info.DeSerialize(c.fAnswer);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message().rfind(c.fStart, 0), 0u) << ToUtf8(e.Message());
    }
  }
  kRTServerReceiptInfo info;
  EXPECT_THROW(info.DeSerialize(String(2 * 1024 * 1024, u'A')), Error);
  // The values before the missing one are read.
  EXPECT_THROW(info.DeSerialize(u"<R><VATTotal>2.5</VATTotal><ServerSerialNumber>S</ServerSerialNumber></R>"), Error);
  EXPECT_EQ(info.fVATTotal, Currency::FromRaw(25000));
  EXPECT_EQ(info.fRTServerSerialNumber, u"S");
  // An empty closing time is no date.
  kRTServerTillReportInfo till;
  EXPECT_THROW(till.DeSerialize(u"<T><DailyTotal/><DailySales/><DailyVoids/><DailyRefunds/><TillSerialNumber/>"
                                u"<ServerSerialNumber/><nRecNumber/><zRepNumber/><zRepDateTime/></T>"),
               Error);
}

}  // namespace
}  // namespace qx
