// The fiscal receipt flow.

#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"
#include "device/receipt_image.h"
#include "support/locale_number.h"
#include "support/error.h"

namespace qx {

namespace {

// One line by its type's driver operation. The line's class follows its type; a line whose class
// does not match is skipped like a line of an unknown type.
bool PrintReceiptLine(kFiscalPrinterDevice& aDevice, kReceipt& aReceipt, kReceiptLine& aLine) {
  switch (aLine.fLineType) {
#define QX_LINE(TYPE, CLASS, OPERATION)                                                \
  case TYPE:                                                                          \
    if (auto* line = dynamic_cast<CLASS*>(&aLine)) return aDevice.OPERATION(aReceipt, *line); \
    return true;
    QX_LINE(rlt_ProductSale, kReceiptLineProductSale, ProductSale)
    QX_LINE(rlt_ProductReturn, kReceiptLineProductReturn, ProductReturn)
    QX_LINE(rlt_WeightedProductSale, kReceiptLineWeightedProductSale, WeightedProductSale)
    QX_LINE(rlt_VoucherSale, kReceiptLineVoucherSale, VoucherSale)
    QX_LINE(rlt_VoucherRedeem, kReceiptLineVoucherRedeem, VoucherRedeem)
    QX_LINE(rlt_GiftCardSale, kReceiptLineGiftCardSale, GiftCardSale)
    QX_LINE(rlt_GiftCardRedeem, kReceiptLineGiftCardRedeem, GiftCardRedeem)
    QX_LINE(rlt_SubTotal, kReceiptLineSubtotal, SubTotal)
    QX_LINE(rlt_Text, kReceiptLineText, Text)
    QX_LINE(rlt_DiscountAmount, kReceiptLineDiscountAmount, DiscountAmount)
    QX_LINE(rlt_DiscountPercentage, kReceiptLineDiscountPercentage, DiscountPercentage)
    QX_LINE(rlt_DiscountAmountOnSubtotal, kReceiptLineDiscountAmountOnSubTotal, DiscountAmountOnSubtotal)
    QX_LINE(rlt_DiscountPercentageOnSubTotal, kReceiptLineDiscountPercentageOnSubTotal, DiscountPercentageOnSubTotal)
    QX_LINE(rlt_MarkupAmount, kReceiptLineMarkupAmount, MarkupAmount)
    QX_LINE(rlt_MarkupPercentage, kReceiptLineMarkupPercentage, MarkupPercentage)
    QX_LINE(rlt_MarkupAmountOnSubtotal, kReceiptLineMarkupAmountOnSubTotal, MarkupAmountOnSubtotal)
    QX_LINE(rlt_MarkupPercentageOnSubTotal, kReceiptLineMarkupPercentageOnSubTotal, MarkupPercentageOnSubTotal)
    QX_LINE(rlt_CollectAmount, kReceiptLineCollectAmount, CollectAmount)
#undef QX_LINE
  }
  return true;
}

// The sections of the device's print sequence, in order, until one fails; a failing payment
// raises "Error while processing Payments".
bool PrintReceiptSections(kFiscalPrinterDevice& aDevice, kReceipt& aReceipt) {
  bool ok = true;
  // A copy: the sections of this receipt stay as they were when it began.
  const std::vector<qxFiscalPrinterPrintSection> sequence = aDevice.fPrintSequence;
  for (const qxFiscalPrinterPrintSection section : sequence) {
    if (!ok) break;
    switch (section) {
      case fpps_Lines:
        for (size_t i = 0; ok && i < aReceipt.fLines.Count(); ++i) ok = PrintReceiptLine(aDevice, aReceipt, aReceipt.fLines[i]);
        break;
      case fpps_Payments:
        for (size_t i = 0; i < aReceipt.fPayments.Count(); ++i)
          if (!aDevice.Total(aReceipt, aReceipt.fPayments[i])) throw Error(u"Error while processing Payments");
        break;
      case fpps_TrailerMessages:
        for (size_t i = 0; ok && i < aReceipt.fTrailerMessages.Count(); ++i) {
          kReceiptMessageLine& line = aReceipt.fTrailerMessages[i];
          if (auto* text = dynamic_cast<kReceiptMessageTextLine*>(&line))
            ok = aDevice.PrintTrailerMessageTextLine(aReceipt, *text);
          else if (auto* barcode = dynamic_cast<kReceiptMessageBarcodeLine*>(&line))
            ok = aDevice.PrintTrailerMessageBarcode(aReceipt, *barcode);
          // Image lines are not printed in a fiscal receipt.
        }
        break;
    }
  }
  return ok;
}

}  // namespace

_int_PRINTFR_result kFiscalPrinterDevice::Pub_PrintReceipt(kReceiptPrinterHandler& aHandler) {
  bool rejected = false;
  auto result = RunOperation<_int_PRINTFR_result>(u"PrintReceipt", [&](_int_PRINTFR_result& aResult) {
    bool ok = ReadinessStep();
    {
      kReceipt& original = *aHandler.fReceipt;
      if (original.fTotalAmount == Currency()) original.fTotalAmount = original.GetCalculatedAmount();
    }
    // The RT server signs the receipt whether or not the printer is ready; an unsigned receipt
    // is not printed.
    bool signedByServer = false;
    if (fRTServerActive) {
      signedByServer = SignRTServerReceipt(aHandler, *aHandler.fReceipt);
      ok = ok && signedByServer;
    }
    // The processor library may rewrite the request; the receipt is read again from its text.
    // A rejected receipt is not printed and answers the processor's message.
    if (ok && fProcessor->Active()) {
      String rewritten;
      const bool accepted = fProcessor->ProcessReceipt(fXmlString, rewritten);
      fXmlString = rewritten;
      if (!accepted) {
        rejected = true;
        return;
      }
      aHandler.ClearReceipt();
      aHandler.Deserialize(fXmlString, qxReceiptHandlerDocumentTypes{dt_Receipt});
    }
    kReceipt& receipt = *aHandler.fReceipt;
    try {
      if (ok) ok = BeginFiscalReceipt(receipt);
      if (ok) ok = PrintReceiptSections(*this, receipt);
      if (ok) EndFiscalReceipt(receipt);
    } catch (const Error& e) {
      // A receipt the RT server has registered must not be answered as failed, or the till
      // would register it again: a printing error becomes "registered, not printed".
      if (!signedByServer) throw;
      if (!fIOHandler->ErrorFound()) fIOHandler->SetCustomError(-1, e.Message());
    }
    if (fRTServerActive) return;  // the answer comes from the RT data

    if (fIOHandler->ErrorFound()) {
      aResult.ReceiptNumber.clear();
      aResult.ReceiptDateTime = 0;
      return;  // the frame answers the transport's error
    }
    GetLastReceiptInfo(aResult.ReceiptDateTime, aResult.ReceiptNumber, aResult.EJNumber, aResult.EJClosingNumber,
                       aResult.DeviceSerialNumber);
    aResult.InvoiceNumber = receipt.fInvoiceNumber;
    aResult.InvoiceDateTime = receipt.fInvoiceDateTime;
    const bool wantText = LowerCase(aHandler.GetParameter(u"GetReceiptText")) == u"true";
    const bool wantImage = LowerCase(aHandler.GetParameter(u"GetReceiptImage")) == u"true";
    if (wantText || wantImage) {
      kReceiptReference reference;
      reference.fReceiptType = rt_Sale;
      reference.fReceiptDateTime = aResult.ReceiptDateTime;
      reference.fReceiptNumber = aResult.ReceiptNumber;
      reference.fEJNumber = aResult.EJNumber;
      reference.fEJClosingNumber = aResult.EJClosingNumber;
      reference.fDeviceSerialNumber = aResult.DeviceSerialNumber;
      GetReceiptText(reference, aResult.ReceiptText);
    }
    if (wantImage && !aResult.ReceiptText.empty()) aResult.ReceiptImage = ReceiptImage(aResult.ReceiptText);
  });
  if (rejected) {
    result.Error = true;
    result.ErrorText = fProcessor->ErrorMessage();
  } else if (fRTServerActive) {
    RTServerReceiptResult(result);
  }
  return result;
}

bool kFiscalPrinterDevice::WeightedProductSale(kReceipt& aReceipt, kReceiptLineWeightedProductSale& aLine) {
  const String uom = LowerCase(aLine.fUOM);
  kReceiptLineText text(&aReceipt);
  text.fDescription = u" " + FormatLocaleNumber(aLine.fQuantity, 3, true) + u" " + uom + u" x " + aReceipt.fCurrencyCode + u" " +
                      FormatLocaleNumber(aLine.fPrice, 2, true) + u"/" + uom;
  if (!Text(aReceipt, text)) return false;
  kReceiptLineProductSale sale(&aReceipt);
  sale.fCode = aLine.fCode;
  sale.fDescription = aLine.Description();
  sale.fDepartment = aLine.fDepartment;
  sale.fTaxCode = aLine.fTaxCode;
  sale.fFreeOfCharge = aLine.fFreeOfCharge;
  sale.fQuantity = Currency::FromInt(1);
  sale.fPrice = aLine.fAmount;
  sale.fAmount = aLine.fAmount;
  return ProductSale(aReceipt, sale);
}

}  // namespace qx
