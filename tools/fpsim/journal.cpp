#include "fpsim/journal.h"

#include <cmath>

#include "fpsim/field_text.h"

namespace qx::fpsim {

void Journal::Add(JournalEntry aEntry) {
  for (std::string& line : aEntry.lines) line = PadCut(line, kJournalLineWidth);
  fEntries.push_back(std::move(aEntry));
}

std::vector<JournalLine> Journal::Select(JournalKind aKind, TDateTime aFirstDay, TDateTime aLastDay) const {
  std::vector<JournalLine> lines;
  const double first = std::floor(aFirstDay), last = std::floor(aLastDay);
  for (const JournalEntry& entry : fEntries) {
    const double day = std::floor(entry.when);
    if (entry.kind != aKind || day < first || day > last) continue;
    for (const std::string& text : entry.lines) lines.push_back({entry.when, entry.number, text});
  }
  return lines;
}

}  // namespace qx::fpsim
