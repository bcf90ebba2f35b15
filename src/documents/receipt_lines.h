// The lines of a fiscal receipt. Each line knows its signed contribution to the receipt total
// (GetAmount); lines with a description hand it out normalised for the printer unless the
// owning receipt declares that the printer supports special characters.
#pragma once

#include "documents/enumerations.h"
#include "documents/owned_list.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kReceipt;

class kReceiptLine {
 public:
  kReceiptLine(const kReceiptLine&) = delete;
  kReceiptLine& operator=(const kReceiptLine&) = delete;
  virtual ~kReceiptLine() = default;

  // The signed amount the line adds to the receipt total.
  virtual Currency GetAmount() const = 0;

  kReceipt* fOwner;  // not owned
  qxReceiptLineType fLineType;
  String fAdditionalInfo;

 protected:
  kReceiptLine(kReceipt* aOwner, qxReceiptLineType aLineType) : fOwner(aOwner), fLineType(aLineType) {}
  // aText as the printer gets it: normalised unless the owner supports special characters.
  String Printable(const String& aText) const;
};

class kReceiptLineProductSale : public kReceiptLine {
 public:
  explicit kReceiptLineProductSale(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_ProductSale) {}
  Currency GetAmount() const override;
  String Description() const { return Printable(fDescription); }

  String fCode;
  String fDescription;
  Currency fQuantity;
  String fUOM;
  String fDepartment;
  String fTaxCode;
  Currency fPrice;
  Currency fAmount;
  bool fFreeOfCharge = false;
  qxReceiptLineAttribute fAttribute = rla_Service;
  String fVoucherCode;

 protected:
  kReceiptLineProductSale(kReceipt* aOwner, qxReceiptLineType aLineType) : kReceiptLine(aOwner, aLineType) {}
};

class kReceiptLineProductReturn : public kReceiptLineProductSale {
 public:
  explicit kReceiptLineProductReturn(kReceipt* aOwner) : kReceiptLineProductSale(aOwner, rlt_ProductReturn) {}
  Currency GetAmount() const override;
};

class kReceiptLineWeightedProductSale : public kReceiptLineProductSale {
 public:
  explicit kReceiptLineWeightedProductSale(kReceipt* aOwner)
      : kReceiptLineProductSale(aOwner, rlt_WeightedProductSale) {}

  Currency fTare;
};

class kReceiptLineCollectAmount : public kReceiptLine {
 public:
  explicit kReceiptLineCollectAmount(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_CollectAmount) {}
  Currency GetAmount() const override { return fAmount; }
  String Description() const { return Printable(fDescription); }

  String fDescription;
  String fDepartment;
  String fTaxCode;
  Currency fAmount;
};

class kReceiptLineVoucherSale : public kReceiptLine {
 public:
  explicit kReceiptLineVoucherSale(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_VoucherSale) {}
  Currency GetAmount() const override;
  String Description() const { return Printable(fDescription); }

  String fCode;
  String fDescription;
  Currency fPrice;
  String fDepartment;
  String fTaxCode;
  bool fFreeOfCharge = false;

 protected:
  kReceiptLineVoucherSale(kReceipt* aOwner, qxReceiptLineType aLineType) : kReceiptLine(aOwner, aLineType) {}
};

class kReceiptLineVoucherRedeem : public kReceiptLineVoucherSale {
 public:
  explicit kReceiptLineVoucherRedeem(kReceipt* aOwner) : kReceiptLineVoucherSale(aOwner, rlt_VoucherRedeem) {}
  Currency GetAmount() const override;
};

// Shaped like a voucher sale, but its own branch of the tree.
class kReceiptLineGiftCardSale : public kReceiptLine {
 public:
  explicit kReceiptLineGiftCardSale(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_GiftCardSale) {}
  Currency GetAmount() const override;
  String Description() const { return Printable(fDescription); }

  String fCode;
  String fDescription;
  Currency fPrice;
  String fDepartment;
  String fTaxCode;
  bool fFreeOfCharge = false;
  String fTaxMode;

 protected:
  kReceiptLineGiftCardSale(kReceipt* aOwner, qxReceiptLineType aLineType) : kReceiptLine(aOwner, aLineType) {}
};

class kReceiptLineGiftCardRedeem : public kReceiptLineGiftCardSale {
 public:
  explicit kReceiptLineGiftCardRedeem(kReceipt* aOwner) : kReceiptLineGiftCardSale(aOwner, rlt_GiftCardRedeem) {}
  Currency GetAmount() const override;
};

