#include "documents/receipt_message_lines.h"

#include "documents/nf_receipt.h"
#include "documents/receipt.h"
#include "documents/rpt_util.h"

namespace qx {

String kReceiptMessageTextLine::Value() const {
  const bool special = (fOwner != nullptr && fOwner->fSupportSpecialChars) ||
                       (fNFOwner != nullptr && fNFOwner->fSupportSpecialChars);
  return special ? fValue : krptUtil::NormalizeText(fValue);
}

}  // namespace qx
