// kEpsonRTData against real web servers serving hand-made RT data folders: listings, the
// choice and the sums of the data files, the downloads, and listings and files that are wrong.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "drivers/epson/rt_data.h"
#include "platform/locale.h"
#include "support/error.h"
#include "support/read_file.h"
#include "support/temp_dir.h"
#include "transport/http_servers.h"
#include "transport/io_handler_http.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using webtest::RealWebServer;
using webtest::ServerKind;

constexpr char kSerial[] = "99MEX067890";
const char* const kDay = "www/dati-rt/20250105/";

std::string Summary(int aNumber, const std::string& aRiepiloghi) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><DatiCorrispettivi><Trasmissione><Progressivo>" +
         std::to_string(aNumber) + "</Progressivo></Trasmissione><DataOraRilevazione>2025-01-05T23:59:00+01:00"
         "</DataOraRilevazione><DatiRT>" + aRiepiloghi + "</DatiRT></DatiCorrispettivi>";
}

std::string Riepilogo(const std::string& aAmount, const std::string& aVoids, const std::string& aReturns,
                      const std::string& aRate, const std::string& aTax, const std::string& aNature = "") {
  std::string r = "<Riepilogo>";
  if (!aRate.empty()) r += "<IVA><AliquotaIVA>" + aRate + "</AliquotaIVA><Imposta>" + aTax + "</Imposta></IVA>";
  if (!aNature.empty()) r += "<Natura>" + aNature + "</Natura>";
  return r + "<Ammontare>" + aAmount + "</Ammontare><TotaleAmmontareAnnulli>" + aVoids +
         "</TotaleAmmontareAnnulli><TotaleAmmontareResi>" + aReturns + "</TotaleAmmontareResi></Riepilogo>";
}

std::string Closing(const std::string& aSales, const std::string& aDocuments, const std::string& aGTRefunds) {
  auto line = [](const std::string& aLabel, const std::string& aValue) {
    return aLabel + std::string(46 - aLabel.size() - aValue.size(), ' ') + aValue + "\n";
  };
  return "Chiusura Giornaliera\n" + line("NUMERO DOCUMENTI COMMERCIALI", aDocuments) +
         line("TOTALE GIORNO VENDITE", aSales) + line("TOTALE GIORNO RESI", "2,00") +
         line("TOTALE GIORNO ANNULLAMENTI", "1,00") + line("GRAN TOTALE VENDITE", "9.876,50") +
         line("GRAN TOTALE RESI", aGTRefunds) + line("GRAN TOTALE ANNULLAMENTI", "3,00");
}

String Money(const char* aWhole, const char* aCents) {
  return FromUtf8(aWhole) + platform::DecimalSeparator() + FromUtf8(aCents);
}

struct Totals {
  Currency Sales, Refunds, Voids, GTSales, GTRefunds, GTVoids;
  int32_t Count = -1;
  StringList Lines;
};

class RTDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = RealWebServer::Missing(ServerKind::Nginx); !missing.empty()) GTEST_SKIP() << missing;
  }
  void Put(const std::string& aPath, const std::string& aText) { webtest::WriteText(fs::path(fRoot.Path()) / aPath, aText); }
  void Serve(ServerKind aKind = ServerKind::Nginx, bool aAuth = false) {
    fServer = std::make_unique<RealWebServer>(aKind, fRoot.Path(), aAuth);
  }
  kEpsonRTData Reader(qxHTTPAuthType aAuth = at_None) {
    fHttp.SetConnectTimeout(2);
    fHttp.SetReadTimeout(5);
    fHttp.SetAuthType(aAuth);
    fHttp.SetUser(u"fp");
    fHttp.SetPassword(u"secret");
    kEpsonRTData data;
    data.fAddress = fServer ? FromUtf8(fServer->BaseURL()) : u"http://127.0.0.1:" + IntToStr(webtest::FreePort());
    data.fSerialNumber = FromUtf8(kSerial);
    data.fIOHandler = &fHttp;
    data.fOnWriteLog = [this](tQX_MessageType t, StringView aTitle, StringView aMessage) {
      if (t == let_error) fErrors.push_back(String(aTitle) + u": " + String(aMessage));
    };
    return data;
  }
  Totals Day(kEpsonRTData& aData) {
    Totals t;
    EXPECT_TRUE(aData.GetRTData(EncodeDate(2025, 1, 5), EncodeDate(2025, 1, 5) + EncodeTime(23, 59, 59, 999), t.Lines,
                                t.Sales, t.Refunds, t.Voids, t.GTSales, t.GTRefunds, t.GTVoids, t.Count));
    return t;
  }
  bool HasLine(const StringList& aLines, StringView aStart, StringView aEnd) {
    for (const String& l : aLines)
      if (l.starts_with(aStart) && l.ends_with(aEnd) && l.size() == kEpsonRTData::kReportLineWidth) return true;
    return false;
  }

  testing::TempDir fRoot;
  std::unique_ptr<RealWebServer> fServer;
  kIOHandler_HTTP fHttp{nullptr, u"", u""};
  std::vector<String> fErrors;
};

TEST(RTDataReportLine, LabelCentredAndValue) {
  struct Case {
    const char16_t *Label, *Centred, *Value, *Expected;
  };
  const String serialLine = u"Matricola:" + String(29, u' ') + u"99MEX067890";
  const String centred = String(15, u' ') + u"Chiusura Giornaliera";
  for (const Case& c : {Case{u"Matricola:", u"", u"99MEX067890", serialLine.c_str()},
                        Case{u"", u"Chiusura Giornaliera", u"", centred.c_str()}, Case{u"", u"", u"", u""},
                        Case{u"TOTALI", u"", u"", u"TOTALI"}}) {
    StringList lines;
    kEpsonRTData::AddReportLine(lines, c.Label, c.Centred, c.Value);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], c.Expected);
  }
  StringList lines;
  kEpsonRTData::AddReportLine(lines, String(60, u'x'), u"", u"12,00");
  EXPECT_EQ(lines[0], String(45, u'x') + u"12,00");  // a long label is cut so that the value fits
}

TEST_F(RTDataTest, ListingsKeepThisPrintersDataFilesAndDownloadsSelectByName) {
  Put(std::string(kDay) + "99MEX067890-20250105T235900_ZREPORT.txt", Closing("10,00", "1", "0,00"));
  Put(std::string(kDay) + "readme.html", "x");
  Put(std::string(kDay) + "99MEY000001-20250105T120000_ZREPORT.txt", "other printer");
  Serve();
  kEpsonRTData data = Reader();
  Day(data);
  EXPECT_EQ(data.fFileList, StringList{FromUtf8(fServer->BaseURL()) + u"/" + FromUtf8(kDay) +
                                       u"99MEX067890-20250105T235900_ZREPORT.txt"});
  testing::TempDir out;
  int32_t count = -1;
  EXPECT_TRUE(data.GetRTFiles(EncodeDate(2025, 1, 5), EncodeDate(2025, 1, 5) + EncodeTime(23, 59, 59, 0),
                              out.Text() + u"/a/b", count));
  EXPECT_EQ(count, 1);
  bool listed = false;
  for (const String& url : data.fFileList) listed = listed || url.ends_with(u"/readme.html");
  EXPECT_TRUE(listed);
  // Saved as a text file with CR LF line ends.
  EXPECT_EQ(testing::ReadFile(out / "a/b/99MEX067890-20250105T235900_ZREPORT.txt").substr(0, 22), "Chiusura Giornaliera\r\n");
}

