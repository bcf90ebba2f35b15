#include "results/answers.h"

#include <gtest/gtest.h>

#include "results/answer_writer.h"

namespace qx {
namespace {

// Answers are compared as UTF-8 with "|" standing for each CR LF, to keep the expected texts
// readable and still exact.
std::string Shown(const String& aAnswer) {
  std::string s = ToUtf8(aAnswer);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      out += '|';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

TEST(XmlEscape, AmpersandFirstThenTheOthers) {
  EXPECT_EQ(XmlEscape(u"a&b<c>d\"e'f"), u"a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(XmlEscape(u"&lt;"), u"&amp;lt;");
  EXPECT_EQ(XmlEscape(u""), u"");
}

TEST(Answers, ClearedRecordsAndTheCommonTail) {
  EXPECT_EQ(Shown(FormatAnswer(_int_common_result{})), "<Error>True</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  EXPECT_EQ(Shown(FormatAnswer(_int_OPEN_result{})),
            "<Handle>0</Handle>|<Error>True</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  EXPECT_EQ(Shown(FormatAnswer(_int_PRINTNFR_result{})),
            "<NFReceiptDateTime>1899-12-30T00:00:00</NFReceiptDateTime>|<NFReceiptNumber></NFReceiptNumber>|"
            "<Error>True</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  _int_common_result failed;
  failed.ErrorText = u"Bad <value> & \"quote\"";
  failed.LogFileName = u"/var/log/a&b.log";
  EXPECT_EQ(Shown(FormatAnswer(failed)),
            "<Error>True</Error>|<ErrorText>Bad &lt;value&gt; &amp; &quot;quote&quot;</ErrorText>|"
            "<LogFileName>/var/log/a&amp;b.log</LogFileName>");
}

TEST(Answers, ReceiptEscapesOnlyItsMarkedFields) {
  _int_PRINTFR_result r;
  r.Error = false;
  r.ReceiptDateTime = EncodeDateTime({2022, 10, 10, 12, 0, 0, 0});
  r.ReceiptNumber = u"0001&2";
  r.ServerSerialNumber = u"S&1";
  r.EJNumber = u"3";
  EXPECT_EQ(Shown(FormatAnswer(r)),
            "<ReceiptDateTime>2022-10-10T12:00:00</ReceiptDateTime>|<ReceiptNumber>0001&2</ReceiptNumber>|"
            "<DeviceSerialNumber></DeviceSerialNumber>|<EJNumber>3</EJNumber>|<EJClosingNumber></EJClosingNumber>|"
            "<ServerSerialNumber>S&amp;1</ServerSerialNumber>|<ReceiptText></ReceiptText>|"
            "<ReceiptImage></ReceiptImage>|<InvoiceNumber></InvoiceNumber>|"
            "<InvoiceDateTime>1899-12-30T00:00:00</InvoiceDateTime>|<MessageText></MessageText>|"
            "<Error>False</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
}

TEST(Answers, ZReportRunsWithoutSeparatorsUpToError) {
  _int_PRINTZR_result r;
  r.Error = false;
  r.ZReportNumber = u"12";
  r.GrandTotalAmount = Currency::FromText(u"1234.5");
  r.DayReceiptsNumber = 7;
  r.RemainingFiscalMemory = 99;  // kept in the record, never written
  r.Text = u"RAPPORTO Z\r\nTOT<1>\n";
  EXPECT_EQ(Shown(FormatAnswer(r)),
            "<ZReportDateTime>1899-12-30T00:00:00</ZReportDateTime>|<ZReportNumber>12</ZReportNumber>|"
            "<DeviceSerialNumber></DeviceSerialNumber>|<ServerSerialNumber></ServerSerialNumber>|"
            "<EJNumber></EJNumber>|<EJClosingNumber></EJClosingNumber>|"
            "<GrandTotalAmount>1234.5</GrandTotalAmount><GrandTotalRefundsAmount>0</GrandTotalRefundsAmount>"
            "<GrandTotalVoidsAmount>0</GrandTotalVoidsAmount><DayTotalAmount>0</DayTotalAmount>"
            "<DayDiscountsAmount>0</DayDiscountsAmount><DayReturnsAmount>0</DayReturnsAmount>"
            "<DayRefundsAmount>0</DayRefundsAmount><DayVoidsAmount>0</DayVoidsAmount>"
            "<DayReceiptsNumber>7</DayReceiptsNumber><DayRefundsNumber>0</DayRefundsNumber>"
            "<Text><Line>RAPPORTO Z</Line><Line>TOT&lt;1&gt;</Line></Text>"
            "<Error>False</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  r.Text.clear();
  EXPECT_NE(Shown(FormatAnswer(r)).find("<DayRefundsNumber>0</DayRefundsNumber><Text></Text><Error>"),
            std::string::npos);
}

TEST(Answers, JournalLinesEachEndWithABreak) {
  _int_EJREPORT_result r;
  r.Text = u"A&B\rC";
  EXPECT_EQ(Shown(FormatAnswer(r)),
            "<Text><Line>A&amp;B</Line>|<Line>C</Line>|</Text>|<Error>True</Error>|<ErrorText></ErrorText>|"
            "<LogFileName></LogFileName>");
  EXPECT_EQ(Shown(FormatAnswer(_int_EJREPORT_result{})).substr(0, 15), "<Text></Text>|<");
}

TEST(Answers, Tables) {
  _int_GETVATTABLE_result vats;
  vats.VATTable.push_back({1, u"A", u"IVA <22>", Currency::FromText(u"22")});
  vats.VATTable.push_back({2, u"B", u"", Currency::FromText(u"4.5")});
  EXPECT_EQ(Shown(FormatAnswer(vats)),
            "<VATTable>|<VAT>|<Index>1</Index>|<Code>A</Code>|<Description>IVA &lt;22&gt;</Description>|"
            "<Rate>22</Rate>|</VAT>|<VAT>|<Index>2</Index>|<Code>B</Code>|<Description></Description>|"
            "<Rate>4.5</Rate>|</VAT>|</VATTable>|<Error>True</Error>|<ErrorText></ErrorText>|"
            "<LogFileName></LogFileName>");
  _int_GETDEPTTABLE_result depts;
  depts.DeptTable.push_back({3, u"R&1", u"Reparto", u"A", u"Product", u"", u"", u""});
  EXPECT_EQ(Shown(FormatAnswer(depts)),
            "<DeptTable>|<Department>|<Index>3</Index>|<Code>R&amp;1</Code>|<Description>Reparto</Description>|"
            "<VATCode>A</VATCode>|<SalesType>Product</SalesType>|<EACode></EACode>|"
            "<EADescription></EADescription>|<EAVATMode></EAVATMode>|</Department>|</DeptTable>|"
            "<Error>True</Error>|<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  EXPECT_EQ(Shown(FormatAnswer(_int_GETVATTABLE_result{})).substr(0, 25), "<VATTable>|</VATTable>|<E");
}

TEST(Answers, StatusAndOthers) {
  _int_GETSTATUS_result s;
  s.Error = false;
  s.DayOpened = true;
  s.SerialNumber = u"99MEX012345";
  s.FiscalMode = u"RT";
  EXPECT_EQ(Shown(FormatAnswer(s)),
            "<DayOpened>True</DayOpened>|<DateTime>1899-12-30T00:00:00</DateTime>|<PaperEnd>False</PaperEnd>|"
            "<PaperNearEnd>False</PaperNearEnd>|<CoverOpen>False</CoverOpen>|"
            "<FiscalReceiptOpen>False</FiscalReceiptOpen>|<ReceiptOpen>False</ReceiptOpen>|"
            "<TrainingMode>False</TrainingMode>|<FirmwareVersion></FirmwareVersion>|"
            "<SerialNumber>99MEX012345</SerialNumber>|<FiscalMode>RT</FiscalMode>|<Error>False</Error>|"
            "<ErrorText></ErrorText>|<LogFileName></LogFileName>");
  _int_GETLOTTERYRCPTSTATUS_result l;
  l.StatusDescription = u"a<b";
  EXPECT_EQ(Shown(FormatAnswer(l)).substr(0, 98),
            "<CorrectlySent>False</CorrectlySent>|<StatusCode></StatusCode>|<StatusDescription>a<b</StatusDescr");
  EXPECT_EQ(Shown(FormatAnswer(_int_PRINTXR_result{})).substr(0, 60),
            "<XReportDateTime>1899-12-30T00:00:00</XReportDateTime>|<XRep");
  EXPECT_EQ(Shown(FormatAnswer(_int_GETEJFILES_result{})).substr(0, 26), "<FilesCount>0</FilesCount>");
  EXPECT_EQ(Shown(FormatAnswer(_int_GETDRSTATUS_result{})).substr(0, 23), "<IsOpen>False</IsOpen>|");
  EXPECT_EQ(Shown(FormatAnswer(_int_SETDATETIME_result{})).substr(0, 40), "<DateTime>1899-12-30T00:00:00</DateTime>");
}

}  // namespace
}  // namespace qx
