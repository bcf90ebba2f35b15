// The printer's VAT table, and the closing of the day that programming any table needs.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// The VAT exemption natures: rate 0 entries that a department's VAT slot may name.
struct VatNature {
  int32_t Index;
  const char16_t* Code;
  const char16_t* Description;
};
constexpr VatNature kVatNatures[] = {{0, u"N4", u"*ES Esenti"},          {10, u"N1", u"*EE Escluse ex art 15"},
                                     {11, u"N2", u"*NS Non soggette"},   {12, u"N3", u"*NI Non imponibili"},
                                     {13, u"N5", u"*RM Regime del margine"}, {14, u"N6", u"*AL Altro non IVA"}};

// The printer has nine rate slots; a new rate never goes beyond them.
constexpr int32_t kVatSlots = 9;
constexpr const char16_t* kVatSlotField = u"the VAT slot";

// The rate as its field of the wire: 4 digits with 2 decimals; a rate of 100 or more is refused.
String VatRateField(const kVat& aVat) {
  return kFiscalPrinter_EPSFPNAT::FitField(aVat.fRate, 4, 2, u"the VAT rate " + aVat.fCode);
}

}  // namespace

bool kFiscalPrinter_EPSFPNAT::CloseDayBeforeProgramming() {
  // The printer takes no table while the fiscal day has receipts. A failing Z report does not
  // stop the programming: the printer then refuses it with its own error.
  if (IsDayOpen()) return ZReport(nullptr);
  return true;
}

bool kFiscalPrinter_EPSFPNAT::GetVatTable() {
  fVatTable->Clear();
  bool result = true;
  const int slots = fFiscalMode == u"RT" ? kVatSlots : 4;
  for (int n = 1; n <= slots && result; ++n) {
    result = ExecuteCommand(u"4205", FitField(n, 2, kVatSlotField), u"GetVatTable");
    if (!result) break;
    const String rate = ResponseField(3, 6);
    if (rate == u"0000") continue;
    auto vat = std::make_unique<kVat>();
    vat->fIndex = n;
    vat->fCode = rate;
    vat->fDescription = rate;
    vat->fRate = Currency::FromRaw(static_cast<int64_t>(StrToInt(rate)) * 100);  // hundredths to 4 decimals
    fVatTable->Add(std::move(vat));
  }
  if (fFiscalMode == u"RT" || fRTServerActive) {
    for (const VatNature& nature : kVatNatures) {
      auto vat = std::make_unique<kVat>();
      vat->fIndex = nature.Index;
      vat->fCode = nature.Code;
      vat->fDescription = nature.Description;
      fVatTable->Add(std::move(vat));
    }
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::SetVatTable(kVatTable& aVatTable) {
  // A rate that does not fit its field is refused before anything is sent.
  for (const kVat& vat : aVatTable)
    if (vat.fRate > Currency()) VatRateField(vat);

  // Without the printer's whole table the missing rates are not known: a failed read neither
  // closes the day nor programs anything.
  if (!GetVatTable()) return false;

  // Only codes the printer lacks are programmed; a code it holds keeps its slot and rate.
  bool needed = false;
  for (const kVat& vat : aVatTable) needed = needed || fVatTable->Get(vat.fCode) == nullptr;
  if (!needed) return true;

  CloseDayBeforeProgramming();

  bool result = true;
  for (const kVat& vat : aVatTable) {
    if (vat.fRate <= Currency() || fVatTable->Get(vat.fCode) != nullptr) continue;
    // New rates go after the highest used slot, never into a gap.
    const int32_t slot = fVatTable->GetFirstAvailableIndex();
    if (slot > kVatSlots) throw Error(u"No more available VAT slots");
    if (!result) continue;
    result = ExecuteCommand(u"4005", FitField(slot, 2, kVatSlotField) + VatRateField(vat) + u"00", u"SetVatTable");
    if (!result) continue;
    auto added = std::make_unique<kVat>();
    added->fIndex = slot;
    added->fCode = vat.fCode;
    added->fDescription = vat.fDescription;
    added->fRate = vat.fRate;
    fVatTable->Add(std::move(added));
  }
  if (result) result = GetVatTable();
  return result;
}

}  // namespace qx
