#include "device/receipt_in_doubt.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <pugixml.hpp>

#include "documents/request_xml.h"
#include "platform/file_system.h"
#include "support/error.h"

namespace qx {

namespace {

// The file holds one record: a receipt request is bounded, and so is the file.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

std::string DateText(TDateTime aValue) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9f", aValue);
  return text;
}

bool ReadInt(const pugi::xml_node& aNode, const char* aName, int32_t& aValue) {
  const pugi::xml_attribute attribute = aNode.attribute(aName);
  if (!attribute) return false;
  char* end = nullptr;
  const long value = std::strtol(attribute.value(), &end, 10);
  if (end == attribute.value() || *end != 0 || value < 0 || value > 999999) return false;
  aValue = static_cast<int32_t>(value);
  return true;
}

bool ReadDate(const pugi::xml_node& aNode, const char* aName, TDateTime& aValue) {
  const pugi::xml_attribute attribute = aNode.attribute(aName);
  if (!attribute) return false;
  char* end = nullptr;
  aValue = std::strtod(attribute.value(), &end);
  return end != attribute.value() && *end == 0;
}

}  // namespace

bool kReceiptInDoubtFile::Store(const kReceiptInDoubt& aRecord, String& aReason) const {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("ReceiptInDoubt");
  root.append_attribute("State") = aRecord.State == ids_Registered ? "Registered" : "Pending";
  root.append_attribute("NextNumber") = aRecord.Before.Next;
  root.append_attribute("ClosingNumber") = aRecord.Before.Closing;
  root.append_attribute("SentAt") = DateText(aRecord.SentAt).c_str();
  root.append_attribute("Writer") = aRecord.Writer;
  if (aRecord.State == ids_Registered) {
    root.append_attribute("Number") = aRecord.Number;
    root.append_attribute("RegisteredClosing") = aRecord.ClosingNumber;
    root.append_attribute("RegisteredAt") = DateText(aRecord.RegisteredAt).c_str();
  }
  root.append_child("Receipt").text() = ToUtf8(aRecord.Receipt).c_str();
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);

  platform::ForceDirectories(platform::ExtractFileDir(fFileName));
  const String temporary = fFileName + u".tmp";
  platform::DeleteFile(temporary);
  if (!platform::AppendToFile(temporary, out.str()) || !platform::RenameFile(temporary, fFileName)) {
    platform::DeleteFile(temporary);
    aReason = u"Cannot write the receipt-in-doubt file " + fFileName;
    return false;
  }
  return true;
}

std::optional<kReceiptInDoubt> kReceiptInDoubtFile::Load(String& aReason) const {
  aReason.clear();
  if (!platform::FileExists(fFileName)) return std::nullopt;
  std::string bytes;
  if (!platform::ReadSmallFile(fFileName, bytes, kMaxFileBytes)) {
    aReason = u"Cannot read the receipt-in-doubt file " + fFileName;
    return std::nullopt;
  }
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default,
                                                             pugi::encoding_utf8);
  const pugi::xml_node root = document.child("ReceiptInDoubt");
  kReceiptInDoubt record;
  const std::string state = root.attribute("State").value();
  bool ok = parsed && root && (state == "Pending" || state == "Registered") &&
            ReadInt(root, "NextNumber", record.Before.Next) && ReadInt(root, "ClosingNumber", record.Before.Closing) &&
            ReadDate(root, "SentAt", record.SentAt) && root.child("Receipt");
  if (ok && state == "Registered") {
    record.State = ids_Registered;
    ok = ReadInt(root, "Number", record.Number) && ReadInt(root, "RegisteredClosing", record.ClosingNumber) &&
         ReadDate(root, "RegisteredAt", record.RegisteredAt);
  }
  record.Writer = root.attribute("Writer").as_uint(0);
  if (ok) record.Receipt = FromUtf8(root.child("Receipt").text().get());
  if (!ok || record.Receipt.empty()) {
    aReason = u"The receipt-in-doubt file " + fFileName + u" is damaged and was ignored";
    return std::nullopt;
  }
  return record;
}

void kReceiptInDoubtFile::Remove() const { platform::DeleteFile(fFileName); }

String ReceiptElementText(StringView aRequest) {
  try {
    const std::unique_ptr<pugi::xml_document> document = ParseRequestXml(aRequest);
    const pugi::xml_node receipt = RequestRoot(*document).child("Receipt");
    if (!receipt) return String();
    std::ostringstream out;
    receipt.print(out, "", pugi::format_raw, pugi::encoding_utf8);
    return FromUtf8(out.str());
  } catch (const Error&) {
    return String();
  }
}

}  // namespace qx
