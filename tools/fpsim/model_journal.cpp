// The electronic journal read and the lottery state of receipts.
#include <cmath>

#include "fpsim/model_helpers.h"

namespace qx::fpsim {

using namespace model;

// "4038": "02" + password (40).
Reply PrinterModel::JournalLogin(std::string_view aData) {
  if (aData.size() != 42) return Fail(kErrBadValue);
  fState.journalLoggedIn = TrimBlanks(aData.substr(2)) == fState.localPassword;
  return fState.journalLoggedIn ? Ok() : Fail(kErrBadValue);
}

// "3103": "01" + destination ("0" printer, "1" memory) + kind + first day ddmmyy + last day
// ddmmyy + "0" (from the first line) or "1" (next line) + "00".
// A memory read answers one line: positions 1-2 "01", 3-8 the document's ddmmyy, 9-12 its
// number, 13-16 the line's number in the read, 17-62 the line (46 characters). When no line is
// left the answer's echo is "3102" and its data empty.
Reply PrinterModel::JournalRead(std::string_view aData) {
  PrinterState& s = fState;
  TDateTime first = 0, last = 0;
  if (aData.size() != 19 || (aData[2] != '0' && aData[2] != '1') || (aData[16] != '0' && aData[16] != '1'))
    return Fail(kErrBadValue);
  const char kind = aData[3];
  if (kind < '1' || kind > '5') return Fail(kErrBadValue);
  if (!ParseWireDate(aData.substr(4, 6), 2, first) || !ParseWireDate(aData.substr(10, 6), 2, last))
    return Fail(kErrBadDate);
  if (!s.journalLoggedIn) return Fail(kErrNotPossible);

  if (aData[2] == '0') {  // to the printer
    if (PaperBlocked()) return Fail(kErrPaper);
    if (AnyDocumentOpen()) return Fail(kErrCloseReceipt);
    const std::vector<JournalLine> lines = s.journal.Select(static_cast<JournalKind>(kind - '0'), first, last);
    Print(Centered("GIORNALE ELETTRONICO", LineLength()));
    for (const JournalLine& line : lines) Print(line.text);
    Print(Centered("FINE GIORNALE ELETTRONICO", LineLength()));
    return Ok();
  }

  if (aData[16] == '0') {
    s.journalSelection = s.journal.Select(static_cast<JournalKind>(kind - '0'), first, last);
    s.journalCursor = 0;
    s.journalReading = true;
  } else if (!s.journalReading) {
    return Fail(kErrSequence);
  }
  if (s.journalCursor >= s.journalSelection.size()) {
    s.journalReading = false;
    s.journalSelection.clear();
    return Reply{0, {}, "3102"};
  }
  const JournalLine& line = s.journalSelection[s.journalCursor++];
  return Ok("01" + DdMmYy(line.when) + Digits(line.number, 4) + Digits(static_cast<int64_t>(s.journalCursor), 4) +
            line.text);
}

// "9218": serial (8) + closing (4) + number (4) + ddmmyy + "00".
// Answer: positions 1-22 the document asked, 23-24 the state ("00" sent, "01" to be sent,
// "05" not found or without lottery code), 25-29 the status code, 30-79 the reference id.
Reply PrinterModel::LotteryStatus(std::string_view aData) {
  int64_t closing = 0, number = 0;
  TDateTime date = 0;
  if (aData.size() != 24 || !NumberField(aData, 8, 4, closing) || !NumberField(aData, 12, 4, number) ||
      !ParseWireDate(aData.substr(16, 6), 2, date))
    return Fail(kErrBadValue);
  std::string state = "05", code = "00000", reference;
  if (aData.substr(0, 8) == PadCut(fState.serial, 8)) {
    const int index = FindOwnDocument(date, static_cast<int>(number), static_cast<int>(closing));
    if (index >= 0 && !fState.documents[index].lotteryState.empty()) {
      const DocumentRecord& r = fState.documents[index];
      state = r.lotteryState;
      code = r.lotteryStatusCode;
      reference = r.lotteryReferenceId;
    }
  }
  return Ok(std::string(aData.substr(0, 22)) + PadCut(state, 2) + PadCut(code, 5) + PadCut(reference, 50));
}

}  // namespace qx::fpsim
