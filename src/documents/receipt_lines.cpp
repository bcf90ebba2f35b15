#include "documents/receipt_lines.h"

#include "documents/amount_arithmetic.h"
#include "documents/receipt.h"
#include "documents/rpt_util.h"

namespace qx {

String kReceiptLine::Printable(const String& aText) const {
  if (fOwner != nullptr && fOwner->fSupportSpecialChars) return aText;
  return krptUtil::NormalizeText(aText);
}

Currency kReceiptLineProductSale::GetAmount() const { return fFreeOfCharge ? Currency() : fAmount; }

Currency kReceiptLineProductReturn::GetAmount() const {
  return fFreeOfCharge ? Currency() : CheckedNegate(fAmount);
}

Currency kReceiptLineVoucherSale::GetAmount() const { return fFreeOfCharge ? Currency() : fPrice; }

Currency kReceiptLineVoucherRedeem::GetAmount() const {
  return fFreeOfCharge ? Currency() : CheckedNegate(fPrice);
}

Currency kReceiptLineGiftCardSale::GetAmount() const { return fFreeOfCharge ? Currency() : fPrice; }

Currency kReceiptLineGiftCardRedeem::GetAmount() const {
  return fFreeOfCharge ? Currency() : CheckedNegate(fPrice);
}

Currency kReceiptLineDiscountAmount::GetAmount() const { return CheckedNegate(fAmount); }

Currency kReceiptLineDiscountPercentage::GetAmount() const { return CheckedNegate(fAmount); }

}  // namespace qx
