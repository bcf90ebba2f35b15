#include "drivers/epson/rt_data.h"

#include <algorithm>
#include <climits>

#include <pugixml.hpp>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "support/error.h"
#include "support/mul_div.h"
#include "support/text_functions.h"
#include "transport/http_client.h"
#include "transport/io_handler_http.h"

namespace qx {

namespace {

constexpr char16_t kDemoFolder[] = u"/www/dati-rt/demo/";
constexpr char16_t kToSendFolder[] = u"/www/dati-rt/da-inviare/";
constexpr char16_t kRejectedFolder[] = u"/www/dati-rt/rifiutati/";
constexpr char16_t kDayFolders[] = u"/www/dati-rt/";
// A range longer than this reads only its first days: every day costs one request, and a range
// from a mistyped year must not turn into hundreds of thousands of them.
constexpr int kMaxDays = 366;

String TwoDigits(int aValue) { return PadLeft(IntToStr(aValue), 2, u'0'); }

String DateKey(TDateTime aValue) {
  const DateTimeParts p = DecodeDateTime(aValue);
  return PadLeft(IntToStr(p.Year), 4, u'0') + TwoDigits(p.Month) + TwoDigits(p.Day);
}

String TimeKey(TDateTime aValue) {
  const DateTimeParts p = DecodeDateTime(aValue);
  return TwoDigits(p.Hour) + TwoDigits(p.Minute) + TwoDigits(p.Second);
}

bool EndsWith(StringView aText, StringView aEnd) {
  return aText.size() >= aEnd.size() && aText.substr(aText.size() - aEnd.size()) == aEnd;
}

String NameOf(StringView aURL) {
  const size_t slash = aURL.rfind(u'/');
  return String(slash == StringView::npos ? aURL : aURL.substr(slash + 1));
}

// The folder URL joined with a link target; a rooted target keeps only the scheme and host.
String JoinURL(StringView aFolder, StringView aTarget) {
  if (aTarget.empty() || aTarget[0] != u'/') return String(aFolder) + String(aTarget);
  const size_t scheme = aFolder.find(u"://");
  const size_t hostEnd = aFolder.find(u'/', scheme == StringView::npos ? 0 : scheme + 3);
  return String(aFolder.substr(0, hostEnd)) + String(aTarget);
}

// A name that can be a file name inside the output folder: no path separator (the Windows one
// included), no drive, no "." or "..", nothing below a blank.
bool IsPlainFileName(StringView aName) {
  if (aName.empty() || aName == u"." || aName == u"..") return false;
  for (char16_t c : aName)
    if (c == u'/' || c == u'\\' || c == u':' || c < u' ') return false;
  return true;
}

// "#,##0.00" in the regional format.
String GroupedAmount(Currency aValue) {
  const String fixed = aValue.ToFixed(2);
  const bool negative = fixed[0] == u'-';
  const String digits = fixed.substr(negative ? 1 : 0, fixed.size() - (negative ? 1 : 0) - 3);
  String out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += platform::ThousandSeparator();
    out += digits[i];
  }
  return (negative ? u"-" : u"") + out + platform::DecimalSeparator() + fixed.substr(fixed.size() - 2);
}

// The general number format: the shortest form with the regional decimal separator.
String GeneralNumber(Currency aValue) { return ReplaceAll(aValue.ToText(), u".", String(1, platform::DecimalSeparator())); }

// aRate percent added to aAmount ((100 + rate) x amount / 100), to two decimals, halves to even.
// A rate or amount so large that the result leaves the amount range is an error, not a wrap.
Currency AddRate(Currency aAmount, Currency aRate) {
  // (100 + rate) x amount / (100 x kScale) is the result in ten-thousandths; two decimals are units of 100.
  int64_t factor = 0, cents = 0, raw = 0;
  if (__builtin_add_overflow(aRate.Raw(), 100 * Currency::kScale, &factor) ||
      !MulDiv(factor, aAmount.Raw(), 100 * Currency::kScale * 100, Rounding::HalfToEven, cents) ||
      __builtin_mul_overflow(cents, 100, &raw))
    throw Error(u"Currency overflow");
  return Currency::FromRaw(raw);
}

// The element's first child of that name, with or without a namespace prefix.
pugi::xml_node Child(pugi::xml_node aParent, const char* aName) {
  const std::string_view name(aName);
  for (pugi::xml_node c = aParent.first_child(); c; c = c.next_sibling()) {
    std::string_view n(c.name());
    const size_t colon = n.find(':');
    if (colon != std::string_view::npos) n.remove_prefix(colon + 1);
    if (c.type() == pugi::node_element && n == name) return c;
  }
  return pugi::xml_node();
}

String ChildText(pugi::xml_node aParent, const char* aName) { return Trim(FromUtf8(Child(aParent, aName).child_value())); }

Currency RequiredAmount(pugi::xml_node aParent, const char* aName) {
  const pugi::xml_node node = Child(aParent, aName);
  if (!node) throw Error("RT data: element " + std::string(aName) + " not found");
  return Currency::FromText(Trim(FromUtf8(node.child_value())));
}

// A printed-closing value: the last characters of the line, trimmed, "." removed, "," decimal.
String ClosingValue(StringView aLine, size_t aWidth) {
  const StringView tail = aLine.size() > aWidth ? aLine.substr(aLine.size() - aWidth) : aLine;
  return ReplaceAll(ReplaceAll(Trim(tail), u".", u""), u",", u".");
}

}  // namespace