class kReceiptLineSubtotal : public kReceiptLine {
 public:
  explicit kReceiptLineSubtotal(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_SubTotal) {}
  Currency GetAmount() const override { return Currency(); }

  Currency fAmount;
};

class kReceiptLineText : public kReceiptLine {
 public:
  explicit kReceiptLineText(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_Text) {}
  Currency GetAmount() const override { return Currency(); }
  String Description() const { return Printable(fDescription); }

  String fDescription;
};

// Discounts are given as positive amounts and count negatively; the markups derived from them
// count positively.
class kReceiptLineDiscountAmount : public kReceiptLine {
 public:
  explicit kReceiptLineDiscountAmount(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_DiscountAmount) {}
  Currency GetAmount() const override;
  String Description() const { return Printable(fDescription); }

  String fDescription;
  Currency fAmount;
  String fReasonCode;
  String fReasonNote;

 protected:
  kReceiptLineDiscountAmount(kReceipt* aOwner, qxReceiptLineType aLineType) : kReceiptLine(aOwner, aLineType) {}
};

class kReceiptLineDiscountAmountOnSubTotal : public kReceiptLineDiscountAmount {
 public:
  explicit kReceiptLineDiscountAmountOnSubTotal(kReceipt* aOwner)
      : kReceiptLineDiscountAmount(aOwner, rlt_DiscountAmountOnSubtotal) {}

 protected:
  kReceiptLineDiscountAmountOnSubTotal(kReceipt* aOwner, qxReceiptLineType aLineType)
      : kReceiptLineDiscountAmount(aOwner, aLineType) {}
};

class kReceiptLineMarkupAmount : public kReceiptLineDiscountAmount {
 public:
  explicit kReceiptLineMarkupAmount(kReceipt* aOwner) : kReceiptLineDiscountAmount(aOwner, rlt_MarkupAmount) {}
  Currency GetAmount() const override { return fAmount; }
};

class kReceiptLineMarkupAmountOnSubTotal : public kReceiptLineDiscountAmountOnSubTotal {
 public:
  explicit kReceiptLineMarkupAmountOnSubTotal(kReceipt* aOwner)
      : kReceiptLineDiscountAmountOnSubTotal(aOwner, rlt_MarkupAmountOnSubtotal) {}
  Currency GetAmount() const override { return fAmount; }
};

// A percentage line carries the percentage and the amount it comes to; only the amount counts.
class kReceiptLineDiscountPercentage : public kReceiptLine {
 public:
  explicit kReceiptLineDiscountPercentage(kReceipt* aOwner) : kReceiptLine(aOwner, rlt_DiscountPercentage) {}
  Currency GetAmount() const override;
  String Description() const { return Printable(fDescription); }

  String fDescription;
  Currency fPercentage;
  Currency fAmount;
  String fReasonCode;
  String fReasonNote;

 protected:
  kReceiptLineDiscountPercentage(kReceipt* aOwner, qxReceiptLineType aLineType) : kReceiptLine(aOwner, aLineType) {}
};

class kReceiptLineDiscountPercentageOnSubTotal : public kReceiptLineDiscountPercentage {
 public:
  explicit kReceiptLineDiscountPercentageOnSubTotal(kReceipt* aOwner)
      : kReceiptLineDiscountPercentage(aOwner, rlt_DiscountPercentageOnSubTotal) {}

 protected:
  kReceiptLineDiscountPercentageOnSubTotal(kReceipt* aOwner, qxReceiptLineType aLineType)
      : kReceiptLineDiscountPercentage(aOwner, aLineType) {}
};

class kReceiptLineMarkupPercentage : public kReceiptLineDiscountPercentage {
 public:
  explicit kReceiptLineMarkupPercentage(kReceipt* aOwner)
      : kReceiptLineDiscountPercentage(aOwner, rlt_MarkupPercentage) {}
  Currency GetAmount() const override { return fAmount; }
};

class kReceiptLineMarkupPercentageOnSubTotal : public kReceiptLineDiscountPercentageOnSubTotal {
 public:
  explicit kReceiptLineMarkupPercentageOnSubTotal(kReceipt* aOwner)
      : kReceiptLineDiscountPercentageOnSubTotal(aOwner, rlt_MarkupPercentageOnSubTotal) {}
  Currency GetAmount() const override { return fAmount; }
};

class kReceiptLines : public kOwnedList<kReceiptLine> {};

}  // namespace qx
