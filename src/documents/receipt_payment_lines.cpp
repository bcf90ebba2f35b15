#include "documents/receipt_payment_lines.h"

#include "documents/amount_arithmetic.h"

namespace qx {

Currency kReceiptPaymentLines::TotalAmount() const {
  Currency total;
  for (const kReceiptPaymentLine& line : *this) {
    if (line.fPaymentType != Rpt_Change) total = CheckedAdd(total, line.fAmount);
  }
  return total;
}

}  // namespace qx