void kEpsonRTData::Log(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) const {
  if (fOnWriteLog) fOnWriteLog(aEntryType, aTitle, aMessage);
}

void kEpsonRTData::AddReportLine(StringList& aLines, StringView aLabel, StringView aCentred, StringView aValue) {
  String line(aLabel);
  auto fit = [&line](size_t aWidth) { line = line.size() > aWidth ? line.substr(0, aWidth) : PadRight(line, aWidth); };
  if (!aCentred.empty()) {
    fit(aCentred.size() >= kReportLineWidth ? 0 : (kReportLineWidth - aCentred.size()) / 2);
    line += aCentred;
  }
  if (!aValue.empty()) {
    fit(aValue.size() >= kReportLineWidth ? 0 : kReportLineWidth - aValue.size());
    line += aValue;
  }
  aLines.push_back(line);
}

bool kEpsonRTData::Get(StringView aURL) {
  fContent.clear();
  bool result = false;
  try {
    QX_HttpClient client;
    if (fIOHandler != nullptr) {
      client.SetConnectTimeout(fIOHandler->ConnectTimeout());
      client.SetReadTimeout(fIOHandler->ReadTimeout());
      client.SetAuthType(fIOHandler->AuthType());
      client.SetUser(fIOHandler->User());
      client.SetPassword(fIOHandler->Password());
    }
    client.SetUserAgent(u"RT Fiscal Driver");
    client.SetOnWriteLog(fOnWriteLog);
    result = client.Get(aURL);
    if (result) fContent = client.Response();
    if (!result && fFailedRequests++ == 0) fFirstFailure = String(aURL);
  } catch (const Error& e) {
    Log(let_error, u"kEpsonRTData.Get", e.Message());
    if (fFailedRequests++ == 0) fFirstFailure = String(aURL) + u" (" + e.Message() + u")";
    result = false;
  } catch (const std::exception& e) {
    Log(let_error, u"kEpsonRTData.Get", FromUtf8(e.what()));
    result = false;
  }
  return result;
}

bool kEpsonRTData::ListFolder(StringView aURL, bool aAllFiles) {
  if (!Get(aURL)) return false;
  static constexpr StringView kLink = u"<a href=\"";
  static constexpr StringView kLinkEnd = u"\">";
  size_t at = 0;
  while ((at = fContent.find(kLink, at)) != String::npos) {
    const size_t start = at + kLink.size();
    const size_t end = fContent.find(kLinkEnd, start);
    if (end == String::npos) break;
    const String target = fContent.substr(start, end - start);
    at = end + kLinkEnd.size();
    const bool dataFile =
        target.starts_with(fSerialNumber) && (EndsWith(target, u"CORRISP.xml") || EndsWith(target, u"ZREPORT.txt"));
    if (!aAllFiles && !dataFile) continue;
    fFileList.push_back(JoinURL(aURL, target));
    fLinkTargets.push_back(target);
  }
  return true;
}

void kEpsonRTData::ListFolders(TDateTime aStartDateTime, TDateTime aEndDateTime, bool aAllFiles) {
  fFileList.clear();
  fLinkTargets.clear();
  for (const char16_t* folder : {kDemoFolder, kToSendFolder, kRejectedFolder}) ListFolder(fAddress + folder, aAllFiles);
  // The summaries read calendar days from the first date to the last; the downloads step 24
  // hours from the start while not past the end.
  TDateTime day = aAllFiles ? aStartDateTime : static_cast<TDateTime>(static_cast<int64_t>(aStartDateTime));
  const TDateTime last = aAllFiles ? aEndDateTime : static_cast<TDateTime>(static_cast<int64_t>(aEndDateTime));
  for (int days = 0; day <= last; day += 1, ++days) {
    if (days == kMaxDays) {
      Log(let_error, u"kEpsonRTData", u"Date range longer than " + IntToStr(kMaxDays) + u" days: the later days are not read");
      break;
    }
    ListFolder(fAddress + kDayFolders + DateKey(day) + u"/", aAllFiles);
  }
}

