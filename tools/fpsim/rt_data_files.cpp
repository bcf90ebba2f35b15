#include "fpsim/rt_data_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "fpsim/field_text.h"
#include "fpsim/model_helpers.h"

namespace qx::fpsim {

namespace {

std::string Stamp(TDateTime aWhen, bool aIso) {
  const DateTimeParts p = DecodeDateTime(aWhen);
  const std::string date = Digits(p.Year, 4) + (aIso ? "-" : "") + Digits(p.Month, 2) + (aIso ? "-" : "") + Digits(p.Day, 2);
  const std::string time = Digits(p.Hour, 2) + (aIso ? ":" : "") + Digits(p.Minute, 2) + (aIso ? ":" : "") + Digits(p.Second, 2);
  return date + "T" + time;
}

// "1234.56": the XML amounts.
std::string XmlAmount(Currency aValue) {
  const int64_t cents = CurrencyToCents(aValue);
  const int64_t magnitude = cents < 0 ? -cents : cents;
  return std::string(cents < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + Digits(magnitude % 100, 2);
}

// The taxable part of a gross amount at a rate in hundredths.
Currency Taxable(Currency aGross, int aRate) { return aGross - model::VatIn(aGross, aRate); }

// The gross amount a reader computes back from a taxable amount: (100 + rate) x taxable / 100,
// to two decimals, halves to even.
Currency Gross(Currency aTaxable, int aRate) {
  const int64_t product = CurrencyToCents(aTaxable) * (10000 + aRate);  // cents x 10000
  int64_t q = product / 10000, r = product % 10000;
  if (r < 0) { r += 10000; --q; }
  if (2 * r > 10000 || (2 * r == 10000 && (q & 1) != 0)) ++q;
  return CentsToCurrency(q);
}

std::string Element(const std::string& aName, const std::string& aValue) {
  return "<" + aName + ">" + aValue + "</" + aName + ">";
}

std::string ClosingLine(const std::string& aLabel, const std::string& aValue, size_t aWidth) {
  return PadCut(aLabel, 46 - aWidth) + std::string(aWidth - std::min(aWidth, aValue.size()), ' ') + aValue;
}

}  // namespace

std::string RTDataFileStem(const std::string& aSerial, TDateTime aWhen) { return aSerial + "-" + Stamp(aWhen, false); }

// One summary per VAT rate of the day's sales; the voids and refunds go into the summary of the
// first rate (the simulator keeps them as day totals only). The tax is that of the net amount,
// so that net + voids + refunds, each taken back to gross, is the day's sales.
std::string DailySummaryXml(const PrinterState& aState, int aZNumber, TDateTime aWhen) {
  std::map<int, Currency> sales = aState.day.vatGross;
  if (sales.empty()) sales[aState.vatRates[1]] = Currency();
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<DatiCorrispettivi>\n";
  xml += "<Trasmissione>" + Element("Progressivo", std::to_string(aZNumber)) + "</Trasmissione>\n";
  xml += Element("DataOraRilevazione", Stamp(aWhen, true)) + "\n<DatiRT>\n";
  bool first = true;
  for (const auto& [rate, gross] : sales) {
    const Currency amount = Taxable(gross, rate);
    const Currency voids = first ? Taxable(aState.day.voids, rate) : Currency();
    const Currency returns = first ? Taxable(aState.day.refunds, rate) : Currency();
    const Currency tax = gross - amount + voids + returns - Gross(voids, rate) - Gross(returns, rate);
    first = false;
    xml += "<Riepilogo>";
    if (rate > 0)
      xml += "<IVA>" + Element("AliquotaIVA", XmlAmount(CentsToCurrency(rate))) + Element("Imposta", XmlAmount(tax)) + "</IVA>";
    else
      xml += Element("Natura", "N4");
    xml += Element("Ammontare", XmlAmount(amount)) + Element("TotaleAmmontareAnnulli", XmlAmount(voids)) +
           Element("TotaleAmmontareResi", XmlAmount(returns)) + "</Riepilogo>\n";
  }
  xml += "</DatiRT>\n</DatiCorrispettivi>\n";
  return xml;
}

std::string PrintedClosingText(const PrinterState& aState, int aZNumber, TDateTime aWhen) {
  std::string text = "Chiusura Giornaliera\n" + DdMmYy(aWhen) + "  " + HhNn(aWhen) + "\n";
  text += ClosingLine("NUMERO DOCUMENTI COMMERCIALI", std::to_string(aState.day.salesCount), 10) + "\n";
  text += ClosingLine("TOTALE GIORNO VENDITE", ItalianAmount(aState.day.sales), 16) + "\n";
  text += ClosingLine("TOTALE GIORNO RESI", ItalianAmount(aState.day.refunds), 16) + "\n";
  text += ClosingLine("TOTALE GIORNO ANNULLAMENTI", ItalianAmount(aState.day.voids), 16) + "\n";
  text += ClosingLine("GRAN TOTALE VENDITE", ItalianAmount(aState.grandSales), 16) + "\n";
  text += ClosingLine("GRAN TOTALE RESI", ItalianAmount(aState.grandRefunds), 16) + "\n";
  text += ClosingLine("GRAN TOTALE ANNULLAMENTI", ItalianAmount(aState.grandVoids), 16) + "\n";
  text += ClosingLine("NUMERO AZZERAMENTI", Digits(aZNumber, 4), 10) + "\n";
  return text;
}

bool WriteRTDataFiles(const std::string& aWebRoot, const PrinterState& aState, int aZNumber, TDateTime aWhen) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::path(aWebRoot) / "www" / "dati-rt" / Stamp(aWhen, false).substr(0, 8);
  fs::create_directories(folder, error);
  for (const char* name : {"demo", "da-inviare", "rifiutati"}) fs::create_directories(fs::path(aWebRoot) / "www" / "dati-rt" / name, error);
  const std::string stem = RTDataFileStem(aState.serial, aWhen);
  bool ok = true;
  for (const auto& [suffix, content] : {std::pair<std::string, std::string>{"_CORRISP.xml", DailySummaryXml(aState, aZNumber, aWhen)},
                                        {"_ZREPORT.txt", PrintedClosingText(aState, aZNumber, aWhen)}}) {
    std::ofstream out(folder / (stem + suffix), std::ios::binary | std::ios::trunc);
    out << content;
    ok = ok && static_cast<bool>(out);
  }
  return ok;
}

}  // namespace qx::fpsim
