#include "documents/message_line_reader.h"

#include <cstring>
#include <memory>

#include "documents/rpt_util.h"

namespace qx {

namespace {

qxReceiptMessageLineAlignment ReadAlignment(pugi::xml_node aNode) {
  return krptUtil::DecodeAlignment(krptUtil::GetNodeValueAsString(aNode, "Alignment"));
}

std::unique_ptr<kReceiptMessageLine> ReadBarcode(pugi::xml_node aNode, const MessageLineFormat& aFormat,
                                                 kReceipt* aOwner, kNFReceipt* aNFOwner) {
  auto line = std::make_unique<kReceiptMessageBarcodeLine>(aOwner, aNFOwner);
  line->fValue = krptUtil::GetNodeValueAsString(aNode, "Value");
  auto readType = [&] {
    line->fBarcodeType = krptUtil::DecodeBarcodeType(krptUtil::GetNodeValueAsString(aNode, "Type"));
  };
  if (!aFormat.BarcodeTypeLast) readType();
  line->fHRI = krptUtil::GetNodeValueAsBoolean(aNode, "HRI", true);
  const int32_t version = krptUtil::GetNodeValueAsInteger(aNode, "QRCodeMinVersion");
  line->fQRCodeMinVersion = version < 1 ? 1 : version;
  if (aFormat.BarcodeTypeLast) readType();
  return line;
}

std::unique_ptr<kReceiptMessageLine> ReadText(pugi::xml_node aNode, const MessageLineFormat& aFormat,
                                              kReceipt* aOwner, kNFReceipt* aNFOwner) {
  auto line = std::make_unique<kReceiptMessageTextLine>(aOwner, aNFOwner);
  line->fValue = krptUtil::GetNodeValueAsString(aNode, "Value");
  line->fSize = krptUtil::GetNodeValueAsInteger(aNode, "Size");
  line->fAlignment = ReadAlignment(aNode);
  if (aFormat.TextEffects) line->fEffects = krptUtil::DecodeEffects(krptUtil::GetNodeValueAsString(aNode, "Effects"));
  return line;
}

std::unique_ptr<kReceiptMessageLine> ReadImage(pugi::xml_node aNode, const MessageLineFormat& aFormat,
                                               kReceipt* aOwner, kNFReceipt* aNFOwner) {
  auto line = std::make_unique<kReceiptMessageImageLine>(aOwner, aNFOwner);
  line->fAlignment = ReadAlignment(aNode);
  auto readValue = [&] { line->fValue = krptUtil::GetNodeValueAsString(aNode, "Value"); };
  auto readSource = [&] {
    line->fSource = krptUtil::DecodeImageSource(krptUtil::GetNodeValueAsString(aNode, "Source"));
  };
  switch (aFormat.Image) {
    case MessageLineFormat::AlignmentOnly:
      break;
    case MessageLineFormat::AlignmentValueSource:
      readValue();
      readSource();
      break;
    case MessageLineFormat::AlignmentSourceValue:
      readSource();
      readValue();
      break;
  }
  return line;
}

}  // namespace

void ReadMessageLines(pugi::xml_node aList, const MessageLineFormat& aFormat, kReceipt* aOwner,
                      kNFReceipt* aNFOwner, qxReceiptSection aSection, kReceiptMessageLines& aLines) {
  for (pugi::xml_node child = aList.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    const char* name = child.name();
    std::unique_ptr<kReceiptMessageLine> line;
    if (std::strcmp(name, "Barcode") == 0) {
      line = ReadBarcode(child, aFormat, aOwner, aNFOwner);
    } else if (std::strcmp(name, "Text") == 0) {
      line = ReadText(child, aFormat, aOwner, aNFOwner);
    } else if (std::strcmp(name, "Image") == 0) {
      line = ReadImage(child, aFormat, aOwner, aNFOwner);
    } else {
      continue;
    }
    line->fSection = aSection;
    aLines.Add(std::move(line));
  }
}

}  // namespace qx