String kEpsonRTData::RangeKey(TDateTime aDateTime) const {
  return fSerialNumber + u"-" + DateKey(aDateTime) + u"T" + TimeKey(aDateTime);
}

bool kEpsonRTData::GetRTData(TDateTime aStartDateTime, TDateTime aEndDateTime, StringList& aLines,
                             Currency& aSalesAmount, Currency& aRefundsAmount, Currency& aVoidsAmount,
                             Currency& aGTSalesAmount, Currency& aGTRefundsAmount, Currency& aGTVoidsAmount,
                             int32_t& aReceiptsCount) {
  ListFolders(aStartDateTime, aEndDateTime, false);
  const String startKey = RangeKey(aStartDateTime);
  const String endKey = RangeKey(aEndDateTime);
  auto inRange = [&](const String& aName) {
    return aName.substr(0, startKey.size()) >= startKey && aName.substr(0, endKey.size()) <= endKey;
  };
  aSalesAmount = aRefundsAmount = aVoidsAmount = Currency();
  aGTSalesAmount = aGTRefundsAmount = aGTVoidsAmount = Currency();
  aReceiptsCount = 0;
  fDataFilesRead = 0;
  bool printed = false;
  for (const String& url : fFileList) {
    const String name = NameOf(url);
    if (inRange(name) && EndsWith(LowerCase(name), u"zreport.txt")) printed = true;
  }
  bool ok = true;
  for (const String& url : fFileList) {
    const String name = NameOf(url);
    if (!ok) break;
    if (!inRange(name) || !EndsWith(LowerCase(name), printed ? u"zreport.txt" : u"corrisp.xml")) continue;
    Currency sales, refunds, voids;
    int32_t count = 0;
    ++fDataFilesRead;
    ok = printed ? ReadPrintedClosing(url, aLines, count, aGTVoidsAmount, aGTRefundsAmount, aGTSalesAmount, sales,
                                      voids, refunds)
                 : ReadDailySummary(url, aLines, sales, refunds, voids);
    aSalesAmount += sales;
    aRefundsAmount += refunds;
    aVoidsAmount += voids;
    // Document counts are read from the files: their sum must not wrap around.
    aReceiptsCount = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, static_cast<int64_t>(aReceiptsCount) + count));
  }
  return true;
}

bool kEpsonRTData::ReadDailySummary(StringView aURL, StringList& aLines, Currency& aSales, Currency& aRefunds,
                                    Currency& aVoids) {
  aSales = aRefunds = aVoids = Currency();
  if (!Get(aURL)) return false;
  pugi::xml_document document;
  const std::string utf8 = ToUtf8(fContent);
  const pugi::xml_parse_result parsed = document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed || !document.document_element())
    throw Error(u"RT data file " + NameOf(aURL) + u" is not an XML document: " + FromUtf8(parsed.description()));
  const pugi::xml_node root = document.document_element();
  const String number = ChildText(Child(root, "Trasmissione"), "Progressivo");
  const TDateTime closing = TextToDateTime(ChildText(root, "DataOraRilevazione"));
  fLastClosingNumber = StrToIntDef(Trim(number), 0);
  fLastClosingDateTime = closing;
  const String closingText = PrintedDateTime(closing, true);
  AddReportLine(aLines, u"", u"Chiusura Giornaliera", u"");
  AddReportLine(aLines, u"", u"", u"");
  AddReportLine(aLines, u"Matricola:", u"", fSerialNumber);
  AddReportLine(aLines, u"Data Chiusura:", u"", closingText);
  AddReportLine(aLines, u"Numero Chiusura:", u"", number);
  for (pugi::xml_node s = Child(root, "DatiRT").first_child(); s; s = s.next_sibling()) {
    std::string_view name(s.name());
    if (name.substr(name.find(':') == std::string_view::npos ? 0 : name.find(':') + 1) != "Riepilogo") continue;
    const Currency amount = RequiredAmount(s, "Ammontare");
    Currency voids = RequiredAmount(s, "TotaleAmmontareAnnulli");
    Currency returns = RequiredAmount(s, "TotaleAmmontareResi");
    const String nature = ChildText(s, "Natura");
    Currency rate, tax;
    if (const pugi::xml_node vat = Child(s, "IVA")) {
      if (Child(vat, "AliquotaIVA")) rate = RequiredAmount(vat, "AliquotaIVA");
      if (Child(vat, "Imposta")) tax = RequiredAmount(vat, "Imposta");
    }
    if (amount != Currency() || voids != Currency() || returns != Currency() || tax != Currency()) {
      AddReportLine(aLines, u"", u"", u"");
      AddReportLine(aLines, rate != Currency() ? u"IVA " + GeneralNumber(rate) + u"%" : u"IVA " + nature, u"", u"");
      AddReportLine(aLines, u"Imponibile Vendite", u"", GroupedAmount(amount));
      AddReportLine(aLines, u"Imponibile Resi", u"", GroupedAmount(returns));
      AddReportLine(aLines, u"Imponibile Annullamenti", u"", GroupedAmount(voids));
      AddReportLine(aLines, u"Importo IVA", u"", GroupedAmount(tax));
    }
    const Currency net = amount - voids - returns + tax;
    voids = AddRate(voids, rate);
    returns = AddRate(returns, rate);
    aSales += net + voids + returns;
    aVoids += voids;
    aRefunds += returns;
  }
  AddReportLine(aLines, u"", u"", u"");
  AddReportLine(aLines, u"TOTALI", u"", u"");
  AddReportLine(aLines, u"Totale Giorno", u"", GroupedAmount(aSales - aRefunds - aVoids));
  AddReportLine(aLines, u"Totale Vendite", u"", GroupedAmount(aSales));
  AddReportLine(aLines, u"Totale Resi", u"", GroupedAmount(aRefunds));
  AddReportLine(aLines, u"Totale Annullamenti", u"", GroupedAmount(aVoids));
  AddReportLine(aLines, u"", u"", u"");
  return true;
}

