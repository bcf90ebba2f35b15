// The printer's economic activities and departments.
#include <vector>

#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

// The printer's activity slots and the departments read back.
constexpr int32_t kActivitySlots = 3;
constexpr int32_t kDepartmentsRead = 25;

// The names of the numeric fields in the messages of numbers too wide for them.
constexpr const char16_t* kActivityField = u"the economic activity number";
constexpr const char16_t* kDepartmentField = u"the department number";
constexpr const char16_t* kVatSlotField = u"the VAT slot";

// The fields of a department as the printer answers them, or as the driver writes them.
struct DepartmentFields {
  String Description;  // 20 characters, blanks included
  int32_t VatSlot = -1;
  bool Service = false;
  int32_t Activity = 0;

  bool operator==(const DepartmentFields&) const = default;
};

// aFirst..aLast (from 1) of an answer; shorter or empty past its end.
String Field(StringView aData, size_t aFirst, size_t aLast) {
  if (aFirst > aData.size()) return String();
  return String(aData.substr(aFirst - 1, aLast - aFirst + 1));
}

// The department answer: description at 3-22, VAT slot at 51-52, sales type at 68 ("0"
// product) and the activity at 72-73 (one position later than in the record written).
DepartmentFields ReadDepartmentAnswer(StringView aData) {
  DepartmentFields d;
  d.Description = Field(aData, 3, 22);
  d.VatSlot = StrToIntDef(Field(aData, 51, 52), -1);
  d.Service = Field(aData, 68, 68) != u"0";
  d.Activity = StrToIntDef(Field(aData, 72, 73), 0);
  return d;
}

// An activity as the printer keeps it: the code in six characters and the apportionment flag.
String ActivityRecord(StringView aCode, bool aVentilazione) {
  return kFiscalPrinterDevice::PadText(aCode, 6) + (aVentilazione ? u"1" : u"0");
}

}  // namespace

