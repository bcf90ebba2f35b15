// The simulated printer's initial state: identity, parameters, tables, clock, paper, faults.
// Read from a small "key = value" file (config_file.h) or set option by option.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fpsim/fault.h"
#include "support/date_time.h"

namespace qx::fpsim {

enum class PaperState { Ok, NearEnd, End, CoverOpen };

struct DepartmentConfig {
  std::string description;
  int vatSlot = 1;  // 1-9 a rate slot; 0 and 10-14 the VAT natures (rate 0)
  bool service = false;
  int activity = 0;  // 0: none, 1-3
};

struct ActivityConfig {
  std::string code = "000000";
  bool ventilazione = false;
};

struct SimulatorConfig {
  std::string serial = "99MEB012345";  // 11 characters: 2 + 1 + 2 + 6
  std::string firmware = "5.010";      // 5 characters; "1." or "2." mark an MF-only printer
  std::string fiscalMode = "RT";       // "RT" or "MF"
  std::map<int, std::string> s14;      // overrides of the defaults, one character each
  std::map<int, std::string> s15;      // two characters each
  std::map<int, int> vatRates;         // slot 1-9 -> rate in hundredths (2200); 0 empties a slot
  std::map<int, DepartmentConfig> departments;  // 1-99, overriding the defaults
  std::map<int, ActivityConfig> activities;     // 1-3
  std::map<int, std::string> header;            // shop header lines 1-9
  std::optional<TDateTime> clock;               // the clock's time at start
  int64_t clockOffsetSeconds = 0;               // added to the computer's clock (when no clock)
  bool clockFrozen = false;                     // the clock does not run
  std::string localPassword = "36092";          // password of the journal read
  std::string eftResult = "00";                 // payment terminal result: "00" approved
  int drawerAutoClose = 1;                      // status reads that see the drawer open; 0: stays open
  PaperState paper = PaperState::Ok;
  int dayDocuments = 0;                         // sales already in the fiscal day at start
  std::vector<Fault> faults;
  std::string webRoot;  // RT data files written here on each Z report in RT mode; empty: none
};

// Applies one setting; raises qx::Error("unknown setting ..." or "bad value ...") otherwise.
// Keys: serial, firmware, mode, s14.N, s15.N, vat.N, department.N, activity.N, header.N, web_root, clock,
// clock_offset, clock_frozen, password, eft_result, drawer_auto_close, paper, day_documents, fault.
void ApplySetting(SimulatorConfig& aConfig, std::string_view aKey, std::string_view aValue);

}  // namespace qx::fpsim