bool kEpsonRTData::ReadPrintedClosing(StringView aURL, StringList& aLines, int32_t& aCount, Currency& aGTVoids,
                                      Currency& aGTRefunds, Currency& aGTSales, Currency& aSales, Currency& aVoids,
                                      Currency& aRefunds) {
  aGTVoids = aGTRefunds = aGTSales = Currency();
  aSales = aVoids = aRefunds = Currency();
  aCount = 0;
  const bool fetched = Get(aURL);
  const StringList lines = SplitLines(fContent);
  aLines.insert(aLines.end(), lines.begin(), lines.end());
  if (!fetched) return false;
  Currency daySales, dayRefunds, dayVoids;
  int32_t documents = 0;
  for (const String& line : lines) {
    auto starts = [&line](StringView aLabel) { return StringView(line).starts_with(aLabel); };
    auto amount = [&line] { return Currency::FromText(ClosingValue(line, 16)); };
    if (starts(u"TOTALE GIORNO VENDITE"))
      daySales = amount();
    else if (starts(u"TOTALE GIORNO RESO MERCE") || starts(u"TOTALE GIORNO RESI"))
      dayRefunds = amount();
    else if (starts(u"TOTALE GIORNO ANNULLAMENTI"))
      dayVoids = amount();
    else if (starts(u"GRAN TOTALE VENDITE"))
      aGTSales = amount();
    else if (starts(u"GRAN TOTALE RESO MERCE") || starts(u"GRAN TOTALE RESI"))
      aGTRefunds = amount();
    else if (starts(u"GRAN TOTALE ANNULLAMENTI"))
      aGTVoids = amount();
    else if (starts(u"NUMERO DOCUMENTI COMMERCIALI"))
      documents = StrToInt(ClosingValue(line, 10));
  }
  aSales += daySales;
  aVoids += dayVoids;
  aRefunds += dayRefunds;
  aCount += documents;
  return true;
}

bool kEpsonRTData::GetRTFiles(TDateTime aStartDateTime, TDateTime aEndDateTime, StringView aOutputPath,
                              int32_t& aCount) {
  aCount = 0;
  if (!platform::ForceDirectories(aOutputPath)) {
    Log(let_error, u"kEpsonRTData.GetRTFiles", u"Cannot create the folder " + String(aOutputPath));
    return false;
  }
  ListFolders(aStartDateTime, aEndDateTime, true);
  const String startKey = RangeKey(aStartDateTime);
  const String endKey = RangeKey(aEndDateTime);
  bool ok = true;
  for (size_t i = 0; i < fFileList.size() && ok; ++i) {
    const String name = NameOf(fFileList[i]);
    if (!(name > startKey && name < endKey)) continue;
    // The file is saved under the last part of its link, which comes from the printer's listing:
    // a part that is not a plain file name could write outside the output folder, so it is never
    // saved. The rest of the link only says where the file is fetched from (a rooted link from
    // the printer's own address).
    if (!IsPlainFileName(name)) {
      Log(let_error, u"kEpsonRTData.GetRTFiles", u"File name skipped: " + fLinkTargets[i]);
      continue;
    }
    ok = Get(fFileList[i]);
    if (!ok) break;
    std::string bytes;
    for (const String& line : SplitLines(fContent)) bytes += ToCp1252(line) + "\r\n";
    const String path = platform::CombinePath(aOutputPath, name);
    ok = (!platform::FileExists(path) || platform::DeleteFile(path)) && platform::AppendToFile(path, bytes);
    if (ok)
      ++aCount;
    else
      Log(let_error, u"kEpsonRTData.GetRTFiles", u"Cannot write " + path);
  }
  return ok;
}

}  // namespace qx
