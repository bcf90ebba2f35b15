// Reading the children of a list element into message lines. The fiscal receipt, the three
// blocks of the non-fiscal receipt and the display read the same elements in slightly different
// orders, and the order decides which error a faulty request reports.
#pragma once

#include <pugixml.hpp>

#include "documents/receipt_message_lines.h"

namespace qx {

struct MessageLineFormat {
  enum ImageFields { AlignmentOnly, AlignmentValueSource, AlignmentSourceValue };

  bool BarcodeTypeLast = false;  // Type after QRCodeMinVersion instead of after Value
  bool TextEffects = false;      // read Effects after Alignment
  ImageFields Image = AlignmentOnly;
};

// Appends one line per child named exactly Barcode, Text or Image, skipping the others. The
// lines get aOwner, aNFOwner and aSection.
void ReadMessageLines(pugi::xml_node aList, const MessageLineFormat& aFormat, kReceipt* aOwner,
                      kNFReceipt* aNFOwner, qxReceiptSection aSection, kReceiptMessageLines& aLines);

}  // namespace qx
