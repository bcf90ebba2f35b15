// The electronic journal: every fiscal document, non-fiscal document and Z report as the lines
// it printed, 46 characters at most, with its kind, date and number.
#pragma once

#include <string>
#include <vector>

#include "support/date_time.h"

namespace qx::fpsim {

// The kind digits of the journal read.
enum class JournalKind { FiscalReceipt = 1, Invoice = 2, NonFiscal = 3, CreditNote = 4, ZReport = 5 };

constexpr size_t kJournalLineWidth = 46;

struct JournalEntry {
  JournalKind kind = JournalKind::FiscalReceipt;
  TDateTime when = 0;
  int number = 0;  // document number of the day, or the Z report number
  std::vector<std::string> lines;
};

// A copy, so that a read in progress survives documents printed meanwhile.
struct JournalLine {
  TDateTime when = 0;
  int number = 0;
  std::string text;  // exactly kJournalLineWidth characters
};

class Journal {
 public:
  void Add(JournalEntry aEntry);
  const std::vector<JournalEntry>& Entries() const { return fEntries; }
  // The lines of the entries of aKind dated from aFirstDay to aLastDay (whole days, inclusive).
  std::vector<JournalLine> Select(JournalKind aKind, TDateTime aFirstDay, TDateTime aLastDay) const;

 private:
  std::vector<JournalEntry> fEntries;
};

}  // namespace qx::fpsim
