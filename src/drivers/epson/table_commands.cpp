// The printer's VAT, department and economic-activity tables.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
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

}  // namespace

bool kFiscalPrinter_EPSFPNAT::GetVatTable() {
  fVatTable->Clear();
  bool result = true;
  const int slots = fFiscalMode == u"RT" ? 9 : 4;
  for (int n = 1; n <= slots && result; ++n) {
    result = ExecuteCommand(u"4205", NumberField(n), u"GetVatTable");
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

bool kFiscalPrinter_EPSFPNAT::SetVatTable(kVatTable&) { return NotAvailable(u"SetVatTable"); }

bool kFiscalPrinter_EPSFPNAT::GetEATable() { return NotAvailable(u"GetEATable"); }

bool kFiscalPrinter_EPSFPNAT::SetEATable(kEconomicActivityTable&) { return NotAvailable(u"SetEATable"); }

bool kFiscalPrinter_EPSFPNAT::GetDeptTable() { return NotAvailable(u"GetDeptTable"); }

bool kFiscalPrinter_EPSFPNAT::SetDeptTable(kDeptTable&) { return NotAvailable(u"SetDeptTable"); }

}  // namespace qx