bool kFiscalPrinter_EPSFPNAT::GetEATable() {
  fEATable->Clear();
  bool result = true;
  for (int n = 1; n <= kActivitySlots && result; ++n) {
    result = ExecuteCommand(u"4237", FitField(n, 2, kActivityField), u"GetEATable");
    if (!result) break;
    auto activity = std::make_unique<kEconomicActivity>();
    activity->fIndex = n;
    // The printer pads a shorter code with blanks, as it was written: the code is without them.
    activity->fCode = TrimRight(ResponseField(3, 8));
    activity->fVentilazione = ResponseField(9, 9) == u"1";
    fEATable->Add(std::move(activity));
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::SetEATable(kEconomicActivityTable& aEATable) {
  // Every activity needs a slot of the printer: too many are refused before anything is sent.
  if (aEATable.Count() > static_cast<size_t>(kActivitySlots))
    throw Error(u"No more available economic activity slots");
  for (const kEconomicActivity& activity : aEATable) FitField(activity.fIndex, 2, kActivityField);

  // The printer's activities first: a table it holds already is not written again, and the day
  // is not closed for it.
  if (!GetEATable()) return false;
  bool needed = false;
  if (aEATable.Count() == 0) {
    for (const kEconomicActivity& held : *fEATable)
      needed = needed || ActivityRecord(held.fCode, held.fVentilazione) != ActivityRecord(u"000000", false);
  } else {
    for (const kEconomicActivity& activity : aEATable) {
      const kEconomicActivity* held = fEATable->GetByIndex(activity.fIndex);
      needed = needed || held == nullptr ||
               ActivityRecord(held->fCode, held->fVentilazione) !=
                   ActivityRecord(activity.fCode, activity.fVentilazione);
    }
  }
  if (!needed) return true;

  CloseDayBeforeProgramming();

  bool result = true;
  const String tail = u"1" + String(9, u' ');
  if (aEATable.Count() == 0) {
    for (int n = 1; n <= kActivitySlots && result; ++n)
      result = ExecuteCommand(u"4037", FitField(n, 2, kActivityField) + ActivityRecord(u"000000", false) + tail,
                              u"SetDeptTable [Clear]");
  } else {
    for (const kEconomicActivity& activity : aEATable) {
      if (!result) break;
      result = ExecuteCommand(u"4037",
                              FitField(activity.fIndex, 2, kActivityField) +
                                  ActivityRecord(activity.fCode, activity.fVentilazione) + tail,
                              u"SetDeptTable");
    }
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::GetDeptTable() {
  fDeptTable->Clear();
  bool result = true;
  for (int n = 1; n <= kDepartmentsRead && result; ++n) {
    result = ExecuteCommand(u"4202", FitField(n, 2, kDepartmentField), u"GetDeptTable");
    if (!result) break;
    const DepartmentFields fields = ReadDepartmentAnswer(fResponseData);
    // A department whose VAT slot holds no rate is not listed.
    const kVat* vat = fVatTable->GetByIndex(fields.VatSlot);
    if (vat == nullptr) continue;
    auto dept = std::make_unique<kDepartment>();
    dept->fIndex = n;
    dept->fCode = NumberField(n);
    dept->fDescription = TrimRight(fields.Description);
    dept->fVATCode = vat->fCode;
    dept->fSalesType = fields.Service ? st_Service : st_Product;
    if (fields.Activity > 0) {
      if (const kEconomicActivity* activity = fEATable->GetByIndex(fields.Activity)) dept->fEACode = activity->fCode;
    }
    fDeptTable->Add(std::move(dept));
  }
  return result;
}

bool kFiscalPrinter_EPSFPNAT::SetDeptTable(kDeptTable& aDeptTable) {
  // The activities of this request could not be programmed: the departments stay as they are
  // and the answer keeps the printer's error.
  if (fIOHandler->ErrorFound()) return false;

  // The department numbers are checked before anything is sent.
  std::vector<int32_t> numbers;
  for (const kDepartment& dept : aDeptTable) {
    numbers.push_back(StrToInt(dept.fCode));
    FitField(numbers.back(), 2, kDepartmentField);
  }

  // The printer's tables as they are now, after the activities were programmed.
  if (!GetVatTable() || !GetEATable()) return false;

  // Every department must name a VAT rate and an activity that the printer holds; one that does
  // not stops the whole table before any department is written, so that none refers to a
  // rate or an activity that the printer lacks.
  std::vector<DepartmentFields> wanted;
  for (const kDepartment& dept : aDeptTable) {
    const int32_t activity = GetEAIndex(dept.fEACode);
    if (activity == -1) throw Error(u"EACode " + dept.fEACode + u" not found");
    const int32_t slot = GetVatIndex(dept.fVATCode);
    if (slot == -1) throw Error(u"VATCode " + dept.fVATCode + u" not found");
    wanted.push_back({PadText(dept.fDescription, 20), slot, dept.fSalesType == st_Service, activity});
  }

  // Only the departments that differ from the printer's are written.
  std::vector<size_t> changed;
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (!ExecuteCommand(u"4202", FitField(numbers[i], 2, kDepartmentField), u"GetDeptTable")) return false;
    if (!(ReadDepartmentAnswer(fResponseData) == wanted[i])) changed.push_back(i);
  }
  if (changed.empty()) return true;

  CloseDayBeforeProgramming();

  for (const size_t i : changed) {
    const DepartmentFields& d = wanted[i];
    const String record = FitField(numbers[i], 2, kDepartmentField) + d.Description + String(27, u'0') + u"0" +
                          FitField(d.VatSlot, 2, kVatSlotField) + String(9, u'0') + u"0000" + u"  " +
                          (d.Service ? u"1" : u"0") + u"00" + FitField(d.Activity, 2, kActivityField);
    if (!ExecuteCommand(u"4002", record, u"SetDeptTable")) return false;
  }
  return true;
}

}  // namespace qx