TEST_F(RTDataTest, SummariesAreSummedWithTheirVatAndZeroSummariesAddNothing) {
  Put(std::string(kDay) + "99MEX067890-20250105T235900_CORRISP.xml",
      Summary(12, Riepilogo("100.00", "10.00", "0.00", "22.00", "19.80") + Riepilogo("0.00", "0.00", "0.00", "", "", "N2")));
  for (ServerKind kind : {ServerKind::Nginx, ServerKind::Apache}) {
    if (!RealWebServer::Missing(kind).empty()) continue;
    Serve(kind, true);
    kEpsonRTData data = Reader(kind == ServerKind::Nginx ? at_Basic : at_Digest);
    const Totals t = Day(data);
    EXPECT_EQ(t.Sales, Currency::FromText(u"122"));
    EXPECT_EQ(t.Voids, Currency::FromText(u"12.2"));
    EXPECT_EQ(t.Refunds, Currency());
    EXPECT_EQ(t.GTSales, Currency());  // no printed closing: no grand totals
    EXPECT_EQ(t.Count, 0);
    EXPECT_TRUE(HasLine(t.Lines, u"Numero Chiusura:", u"12"));
    EXPECT_TRUE(HasLine(t.Lines, u"Data Chiusura:", u"05-01-2025 23:59:00"));
    EXPECT_TRUE(HasLine(t.Lines, u"Imponibile Vendite", Money("100", "00")));
    EXPECT_TRUE(HasLine(t.Lines, u"Totale Vendite", Money("122", "00")));
    EXPECT_TRUE(HasLine(t.Lines, u"Totale Giorno", Money("109", "80")));
    EXPECT_NE(std::find(t.Lines.begin(), t.Lines.end(), u"IVA 22%"), t.Lines.end());
    EXPECT_EQ(std::find(t.Lines.begin(), t.Lines.end(), u"IVA N2"), t.Lines.end());
    fServer.reset();
  }
}

TEST_F(RTDataTest, PrintedClosingsWinOverSummariesAndAddUp) {
  Put(std::string(kDay) + "99MEX067890-20250105T120000_CORRISP.xml", "not read at all");
  Put(std::string(kDay) + "99MEX067890-20250105T120000_ZREPORT.txt", Closing("100,00", "10", "0,00"));
  Put(std::string(kDay) + "99MEX067890-20250105T235900_ZREPORT.txt", Closing("1.000,50", "5", "1.234,56"));
  Put("www/dati-rt/20250106/99MEX067890-20250106T000100_ZREPORT.txt", Closing("7,00", "7", "0,00"));  // next day
  Serve();
  kEpsonRTData data = Reader();
  const Totals t = Day(data);
  EXPECT_EQ(t.Sales, Currency::FromText(u"1100.5"));
  EXPECT_EQ(t.Refunds, Currency::FromText(u"4"));
  EXPECT_EQ(t.Voids, Currency::FromText(u"2"));
  EXPECT_EQ(t.Count, 15);
  EXPECT_EQ(t.GTRefunds, Currency::FromText(u"1234.56"));  // the last closing read
  EXPECT_EQ(t.GTSales, Currency::FromText(u"9876.5"));
  EXPECT_EQ(t.GTVoids, Currency::FromText(u"3"));
  EXPECT_NE(std::find(t.Lines.begin(), t.Lines.end(), u"Chiusura Giornaliera"), t.Lines.end());
}

TEST_F(RTDataTest, DownloadsStopAtTheFirstFailure) {
  for (const char* time : {"T100000", "T110000", "T120000"})
    Put(std::string(kDay) + kSerial + "-20250105" + time + "_ZREPORT.txt", "x\n");
  ::chmod((fs::path(fRoot.Path()) / kDay / "99MEX067890-20250105T110000_ZREPORT.txt").c_str(), 0);
  Serve();
  kEpsonRTData data = Reader();
  testing::TempDir out;
  int32_t count = -1;
  EXPECT_FALSE(data.GetRTFiles(EncodeDate(2025, 1, 5), EncodeDate(2025, 1, 5) + EncodeTime(23, 59, 59, 0), out.Text(), count));
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(fs::exists(out / "99MEX067890-20250105T100000_ZREPORT.txt"));
  EXPECT_FALSE(fs::exists(out / "99MEX067890-20250105T120000_ZREPORT.txt"));
}

