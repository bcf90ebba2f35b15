// MF mode: the Z-report counters read back from the journal text of the day's Z reports.
#include <climits>

#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

namespace {

// The values of one Z block, committed to the counters at its seal line.
struct ZBlock {
  Currency DayTotal, GrandTotal, Discounts, Returns, DayRefunds, DayVoids, GrandRefunds, GrandVoids;
  int32_t RefundsCount = 0, ReceiptsCount = 0, ZNumber = 0;
  TDateTime Date = 0;
};

// A printed amount: "." groups thousands, "," is the decimal separator; 0 when no number.
Currency PrintedValue(StringView aWord) {
  Currency value;
  if (!Currency::TryFromText(ReplaceAll(ReplaceAll(aWord, u".", u""), u",", u"."), value)) return Currency();
  return value;
}

// Counts read from the journal text are held to the 32-bit range: no value or sum wraps around.
int32_t Clamped(int64_t aValue) {
  return aValue > INT32_MAX ? INT32_MAX : (aValue < INT32_MIN ? INT32_MIN : static_cast<int32_t>(aValue));
}

int32_t Truncated(Currency aValue) { return Clamped(aValue.Raw() / Currency::kScale); }

int32_t SaturatedSum(int32_t a, int32_t b) { return Clamped(static_cast<int64_t>(a) + b); }

bool TwoDigitsBetween(StringView aText, size_t aAt, StringView aLow, StringView aHigh) {
  if (aText.size() < aAt + 2) return false;
  const StringView pair = aText.substr(aAt, 2);
  return pair >= aLow && pair <= aHigh;
}

int TwoDigitValue(StringView aText, size_t aAt) { return (aText[aAt] - u'0') * 10 + (aText[aAt + 1] - u'0'); }

}  // namespace

String kFiscalPrinter_EPSFPNAT::LastWord(StringView aText) {
  const String trimmed = Trim(aText);
  const size_t blank = trimmed.find_last_of(u' ');
  return blank == String::npos ? trimmed : trimmed.substr(blank + 1);
}

bool kFiscalPrinter_EPSFPNAT::IsZReportDateLine(StringView aText) {
  return aText.size() >= 15 && TwoDigitsBetween(aText, 0, u"01", u"31") && aText[2] == u'-' &&
         TwoDigitsBetween(aText, 3, u"01", u"12") && aText[5] == u'-' && TwoDigitsBetween(aText, 6, u"01", u"66") &&
         aText.substr(8, 2) == u"  " && TwoDigitsBetween(aText, 10, u"00", u"23") && aText[12] == u':' &&
         TwoDigitsBetween(aText, 13, u"00", u"59");
}

TDateTime kFiscalPrinter_EPSFPNAT::DecodeZReportDate(StringView aText) {
  DateTimeParts p;
  p.Day = TwoDigitValue(aText, 0);
  p.Month = TwoDigitValue(aText, 3);
  p.Year = 2000 + TwoDigitValue(aText, 6);
  p.Hour = TwoDigitValue(aText, 10);
  p.Minute = TwoDigitValue(aText, 13);
  TDateTime value = 0;
  // A day the month does not have (31-02) reads as no date rather than failing the report.
  return TryEncodeDateTime(p, value) ? value : 0;
}

bool kFiscalPrinter_EPSFPNAT::ParseZReportText(StringView aText) {
  ResetCounters();
  ZBlock block;
  fCounters.Text = aText;
  String previous;
  for (const String& line : SplitLines(aText)) {
    if (line == previous) continue;
    previous = line;
    const String text = ReplaceAll(line, u"?", u" ");
    const Currency value = PrintedValue(LastWord(text));
    auto has = [&text](StringView aLabel) { return text.find(aLabel) != String::npos; };
    if (has(u"RAPPORTO   FISCALE") || has(u"Chiusura Giornaliera")) {
      block = ZBlock();
    } else if (has(u"SIGILLO FISCALE: ")) {
      fCounters.GrandTotalAmount = block.GrandTotal;
      fCounters.GrandTotalRefundsAmount = block.GrandRefunds;
      fCounters.GrandTotalVoidsAmount = block.GrandVoids;
      fCounters.DayTotalAmount += block.DayTotal;
      fCounters.DayDiscountsAmount += block.Discounts;
      fCounters.DayReturnsAmount += block.Returns;
      fCounters.DayRefundsAmount += block.DayRefunds;
      fCounters.DayVoidsAmount += block.DayVoids;
      fCounters.DayReceiptsNumber = SaturatedSum(fCounters.DayReceiptsNumber, block.ReceiptsCount);
      fCounters.DayRefundsNumber = SaturatedSum(fCounters.DayRefundsNumber, block.RefundsCount);
      fCounters.ZReportNumber = block.ZNumber;
      fCounters.ZReportDateTime = block.Date;
      block = ZBlock();
    } else if (has(u"TOTALE GIORNO  ")) {
      block.DayTotal = value;
    } else if (has(u"GRAN TOTALE  ")) {
      block.GrandTotal = value;
    } else if (has(u"TOTALE SCONTI")) {
      block.Discounts = value;
    } else if (has(u"TOTALE RESI")) {
      block.Returns = value;
    } else if (has(u"NUMERO SCONTRINI NOTE di CREDITO")) {
      block.RefundsCount = Truncated(value);
    } else if (has(u"TOTALE GIORNO NOTE di CREDITO") || has(u"TOTALE GIORNO RESO MERCE")) {
      block.DayRefunds = value;
    } else if (has(u"TOTALE GIORNO ANNULLAMENTI")) {
      block.DayVoids = value;
    } else if (has(u"GRAN TOTALE NOTE di CREDITO") || has(u"GRAN TOTALE RESO MERCE")) {
      block.GrandRefunds = value;
    } else if (has(u"GRAN TOTALE ANNULLAMENTI")) {
      block.GrandVoids = value;
    } else if (has(u"SCONTRINI FISCALI") || has(u"NUMERO DOCUMENTI COMMERCIALI")) {
      block.ReceiptsCount = Truncated(value);
    } else if (has(u"NUMERO AZZERAMENTI")) {
      block.ZNumber = Truncated(value);
    } else if (IsZReportDateLine(text)) {
      block.Date = DecodeZReportDate(text);
    }
  }
  return true;
}

}  // namespace qx
