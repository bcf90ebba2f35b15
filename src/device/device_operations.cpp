// The public operations behind the exports other than the receipt and report flows: non-fiscal
// receipt, reprint, display, drawer, status, training mode, clock, tables, journal, RT data
// files, lottery state and payment receipt.
#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"
#include "documents/rpt_util.h"
#include "support/text_functions.h"

namespace qx {

_int_PRINTNFR_result kFiscalPrinterDevice::Pub_PrintNFReceipt(kReceiptPrinterHandler& aHandler) {
  auto result = RunOperation<_int_PRINTNFR_result>(u"PrintNFReceipt", [&](_int_PRINTNFR_result&) {
    kNFReceipt& nf = *aHandler.fNFReceipt;
    kReceipt* receipt = aHandler.fReceipt.get();
    bool ok = ReadinessStep() && BeginNoFiscalReceipt(nf);
    for (kReceiptMessageLine& line : nf.fLines) {
      if (!ok) break;
      if (auto* text = dynamic_cast<kReceiptMessageTextLine*>(&line)) {
        ok = PrintNoFiscalMessageTextLine(receipt, *text);
      } else if (auto* barcode = dynamic_cast<kReceiptMessageBarcodeLine*>(&line)) {
        ok = PrintNoFiscalMessageBarcode(receipt, *barcode);
      } else if (auto* image = dynamic_cast<kReceiptMessageImageLine*>(&line)) {
        ok = PrintNoFiscalMessageImage(receipt, *image);
      }
    }
    if (ok) EndNoFiscalReceipt(nf);
  });
  AnswerDocumentOutcome(result, DocumentOutcome(), u"the non-fiscal receipt");
  result.NFReceiptNumber.clear();
  result.NFReceiptDateTime = 0;
  // The receipt is printed by now: a clock that cannot be read leaves the date at 0 but does not
  // turn the answer into a failure that would make the caller print it again.
  if (!result.Error) GetDateTime(result.NFReceiptDateTime);
  return result;
}

_int_REPRINTFR_result kFiscalPrinterDevice::Pub_RePrintReceipt(kReceiptPrinterHandler& aHandler) {
  auto result = RunOperation<_int_REPRINTFR_result>(u"ReprintReceipt", [&](_int_REPRINTFR_result&) {
    if (ReadinessStep()) Reprint(*aHandler.fReceiptReference);
  });
  AnswerDocumentOutcome(result, DocumentOutcome(), u"the reprint");
  return result;
}

_int_DISPLAY_result kFiscalPrinterDevice::Pub_WriteDisplay(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_DISPLAY_result>(u"WriteDisplay", [&](_int_DISPLAY_result&) {
    kCustomerDisplay& display = *aHandler.fCustomerDisplay;
    const bool ok = display.fClear ? ClearDisplay() : true;
    if (ok) WriteDisplay(display.fLines);
  });
}

_int_OPENDR_result kFiscalPrinterDevice::Pub_OpenDrawer(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_OPENDR_result>(u"OpenDrawer",
                                          [&](_int_OPENDR_result&) { OpenDrawer(aHandler.fDrawer->fNumber); });
}

_int_GETDRSTATUS_result kFiscalPrinterDevice::Pub_GetDrawerStatus(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_GETDRSTATUS_result>(u"GetDrawerStatus", [&](_int_GETDRSTATUS_result& r) {
    GetDrawerStatus(aHandler.fDrawer->fNumber, r.IsOpen);
  });
}

_int_GETSTATUS_result kFiscalPrinterDevice::Pub_GetStatus(kReceiptPrinterHandler&) {
  auto result = RunOperation<_int_GETSTATUS_result>(u"GetStatus", [&](_int_GETSTATUS_result& r) {
    GetStatus(r.DayOpened, r.DateTime, r.PaperEnd, r.PaperNearEnd, r.CoverOpen, r.FiscalReceiptOpen, r.ReceiptOpen,
              r.TrainingMode, r.FirmwareVersion, r.SerialNumber, r.FiscalMode);
    // The processor library may answer the status in the printer's place; its failure leaves
    // the printer's values. The fiscal mode and the serial number are the device's own from here
    // on (tables, journal and reports follow the mode): an answer that leaves one out or empty
    // keeps the printer's.
    if (fProcessor->Active()) {
      String serialNumber = r.SerialNumber;
      String fiscalMode = r.FiscalMode;
      fProcessor->ProcessGetStatus(fXmlString, r.DayOpened, r.DateTime, r.TrainingMode, r.FirmwareVersion,
                                   serialNumber, fiscalMode);
      if (!serialNumber.empty()) r.SerialNumber = serialNumber;
      if (!fiscalMode.empty()) r.FiscalMode = fiscalMode;
    }
  });
  if (!result.Error) {
    fFiscalMode = result.FiscalMode;
    fSerialNumber = result.SerialNumber;
  }
  return result;
}

_int_SET_result kFiscalPrinterDevice::Pub_Set(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_SET_result>(u"Set", [&](_int_SET_result&) {
    if (aHandler.ParameterExists(u"TrainingMode"))
      SetTrainingMode(krptUtil::TextToBoolean(aHandler.GetParameter(u"TrainingMode")));
  });
}

_int_SETDATETIME_result kFiscalPrinterDevice::Pub_SetDateTime(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_SETDATETIME_result>(u"SetDateTime", [&](_int_SETDATETIME_result& r) {
    const TDateTime dt = TextToDateTime(aHandler.GetParameter(u"DateTime"));
    // 0 (1899-12-30 00:00) only reads the clock; an earlier date is refused by the driver.
    if (dt != 0) SetDateTime(dt);
    GetDateTime(r.DateTime);
  });
}

_int_GETVATTABLE_result kFiscalPrinterDevice::Pub_GetVatTable(kReceiptPrinterHandler&) {
  auto result = RunOperation<_int_GETVATTABLE_result>(u"GetVATTable", [&](_int_GETVATTABLE_result& r) {
    r.VATTable.clear();
    GetVatTable();
  });
  if (!result.Error) {
    for (const kVat& vat : *fVatTable) result.VATTable.push_back({vat.fIndex, vat.fCode, vat.fDescription, vat.fRate});
  }
  return result;
}

_int_SETVATTABLE_result kFiscalPrinterDevice::Pub_SetVatTable(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_SETVATTABLE_result>(u"SetVATTable",
                                               [&](_int_SETVATTABLE_result&) { SetVatTable(*aHandler.fVATTable); });
}

_int_GETDEPTTABLE_result kFiscalPrinterDevice::Pub_GetDeptTable(kReceiptPrinterHandler&) {
  auto result = RunOperation<_int_GETDEPTTABLE_result>(u"GetDeptTable", [&](_int_GETDEPTTABLE_result& r) {
    r.DeptTable.clear();
    GetEATable();
    GetDeptTable();
  });
  if (!result.Error) {
    for (const kDepartment& dept : *fDeptTable) {
      _int_Dept d;
      d.Index = dept.fIndex;
      d.Code = dept.fCode;
      d.Description = dept.fDescription;
      d.VatCode = dept.fVATCode;
      d.SalesType = dept.fSalesType == st_Service ? u"Service" : u"Product";
      if (!dept.fEACode.empty()) {
        d.EACode = dept.fEACode;
        // An activity the printer does not list: its code stands alone, without description,
        // and the plain VAT mode.
        const kEconomicActivity* ea = fEATable->Get(dept.fEACode);
        d.EADescription = ea ? ea->fDescription : String();
        d.EAVATMode = ea && ea->fVentilazione ? u"1" : u"0";
      }
      result.DeptTable.push_back(std::move(d));
    }
  }
  return result;
}

bool kFiscalPrinterDevice::CheckDeptTableRequest(kEconomicActivityTable&, kDeptTable&) { return true; }

_int_SETDEPTTABLE_result kFiscalPrinterDevice::Pub_SetDeptTable(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_SETDEPTTABLE_result>(u"SetDeptTable", [&](_int_SETDEPTTABLE_result&) {
    if (!CheckDeptTableRequest(*aHandler.fEATable, *aHandler.fDeptTable)) return;
    SetEATable(*aHandler.fEATable);
    SetDeptTable(*aHandler.fDeptTable);
  });
}

_int_EJREPORT_result kFiscalPrinterDevice::Pub_EJReport(kReceiptPrinterHandler& aHandler) {
  return RunOperation<_int_EJREPORT_result>(u"EJReport", [&](_int_EJREPORT_result& r) {
    const kEJReport& ej = *aHandler.fEJReport;
    switch (ej.fReportType) {
      case ejrt_ZReport: EJReportZReport(ej.fDestination, r.Text, ej.fStartDate, ej.fEndDate); break;
      case ejrt_FiscalReceipt:
        EJReportFiscalReceipt(ej.fDestination, ej.fStartNumber, ej.fEndNumber, r.Text, ej.fStartDate, ej.fEndDate);
        break;
      case ejrt_NonFiscalReceipt:
        EJReportNonFiscalReceipt(ej.fDestination, ej.fStartNumber, ej.fEndNumber, r.Text, ej.fStartDate,
                                 ej.fEndDate);
        break;
      case ejrt_CreditNote:
        EJReportCreditNote(ej.fDestination, ej.fStartNumber, ej.fEndNumber, r.Text, ej.fStartDate, ej.fEndDate);
        break;
      case ejrt_Invoice:
        EJReportInvoice(ej.fDestination, ej.fStartNumber, ej.fEndNumber, r.Text, ej.fStartDate, ej.fEndDate);
        break;
    }
  });
}

_int_GETEJFILES_result kFiscalPrinterDevice::Pub_GetEJFiles(kReceiptPrinterHandler& aHandler) {
  auto result = RunOperation<_int_GETEJFILES_result>(u"GetEJFiles", [&](_int_GETEJFILES_result&) {
    const kEJFilesRequest& request = *aHandler.fEJFilesRequest;
    GetEJFiles(request.fReqType, request.fOutputDir, fEJFilesCount, request.fStartDate, request.fEndDate);
  });
  result.FilesCount = result.Error ? 0 : fEJFilesCount;
  return result;
}

_int_GETLOTTERYRCPTSTATUS_result kFiscalPrinterDevice::Pub_GetLotteryReceiptStatus(kReceiptPrinterHandler& aHandler) {
  auto result = RunOperation<_int_GETLOTTERYRCPTSTATUS_result>(
      u"GetLotteryRcptStatus", [&](_int_GETLOTTERYRCPTSTATUS_result&) {
        if (ReadinessStep()) GetLotteryReceiptStatus(*aHandler.fReceiptReference);
      });
  if (!result.Error) {
    result.CorrectlySent = fLotteryReceiptStatus.CorrectlySent;
    result.StatusCode = fLotteryReceiptStatus.StatusCode;
    result.StatusDescription = fLotteryReceiptStatus.StatusDescription;
    result.ReferenceId = fLotteryReceiptStatus.ReferenceId;
  }
  return result;
}

_int_PAY_result kFiscalPrinterDevice::Pub_Pay(kReceiptPrinterHandler& aHandler) {
  kPaymentReceipt& payment = *aHandler.fPaymentReceipt;
  auto result = RunOperation<_int_PAY_result>(u"Pay", [&](_int_PAY_result&) {
    // A PAY without handle runs on a device made for this call, which no OPEN has connected.
    if (!fIOHandler->Connected() && !ConnectTransport()) return;
    Pay(payment);
  });
  result.DeviceId.clear();
  result.PaymentNumber.clear();
  result.PaymentCurrency.clear();
  result.MaskedPAN.clear();
  result.AuthCode.clear();
  result.TraceAuditId.clear();
  result.PaymentDateTime = 0;
  result.PaymentAmount = Currency();
  result.ExchangeRate = Currency();
  result.PaymentAmountCurrency = Currency();
  result.TransactionType = ptt_Manual;
  result.PaymentNetwork = qxPaymentNetwork::Other;
  result.ReceiptText.clear();
  if (!result.Error) {
    result.RawResponse = payment.fRawResponse;
    for (const String& line : payment.fReceiptLines) result.ReceiptText += line + u"\r\n";
  }
  return result;
}

}  // namespace qx
