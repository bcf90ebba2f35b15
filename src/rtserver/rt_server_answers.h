// The answers of the RT-server library: the signing of one receipt and the till totals of an X
// report or a daily closing. Each is a small XML document whose document element may have any
// name; its direct children carry the values.
#pragma once

#include <cstdint>

#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// The RT data of one signed receipt.
class kRTServerReceiptInfo {
 public:
  // Reads aXml; raises a qx::Error naming what it could not read. Fields read before the
  // failure keep their new values. Without a Headers element the earlier header lines stay.
  bool DeSerialize(StringView aXml);

  Currency fVATTotal;
  String fRTTillId;
  String fRTServerSerialNumber;
  String fRTSignature;
  int32_t fRTnDoc = 0;
  int32_t fRTzRep = 0;
  StringList fHeaders;
};

// The till totals of an X report or a daily closing.
class kRTServerTillReportInfo {
 public:
  bool DeSerialize(StringView aXml);

  String fTillSerialNumber;
  String fServerSerialNumber;
  int32_t fnRecNumber = 0;
  int32_t fzRepNumber = 0;
  TDateTime fzRepDateTime = 0;
  Currency fDailyAmount;
  Currency fSalesAmount;
  Currency fVoidsAmount;
  Currency fRefundsAmount;
};

}  // namespace qx
