// A driver for the device core's tests: it records the driver operations called, in order, and
// answers each with true, or with false and the transport's error state set when the test says
// so. Its transport is real (TCP, never connected unless the test opens it).
#pragma once

#pragma GCC diagnostic ignored "-Wunused-parameter"

#include <set>
#include <string>
#include <vector>

#include "device/fiscal_printer_device.h"

namespace qx::testing {

class RecordingDriver : public kFiscalPrinterDevice {
 public:
  explicit RecordingDriver(kReceiptPrinterHandler& aHandler) : kFiscalPrinterDevice(aHandler) {
    fDisplayLineLength = 20;
    fDisplayLineCount = 2;
    fLineLength = 40;
  }

  bool BeginNoFiscalReceipt(kNFReceipt& aNFReceipt) override { return Call("BeginNoFiscalReceipt"); }
  bool PrintNoFiscalMessageTextLine(kReceipt* aReceipt, kReceiptMessageTextLine& aLine) override { return Call("PrintNoFiscalMessageTextLine"); }
  bool PrintNoFiscalMessageBarcode(kReceipt* aReceipt, kReceiptMessageBarcodeLine& aLine) override { return Call("PrintNoFiscalMessageBarcode"); }
  bool PrintNoFiscalMessageImage(kReceipt* aReceipt, kReceiptMessageImageLine& aLine) override { return Call("PrintNoFiscalMessageImage"); }
  bool EndNoFiscalReceipt(kNFReceipt& aNFReceipt) override { return Call("EndNoFiscalReceipt"); }
  bool BeginFiscalReceipt(kReceipt& aReceipt) override { return Call("BeginFiscalReceipt"); }
  // The recorded receipt is registered when it ends, as a printer with an explicit end does.
  bool EndFiscalReceipt(kReceipt& aReceipt) override { return NoteCommit(Call("EndFiscalReceipt")); }
  bool NoteCommit(bool aResult) {
    if (aResult) fCommit = cms_Confirmed;
    return aResult;
  }
  bool ProductSale(kReceipt& aReceipt, kReceiptLineProductSale& aLine) override { return Call("ProductSale"); }
  bool ProductReturn(kReceipt& aReceipt, kReceiptLineProductReturn& aLine) override { return Call("ProductReturn"); }
  bool VoucherSale(kReceipt& aReceipt, kReceiptLineVoucherSale& aLine) override { return Call("VoucherSale"); }
  bool VoucherRedeem(kReceipt& aReceipt, kReceiptLineVoucherRedeem& aLine) override { return Call("VoucherRedeem"); }
  bool GiftCardSale(kReceipt& aReceipt, kReceiptLineGiftCardSale& aLine) override { return Call("GiftCardSale"); }
  bool GiftCardRedeem(kReceipt& aReceipt, kReceiptLineGiftCardRedeem& aLine) override { return Call("GiftCardRedeem"); }
  bool CollectAmount(kReceipt& aReceipt, kReceiptLineCollectAmount& aLine) override { return Call("CollectAmount"); }
  bool Text(kReceipt& aReceipt, kReceiptLineText& aLine) override { return Call("Text"); }
  bool SubTotal(kReceipt& aReceipt, kReceiptLineSubtotal& aLine) override { return Call("SubTotal"); }
  bool DiscountAmount(kReceipt& aReceipt, kReceiptLineDiscountAmount& aLine) override { return Call("DiscountAmount"); }
  bool DiscountPercentage(kReceipt& aReceipt, kReceiptLineDiscountPercentage& aLine) override { return Call("DiscountPercentage"); }
  bool DiscountAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineDiscountAmountOnSubTotal& aLine) override { return Call("DiscountAmountOnSubtotal"); }
  bool DiscountPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineDiscountPercentageOnSubTotal& aLine) override { return Call("DiscountPercentageOnSubTotal"); }
  bool MarkupAmount(kReceipt& aReceipt, kReceiptLineMarkupAmount& aLine) override { return Call("MarkupAmount"); }
  bool MarkupPercentage(kReceipt& aReceipt, kReceiptLineMarkupPercentage& aLine) override { return Call("MarkupPercentage"); }
  bool MarkupAmountOnSubtotal(kReceipt& aReceipt, kReceiptLineMarkupAmountOnSubTotal& aLine) override { return Call("MarkupAmountOnSubtotal"); }
  bool MarkupPercentageOnSubTotal(kReceipt& aReceipt, kReceiptLineMarkupPercentageOnSubTotal& aLine) override { return Call("MarkupPercentageOnSubTotal"); }
  bool Total(kReceipt& aReceipt, kReceiptPaymentLine& aPayment) override { return Call("Total"); }
  bool PrintTrailerMessageTextLine(kReceipt& aReceipt, kReceiptMessageTextLine& aLine) override { return Call("PrintTrailerMessageTextLine"); }
  bool PrintTrailerMessageBarcode(kReceipt& aReceipt, kReceiptMessageBarcodeLine& aLine) override { return Call("PrintTrailerMessageBarcode"); }
  bool Reset() override { return Call("Reset"); }
  bool XReport(kXReport* aXReport) override { return Call("XReport"); }
  bool ZReport(kZReport* aZReport) override { return Call("ZReport"); }
  bool GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber, String& aEJClosingNumber, String& aDeviceSerialNumber) override { return Call("GetLastReceiptInfo"); }
  bool GetRemainingFiscalMemory(int32_t& aRemaining) override { return Call("GetRemainingFiscalMemory"); }
  bool GetStatus(bool& aDayOpened, TDateTime& aDateTime, bool& aPaperEnd, bool& aPaperNearEnd, bool& aCoverOpen, bool& aFiscalReceiptOpen, bool& aReceiptOpen, bool& aTrainingMode, String& aFirmwareVersion, String& aSerialNumber, String& aFiscalMode) override { return Call("GetStatus"); }
  bool GetDrawerStatus(int32_t aDrawerNumber, bool& aIsOpen) override { return Call("GetDrawerStatus"); }
  bool GetDateTime(TDateTime& aDateTime) override { return Call("GetDateTime"); }
  bool SetDateTime(TDateTime aDateTime) override { return Call("SetDateTime"); }
  bool SetTrainingMode(bool aOn) override { return Call("SetTrainingMode"); }
  bool GetVatTable() override { return Call("GetVatTable"); }
  bool SetVatTable(kVatTable& aVatTable) override { return Call("SetVatTable"); }
  bool GetEATable() override { return Call("GetEATable"); }
  bool SetEATable(kEconomicActivityTable& aEATable) override { return Call("SetEATable"); }
  bool GetDeptTable() override { return Call("GetDeptTable"); }
  bool SetDeptTable(kDeptTable& aDeptTable) override { return Call("SetDeptTable"); }
  bool ReservedOperation() override { return Call("ReservedOperation"); }
  bool ClearDisplay() override { return Call("ClearDisplay"); }
  bool WriteDisplay(kReceiptMessageLines& aLines) override { return Call("WriteDisplay"); }
  bool OpenDrawer(int32_t aDrawerNumber) override { return Call("OpenDrawer"); }
  bool Pay(kPaymentReceipt& aPayment) override { return Call("Pay"); }
  bool Reprint(kReceiptReference& aReference) override { return Call("Reprint"); }
  bool EJReportZReport(qxEJReportDestination aDestination, String& aText, TDateTime aStartDate, TDateTime aEndDate) override { return Call("EJReportZReport"); }
  bool EJReportFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber, String& aText, TDateTime aStartDate, TDateTime aEndDate) override { return Call("EJReportFiscalReceipt"); }
  bool EJReportNonFiscalReceipt(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber, String& aText, TDateTime aStartDate, TDateTime aEndDate) override { return Call("EJReportNonFiscalReceipt"); }
  bool EJReportCreditNote(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber, String& aText, TDateTime aStartDate, TDateTime aEndDate) override { return Call("EJReportCreditNote"); }
  bool EJReportInvoice(qxEJReportDestination aDestination, int32_t aStartNumber, int32_t aEndNumber, String& aText, TDateTime aStartDate, TDateTime aEndDate) override { return Call("EJReportInvoice"); }
  bool GetEJFiles(qxEJFilesRequestType aRequestType, StringView aOutputFolder, int32_t& aCount, TDateTime aStartDate, TDateTime aEndDate) override { return Call("GetEJFiles"); }
  bool IsReady() override { return Call("IsReady"); }
  bool IsDayOpen() override { return Call("IsDayOpen"); }
  bool GetLotteryReceiptStatus(kReceiptReference& aReference) override { return Call("GetLotteryReceiptStatus"); }
  bool GetReceiptText(kReceiptReference& aReference, String& aText) override { return Call("GetReceiptText"); }
  bool Init() override { return Call("Init"); }

  // Operations that fail (error code -1, text "<name> failed").
  std::set<std::string> fFailing;
  std::vector<std::string> fCalls;
  // What IsReady answers (before any failure rule).
  bool fReady = true;

 private:
  bool Call(const char* aName) {
    fCalls.emplace_back(aName);
    if (std::string(aName) == "IsReady" && !fReady) return false;
    if (fFailing.count(aName) != 0) {
      fIOHandler->SetCustomError(-1, FromUtf8(aName) + u" failed");
      return false;
    }
    return true;
  }
};

}  // namespace qx::testing
