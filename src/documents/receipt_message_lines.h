// Message lines: the free text, barcode and image lines printed around a fiscal receipt, on a
// non-fiscal receipt and on the customer display. A line belongs to a receipt (fOwner), to a
// non-fiscal receipt (fNFOwner) or to neither (the display).
#pragma once

#include "documents/enumerations.h"
#include "documents/owned_list.h"
#include "support/text.h"

namespace qx {

class kReceipt;
class kNFReceipt;

class kReceiptMessageLine {
 public:
  kReceiptMessageLine(const kReceiptMessageLine&) = delete;
  kReceiptMessageLine& operator=(const kReceiptMessageLine&) = delete;
  virtual ~kReceiptMessageLine() = default;

  // The value to print; only text lines change it (see kReceiptMessageTextLine).
  virtual String Value() const { return fValue; }

  kReceipt* fOwner;      // not owned
  kNFReceipt* fNFOwner;  // not owned
  qxReceiptMessageLineAlignment fAlignment = la_none;
  String fValue;
  // Every kind of line has a section; the non-fiscal receipt sets it, the others leave rs_lead.
  qxReceiptSection fSection = rs_lead;

 protected:
  kReceiptMessageLine(kReceipt* aOwner, kNFReceipt* aNFOwner) : fOwner(aOwner), fNFOwner(aNFOwner) {}
};

class kReceiptMessageTextLine : public kReceiptMessageLine {
 public:
  explicit kReceiptMessageTextLine(kReceipt* aOwner = nullptr, kNFReceipt* aNFOwner = nullptr)
      : kReceiptMessageLine(aOwner, aNFOwner) {}
  // The text normalised for the printer, unless the owning receipt or non-fiscal receipt
  // supports special characters; a line without owner is always normalised.
  String Value() const override;

  int32_t fSize = 0;
  qxReceiptMessageLineEffectSet fEffects;
};

class kReceiptMessageBarcodeLine : public kReceiptMessageLine {
 public:
  explicit kReceiptMessageBarcodeLine(kReceipt* aOwner = nullptr, kNFReceipt* aNFOwner = nullptr)
      : kReceiptMessageLine(aOwner, aNFOwner) {}
  int32_t QRCOdeMinVersion() const { return fQRCodeMinVersion; }  // the property keeps this spelling

  // fValue holds the barcode data, never normalised.
  qxReceiptMessageBarcodeType fBarcodeType = bt_EAN13;
  bool fHRI = true;  // print the human-readable text
  int32_t fQRCodeMinVersion = 1;  // at least 1
};

class kReceiptMessageImageLine : public kReceiptMessageLine {
 public:
  explicit kReceiptMessageImageLine(kReceipt* aOwner = nullptr, kNFReceipt* aNFOwner = nullptr)
      : kReceiptMessageLine(aOwner, aNFOwner) {}

  // fValue holds the image reference: a resource name or a file path.
  qxReceiptMessageImageSource fSource = is_Resource;
};

class kReceiptMessageLines : public kOwnedList<kReceiptMessageLine> {};

}  // namespace qx
