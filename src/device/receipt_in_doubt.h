// A receipt whose closing command the printer did not confirm: what the device needs to tell,
// later, whether the printer registered it, kept in a small file per printer so that a
// point-of-sale program that was restarted is protected too.
#pragma once

#include <cstdint>
#include <optional>

#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// The printer's numbering of fiscal documents: the number the next one gets and the closing
// (Z report) that will close its day.
struct qxDocumentNumbers {
  int32_t Next = 0;
  int32_t Closing = 0;
  bool operator==(const qxDocumentNumbers&) const = default;
};

enum qxInDoubtState {
  ids_Pending,     // sent to the printer; whether it registered it is not known yet
  ids_Registered,  // the printer registered it: a retry must not print it again
};

struct kReceiptInDoubt {
  qxInDoubtState State = ids_Pending;
  // The request's Receipt element as the parser reads it: a retry is the same text.
  String Receipt;
  // The printer's numbers before the receipt began.
  qxDocumentNumbers Before;
  // When the receipt was sent, and by which process: a record whose process still runs is that
  // process's own business.
  TDateTime SentAt = 0;
  uint32_t Writer = 0;
  // Once registered: the receipt's number, closing number and date.
  int32_t Number = 0;
  int32_t ClosingNumber = 0;
  TDateTime RegisteredAt = 0;
};

// The file of one printer: LogFiles/FiscalPrinter/<serial>_InDoubt.xml under the working
// directory, beside the Z-report date file. Every failure is reported, never raised: the
// record protects receipts but must never stop one.
class kReceiptInDoubtFile {
 public:
  explicit kReceiptInDoubtFile(String aFileName) : fFileName(std::move(aFileName)) {}
  const String& FileName() const { return fFileName; }
  // Written beside and renamed over; false (with aReason) when the file cannot be written.
  bool Store(const kReceiptInDoubt& aRecord, String& aReason) const;
  // No file: nullopt and an empty aReason. A damaged or unreadable file: nullopt and the reason.
  std::optional<kReceiptInDoubt> Load(String& aReason) const;
  void Remove() const;

 private:
  String fFileName;
};

// The Receipt element of a request text, serialised as the parser reads it; empty when the
// text has none.
String ReceiptElementText(StringView aRequest);

}  // namespace qx