// A file is saved under the last part of its link; the rest only says where it is fetched from.
TEST_F(RTDataTest, FilesAreSavedUnderTheLastPartOfTheirLinkAndNamesThatWouldLeaveTheFolderAreSkipped) {
  Put(std::string(kDay) + "index.html",
      "<a href=\"../../99MEX067890-20250105T100000_ZREPORT.txt\">a</a>\n"  // fetched from www/
      "<a href=\"/tmp/99MEX067890-20250105T100001_ZREPORT.txt\">b</a>\n"   // rooted: from the printer's tmp/
      // Names in the range that Windows would take as a folder path and as a file's data stream.
      "<a href=\"99MEX067890-20250105T100002\\..\\..\\ZREPORT.txt\">c</a>\n"
      "<a href=\"x/99MEX067890-20250105T100003:ZREPORT.txt\">d</a>\n"
      "<a href=\"99MEX067890-20250105T100004_ZREPORT.txt\">e</a>\n");
  Put(std::string(kDay) + "99MEX067890-20250105T100004_ZREPORT.txt", "plain\n");
  Put("www/99MEX067890-20250105T100000_ZREPORT.txt", "climbing\n");
  Put("tmp/99MEX067890-20250105T100001_ZREPORT.txt", "rooted\n");
  Serve();
  testing::TempDir base;
  const fs::path out = fs::path(base.Path()) / "a" / "b";
  kEpsonRTData data = Reader();
  int32_t count = -1;
  EXPECT_TRUE(data.GetRTFiles(EncodeDate(2025, 1, 5), EncodeDate(2025, 1, 5) + EncodeTime(23, 59, 59, 0),
                              FromUtf8(out.string()), count));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(testing::ReadFile((out / "99MEX067890-20250105T100000_ZREPORT.txt").string()), "climbing\r\n");
  EXPECT_EQ(testing::ReadFile((out / "99MEX067890-20250105T100001_ZREPORT.txt").string()), "rooted\r\n");
  EXPECT_EQ(testing::ReadFile((out / "99MEX067890-20250105T100004_ZREPORT.txt").string()), "plain\r\n");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(base.Path())) ++entries;
  EXPECT_EQ(entries, 5u);  // a, a/b and the three files
  EXPECT_FALSE(fs::exists("/tmp/99MEX067890-20250105T100001_ZREPORT.txt"));
  std::vector<String> skipped;
  for (const String& e : fErrors)
    if (e.starts_with(u"kEpsonRTData.GetRTFiles")) skipped.push_back(e);
  EXPECT_EQ(skipped, (std::vector<String>{
                         u"kEpsonRTData.GetRTFiles: File name skipped: 99MEX067890-20250105T100002\\..\\..\\ZREPORT.txt",
                         u"kEpsonRTData.GetRTFiles: File name skipped: x/99MEX067890-20250105T100003:ZREPORT.txt"}));
}

