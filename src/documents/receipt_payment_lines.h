// The payments of a fiscal receipt.
#pragma once

#include "documents/enumerations.h"
#include "documents/owned_list.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kReceipt;

class kReceiptPaymentLine {
 public:
  explicit kReceiptPaymentLine(kReceipt* aOwner) : fOwner(aOwner) {}
  kReceiptPaymentLine(const kReceiptPaymentLine&) = delete;
  kReceiptPaymentLine& operator=(const kReceiptPaymentLine&) = delete;

  kReceipt* fOwner;  // not owned
  qxReceiptPaymentType fPaymentType = rpt_Cash;
  String fDescription;
  Currency fAmount;
  String fCurrency;
  Currency fQuantity;
  Currency fUnitPrice;
};

class kReceiptPaymentLines : public kOwnedList<kReceiptPaymentLine> {
 public:
  // What the customer paid: the sum of the amounts of every line but the change lines.
  Currency TotalAmount() const;
};

}  // namespace qx
