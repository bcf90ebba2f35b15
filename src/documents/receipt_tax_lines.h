// The tax summary of a fiscal receipt.
#pragma once

#include "documents/enumerations.h"
#include "documents/owned_list.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kReceipt;

class kReceiptTaxLine {
 public:
  explicit kReceiptTaxLine(kReceipt* aOwner) : fOwner(aOwner) {}
  kReceiptTaxLine(const kReceiptTaxLine&) = delete;
  kReceiptTaxLine& operator=(const kReceiptTaxLine&) = delete;

  kReceipt* fOwner;  // not owned
  qxReceiptTaxType fTaxType = tt_VAT;
  String fTaxCode;
  String fTaxDescription;
  Currency fTaxRate;
  Currency fTaxableAmount;
  Currency fTaxAmount;
  Currency fTotalAmount;
};

class kReceiptTaxLines : public kOwnedList<kReceiptTaxLine> {};

}  // namespace qx