TEST_F(RTDataTest, BadListingsAndFilesEndInAnErrorOrWhatCouldBeRead) {
  {
    // Odd links: unterminated, empty, without the closing pair; an empty day; nothing breaks.
    Put(std::string(kDay) + "index.html", "<a href=\"\"><a href=\"99MEX067890-2025<a href=\"99MEX0678");
    Put("www/dati-rt/demo/index.html", "<html><a href=");
    Serve();
    kEpsonRTData data = Reader();
    const Totals t = Day(data);
    EXPECT_EQ(t.Sales, Currency());
    EXPECT_EQ(t.Count, 0);
    fServer.reset();
  }
  struct Case {
    std::string Content;
    const char16_t* Message;
  };
  for (const Case& c : {Case{"not xml at all", u"is not an XML document"},
                        Case{Summary(1, Riepilogo("1.00", "0", "0", "22", "0.22")).substr(0, 150), u"is not an XML document"},
                        Case{Summary(1, "<Riepilogo><Ammontare>1.00</Ammontare></Riepilogo>"),
                             u"element TotaleAmmontareAnnulli not found"},
                        Case{Summary(1, Riepilogo("1,00", "0", "0", "22", "0.22")), u"'1,00' is not a valid floating point value"},
                        // 100 + rate, and voids with their VAT, beyond the amount range: no wrap-around
                        Case{Summary(1, Riepilogo("1.00", "1.00", "0", "922337203685477", "0")), u"Currency overflow"},
                        Case{Summary(1, Riepilogo("0", "900000000000000", "0", "22", "0")), u"Currency overflow"}}) {
    fs::remove_all(fs::path(fRoot.Path()) / "www");
    Put(std::string(kDay) + "99MEX067890-20250105T235900_CORRISP.xml", c.Content);
    Serve();
    kEpsonRTData data = Reader();
    try {
      Day(data);
      ADD_FAILURE() << "no error for " << c.Content;
    } catch (const Error& e) {
      EXPECT_NE(e.Message().find(c.Message), String::npos) << ToUtf8(e.Message());
    }
    fServer.reset();
  }
  {
    // A closing whose amount is no number.
    fs::remove_all(fs::path(fRoot.Path()) / "www");
    Put(std::string(kDay) + "99MEX067890-20250105T235900_ZREPORT.txt", "TOTALE GIORNO VENDITE         dieci euro\n");
    Serve();
    kEpsonRTData data = Reader();
    EXPECT_THROW(Day(data), Error);
    fServer.reset();
  }
}

TEST_F(RTDataTest, AHugeListingOrADownServerGiveZeroCounters) {
  {
    const fs::path listing = fs::path(fRoot.Path()) / kDay / "index.html";
    fs::create_directories(listing.parent_path());
    std::ofstream out(listing, std::ios::binary);
    const std::string block(1 << 20, 'a');
    for (int i = 0; i < 100; ++i) out << "<a href=\"" << block << "\">";
  }
  Serve();
  kEpsonRTData huge = Reader();
  Totals t = Day(huge);
  EXPECT_EQ(t.Count, 0);
  EXPECT_TRUE(huge.fFileList.empty());
  fServer.reset();
  kEpsonRTData down = Reader();  // nothing listens on its address
  t = Day(down);
  EXPECT_EQ(t.Sales, Currency());
  EXPECT_EQ(t.Count, 0);
  EXPECT_FALSE(fErrors.empty());
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

TEST(RTDataRequests, EachGoesOutWithTheReadersUserAgentAndWithoutCompression) {
  webtest::ScriptedHttpServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
  kIOHandler_HTTP http(nullptr, u"", u"");
  http.SetConnectTimeout(2);
  http.SetReadTimeout(2);
  kEpsonRTData data;
  data.fAddress = FromUtf8(server.URL(""));  // scheme and host, no trailing slash
  data.fSerialNumber = u"99MEX067890";
  data.fIOHandler = &http;
  StringList lines;
  Currency a, b, c, d, e, f;
  int32_t count = -1;
  EXPECT_TRUE(data.GetRTData(EncodeDate(2025, 1, 5), EncodeDate(2025, 1, 6), lines, a, b, c, d, e, f, count));
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 5u);  // demo, da-inviare, rifiutati and two days
  EXPECT_EQ(requests[3].rfind("GET /www/dati-rt/20250105/ HTTP/1.1\r\n", 0), 0u) << requests[3];
  for (const std::string& r : requests) {
    EXPECT_NE(r.find("User-Agent: RT Fiscal Driver\r\n"), std::string::npos) << r;
    EXPECT_EQ(r.find("Accept-Encoding"), std::string::npos) << r;
  }
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace qx
