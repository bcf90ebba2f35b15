// The fiscal receipt flow.

#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"
#include "device/receipt_image.h"
#include "device/receipt_in_doubt.h"
#include "support/locale_number.h"
#include "support/error.h"
#include "support/text_functions.h"

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

// The sections of the device's print sequence, in order, until one fails. A payment the printer
// refused raises "Error while processing Payments"; one that got no answer may have closed the
// receipt, so the flow asks the printer instead.
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
        for (size_t i = 0; ok && i < aReceipt.fPayments.Count(); ++i) {
          ok = aDevice.Total(aReceipt, aReceipt.fPayments[i]);
          if (!ok && aDevice.fCommit == cms_NotSent) throw Error(u"Error while processing Payments");
        }
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

// What the answer says beyond the transport's error state, set once the body has run.
enum class ReceiptAnswer { FromTransport, Registered, RegisteredAnswerLost, InDoubt, NotRegistered, NotClosed, Retry };

Currency PaymentsTotal(const kReceipt& aReceipt) {
  Currency total;
  for (size_t i = 0; i < aReceipt.fPayments.Count(); ++i)
    if (aReceipt.fPayments[i].fPaymentType != Rpt_Change) total += aReceipt.fPayments[i].fAmount;
  return total;
}

}  // namespace

