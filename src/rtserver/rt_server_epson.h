// The binding of the RT-server library: a companion library that signs every fiscal receipt on an
// RT server before the printer prints it, and keeps the server's till (opened before receipts and
// reports, closed by the daily closing). The binding turns a receipt into the signing request
// "printerFiscalReceipt" and reads the library's answers.
#pragma once

#include <cstdint>
#include <memory>

#include <pugixml.hpp>

#include "platform/companion_library.h"
#include "rtserver/rt_server_answers.h"
#include "support/currency.h"
#include "support/text.h"

namespace qx {

class kReceipt;
class kReceiptLine;

// The entry points; texts are length-prefixed UTF-16 strings of the exported allocator, results
// are 0 for success.
using tRTServer_OPENTILL = int16_t(QX_COMPANION_CALL*)(Bstr aBaseAddress, int32_t aPort, Bstr aUserName,
                                                       Bstr aPassword, Bstr aTillId, Bstr* aErrorMessage);
using tRTServer_SIGNRECEIPT = int16_t(QX_COMPANION_CALL*)(Bstr aXmlReceipt, Bstr* aXmlReceiptInfo,
                                                          Bstr* aErrorMessage);
using tRTServer_CLOSETILL = int16_t(QX_COMPANION_CALL*)(Bstr* aXmlReceiptInfo, Bstr* aErrorMessage);
using tRTServer_XREPORT = int16_t(QX_COMPANION_CALL*)(Bstr* aXReportInfo, Bstr* aErrorMessage);

class kRTServer_Epson {
 public:
  // The library's default file name, also the one its missing-function messages name.
  static constexpr const char16_t* kDefaultLibrary = u"QXRS_EPSRT90_20.dll";

  // Loads aDLLName (the default library when empty; ".dll" names map to the system's library
  // names) and finds its entry points. Raises the loader's errors and
  // "<ENTRY> function not found in QXRS_EPSRT90_20.dll" for OPENTILL, SIGNRECEIPT and CLOSETILL.
  explicit kRTServer_Epson(StringView aDLLName);
  ~kRTServer_Epson();
  kRTServer_Epson(const kRTServer_Epson&) = delete;
  kRTServer_Epson& operator=(const kRTServer_Epson&) = delete;

  // Logs in to the server's till; true (and TillOpened) when the library answers 0.
  bool OpenTill(StringView aBaseAddress, int32_t aPort, StringView aTillId, StringView aPassword,
                StringView aUserName);
  // Builds the signing request of aReceipt; nothing is sent. Raises the number-conversion error
  // for a referenced receipt whose numbers are not numbers.
  void BuildXMLReceipt(const kReceipt& aReceipt);
  // Sends the signing request; the answer is read into ReceiptInfo whatever the result (an
  // unreadable answer raises), except a refusal with no answer at all. True when the library
  // answers 0.
  bool SignReceipt();
  // The till totals (XREPORT) and the daily closing (CLOSETILL): on success the answer is read
  // into TillReportInfo and the till counts as closed. A library without XREPORT fails the X
  // report with an error.
  bool XReport();
  bool CloseTill();

  // The text of the signing request's document element.
  String XmlReceipt() const;
  const kRTServerReceiptInfo& ReceiptInfo() const { return *fReceiptInfo; }
  const kRTServerTillReportInfo& TillReportInfo() const { return *fTillReportInfo; }
  bool TillOpened() const { return fTillOpened; }
  // The text of the last call's error message (the library's reason), for the log.
  const String& LastErrorMessage() const { return fLastErrorMessage; }

 private:
  // A new command element with its operator, appended to the request's root.
  pugi::xml_node AddCommand(const char* aName);
  void AddHeader();
  void AddLine(const kReceiptLine& aLine);
  void AddPayments();
  void AddTrailer();
  void AddFreeItem(const String& aTaxCode, const Currency& aAmount);
  bool TillReport(tRTServer_XREPORT aEntry);

  platform::LibraryHandle fDLLHandle = nullptr;
  tRTServer_OPENTILL fOpenTill = nullptr;
  tRTServer_SIGNRECEIPT fSignReceipt = nullptr;
  tRTServer_CLOSETILL fCloseTill = nullptr;
  tRTServer_XREPORT fXReport = nullptr;
  int32_t fTrailerLineNumber = 0;
  const kReceipt* fReceipt = nullptr;
  std::unique_ptr<pugi::xml_document> fXmlReceipt;
  pugi::xml_node fCommandNode;
  String fLastTaxCode;
  std::unique_ptr<kRTServerReceiptInfo> fReceiptInfo;
  std::unique_ptr<kRTServerTillReportInfo> fTillReportInfo;
  bool fTillOpened = false;
  String fLastErrorMessage;
};

}  // namespace qx
