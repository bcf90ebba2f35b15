// The printer's economic activities and departments.
#include <utility>
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

constexpr size_t kLimitDigits = 28 + 13;

// The fields of a department as the printer answers them, or as the driver writes them.
struct DepartmentFields {
  String Description;  // 20 characters, blanks included
  int32_t VatSlot = -1;
  bool Service = false;
  int32_t Activity = 0;
  // The sales limits (record positions 23-50 and 53-65), which the driver writes as zeros: a
  // department whose limits are set differs from the record, which would clear them.
  String Limits = String(kLimitDigits, u'0');

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
  d.Limits = Field(aData, 23, 50) + Field(aData, 53, 65);
  return d;
}

// The department numbers of a request, each a whole number that fits its two digits.
std::vector<int32_t> DepartmentNumbers(const kDeptTable& aDeptTable) {
  std::vector<int32_t> numbers;
  for (const kDepartment& dept : aDeptTable) {
    numbers.push_back(StrToInt(dept.fCode));
    kFiscalPrinter_EPSFPNAT::FitField(numbers.back(), 2, kDepartmentField);
  }
  return numbers;
}

// The departments of a request as the printer is to hold them, with the activity numbers of
// aActivities. Every department must name a VAT rate of the device's table and an activity; one
// that does not stops the whole table before any department is written, so that none refers to
// a rate or an activity the printer lacks.
std::vector<DepartmentFields> WantedDepartments(const kFiscalPrinterDevice& aDevice,
                                                const kEconomicActivityTable& aActivities,
                                                const kDeptTable& aDeptTable) {
  std::vector<DepartmentFields> wanted;
  for (const kDepartment& dept : aDeptTable) {
    const kEconomicActivity* held = aActivities.Get(dept.fEACode);
    const int32_t activity = Trim(dept.fEACode).empty() ? 0 : held != nullptr ? held->fIndex : -1;
    if (activity == -1) throw Error(u"EACode " + dept.fEACode + u" not found");
    const int32_t slot = aDevice.GetVatIndex(dept.fVATCode);
    if (slot == -1) throw Error(u"VATCode " + dept.fVATCode + u" not found");
    wanted.push_back({kFiscalPrinterDevice::PadText(dept.fDescription, 20), slot, dept.fSalesType == st_Service, activity});
  }
  return wanted;
}

// An activity request the printer's three slots can take.
void CheckActivityRequest(const kEconomicActivityTable& aEATable) {
  if (aEATable.Count() > static_cast<size_t>(kActivitySlots))
    throw Error(u"No more available economic activity slots");
  for (const kEconomicActivity& activity : aEATable) kFiscalPrinter_EPSFPNAT::FitField(activity.fIndex, 2, kActivityField);
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
  fActivityWriteRefused = false;
  // Every activity needs a slot of the printer: too many are refused before anything is sent.
  CheckActivityRequest(aEATable);

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
  // Departments are not written after a refused activity: they could name the activity that
  // is missing. Other failures of this step (the Z report's) do not stop them.
  fActivityWriteRefused = !result;
  return result;
}

bool kFiscalPrinter_EPSFPNAT::CheckDeptTableRequest(kEconomicActivityTable& aEATable, kDeptTable& aDeptTable) {
  CheckActivityRequest(aEATable);
  DepartmentNumbers(aDeptTable);
  if (!GetVatTable() || !GetEATable()) return false;
  // The activities as the printer will read them back once the request's are written: each slot
  // of the request with its code cut to six characters, or every slot cleared by an empty one.
  kEconomicActivityTable future;
  for (const kEconomicActivity& held : *fEATable) {
    kEconomicActivity& slot = future.Add(std::make_unique<kEconomicActivity>());
    slot.fIndex = held.fIndex;
    slot.fCode = aEATable.Count() == 0 ? String(u"000000") : held.fCode;
  }
  for (const kEconomicActivity& activity : aEATable) {
    kEconomicActivity* slot = future.GetByIndex(activity.fIndex);
    if (slot == nullptr) slot = &future.Add(std::make_unique<kEconomicActivity>());
    slot->fIndex = activity.fIndex;
    slot->fCode = TrimRight(PadText(activity.fCode, 6));
  }
  WantedDepartments(*this, future, aDeptTable);
  return true;
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
  if (std::exchange(fActivityWriteRefused, false)) return false;

  // The department numbers are checked before anything is sent.
  const std::vector<int32_t> numbers = DepartmentNumbers(aDeptTable);

  // The printer's tables as they are now, after the activities were programmed.
  if (!GetVatTable() || !GetEATable()) return false;
  const std::vector<DepartmentFields> wanted = WantedDepartments(*this, *fEATable, aDeptTable);

  // Only the departments that differ from the printer's are written: every field of the record
  // counts, the limits that the record clears included.
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