_int_PRINTFR_result kFiscalPrinterDevice::Pub_PrintReceipt(kReceiptPrinterHandler& aHandler) {
  bool rejected = false;
  bool signedByServer = false;
  ReceiptAnswer answer = ReceiptAnswer::FromTransport;
  String notClosedText;
  auto result = RunOperation<_int_PRINTFR_result>(u"PrintReceipt", [&](_int_PRINTFR_result& aResult) {
    // The receipt as the program sent it: a retry of a receipt in doubt is the same text.
    const String receiptText = fRTServerActive ? String() : ReceiptElementText(fXmlString);
    if (!fRTServerActive && AnswerRetry(receiptText, aResult)) {
      answer = ReceiptAnswer::Retry;
      return;
    }
    bool ok = ReadinessStep();
    {
      kReceipt& original = *aHandler.fReceipt;
      if (original.fTotalAmount == Currency()) original.fTotalAmount = original.GetCalculatedAmount();
    }
    // The RT server signs the receipt whether or not the printer is ready; an unsigned receipt
    // is not printed.
    if (fRTServerActive) {
      signedByServer = SignRTServerReceipt(aHandler, *aHandler.fReceipt);
      ok = ok && signedByServer;
    }
    // The processor library may rewrite the request; the receipt is read again from its text.
    // A rejected receipt is not printed and answers the processor's message.
    if (fProcessor->Active()) {
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
    // The printer's numbers before the receipt, to tell afterwards whether it registered it.
    qxDocumentNumbers before;
    if (ok && !fRTServerActive) ok = RecordReceiptInDoubt(receiptText, before);
    try {
      if (ok) ok = BeginFiscalReceipt(receipt);
      if (ok) ok = PrintReceiptSections(*this, receipt);
      if (ok) EndFiscalReceipt(receipt);
    } catch (const Error& e) {
      // A receipt the RT server has registered must not be answered as failed, or the till
      // would register it again: a printing error becomes "registered, not printed".
      if (!signedByServer && fCommit == cms_NotSent) {
        ForgetReceiptInDoubt();
        throw;
      }
      if (!fIOHandler->ErrorFound()) fIOHandler->SetCustomError(-1, e.Message());
    }
    if (fRTServerActive) return;  // the answer comes from the RT data

    bool registered = fCommit == cms_Confirmed;
    if (fCommit == cms_Unanswered) {
      switch (ProbeRegistration(before)) {
        case reg_Registered:
          registered = true;
          answer = ReceiptAnswer::RegisteredAnswerLost;
          break;
        case reg_NotRegistered: answer = ReceiptAnswer::NotRegistered; break;
        case reg_Unknown: answer = ReceiptAnswer::InDoubt; break;
      }
    } else if (registered) {
      answer = ReceiptAnswer::Registered;
    } else if (!fIOHandler->ErrorFound()) {
      answer = ReceiptAnswer::NotClosed;
      notClosedText = u"The payments (" + PaymentsTotal(receipt).ToFixed(2) + u") do not cover the receipt total (" +
                      receipt.fTotalAmount.ToFixed(2) + u"): the receipt was not printed";
    }
    if (answer == ReceiptAnswer::InDoubt) {
      Log(let_error, u"The receipt is in doubt: it is kept for the next call to settle");
    } else if (registered && answer == ReceiptAnswer::RegisteredAnswerLost) {
      KeepRegisteredReceipt(before.Next, before.Closing, Now());
    } else {
      ForgetReceiptInDoubt();
    }
    if (!registered) {
      aResult.ReceiptNumber.clear();
      aResult.ReceiptDateTime = 0;
      return;  // the frame answers the transport's error
    }
    if (answer == ReceiptAnswer::RegisteredAnswerLost) {
      aResult.ReceiptDateTime = Now();
      aResult.ReceiptNumber = IntToStr(before.Next);
      aResult.EJNumber = u"0";
      aResult.EJClosingNumber = IntToStr(before.Closing);
      aResult.DeviceSerialNumber = fSerialNumber;
    } else {
      GetLastReceiptInfo(aResult.ReceiptDateTime, aResult.ReceiptNumber, aResult.EJNumber, aResult.EJClosingNumber,
                         aResult.DeviceSerialNumber);
      // A read after the closing failed: the numbers the printer gave before the receipt are
      // the receipt's own.
      if (fIOHandler->ErrorFound() && before.Next > 0) {
        if (aResult.ReceiptNumber.empty() || aResult.ReceiptNumber == u"0") aResult.ReceiptNumber = IntToStr(before.Next);
        if (aResult.EJClosingNumber.empty() || aResult.EJClosingNumber == u"0")
          aResult.EJClosingNumber = IntToStr(before.Closing);
      }
    }
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
  if (rejected && signedByServer) {
    // The RT server registered the receipt before the processor refused it: it must not be
    // sent again, so the answer is the RT server's, with the processor's reason.
    result.Error = true;
    fIOHandler->SetCustomError(-1, fProcessor->ErrorMessage());
    RTServerReceiptResult(result);
    return result;
  }
  if (rejected) {
    result.Error = true;
    result.ErrorText = fProcessor->ErrorMessage();
  } else if (fRTServerActive) {
    RTServerReceiptResult(result);
  }
  switch (answer) {
    case ReceiptAnswer::FromTransport:
    case ReceiptAnswer::Retry: break;
    case ReceiptAnswer::Registered:
      if (!result.Error) break;
      // Registered: what failed afterwards is said, but the receipt must not be sent again.
      result.Error = false;
      result.MessageText = u"The receipt was registered by the printer (number " + result.ReceiptNumber +
                           u"), but a later step failed: " + result.ErrorText + u". Do not send it again.";
      break;
    case ReceiptAnswer::RegisteredAnswerLost:
      result.Error = false;
      result.MessageText = u"The printer's answer to the closing command was lost; the printer registered the receipt "
                           u"and its numbers were read again (number " + result.ReceiptNumber + u").";
      break;
    case ReceiptAnswer::InDoubt:
      result.Error = true;
      result.ErrorText = u"The printer did not confirm the receipt: it may have been printed. Do not print it again "
                         u"as a new sale: send the same request again once the printer answers, and it is printed "
                         u"only if the printer did not register it.";
      break;
    case ReceiptAnswer::NotRegistered:
      result.MessageText = u"The printer did not register the receipt.";
      break;
    case ReceiptAnswer::NotClosed:
      result.Error = true;
      result.ErrorText = notClosedText;
      break;
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
