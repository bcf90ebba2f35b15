// The result record of each export: filled by the device operation, written as the answer by
// the export's wrapper. Every record ends with Error, ErrorText and LogFileName.
#pragma once

#include <cstdint>
#include <vector>

#include "documents/payment_defs.h"
#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// Each record's starting state (Error true, everything else empty) is its default value;
// ClearResult assigns a default-constructed record.
struct _int_common_result {
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_PRINTFR_result {
  TDateTime ReceiptDateTime = 0;
  String ReceiptNumber;
  String EJNumber;
  String EJClosingNumber;
  String DeviceSerialNumber;
  String ServerSerialNumber;
  String InvoiceNumber;
  TDateTime InvoiceDateTime = 0;
  String ReceiptText;
  String ReceiptImage;
  bool Error = true;
  String ErrorText;
  String MessageText;
  String LogFileName;
};

struct _int_REPRINTFR_result : _int_common_result {};
struct _int_DISPLAY_result : _int_common_result {};
struct _int_OPENDR_result : _int_common_result {};
struct _int_SET_result : _int_common_result {};
struct _int_CLOSE_result : _int_common_result {};
struct _int_SETVATTABLE_result : _int_common_result {};
struct _int_SETDEPTTABLE_result : _int_common_result {};

struct _int_PRINTXR_result {
  String XReportNumber;
  TDateTime XReportDateTime = 0;
  String EJNumber;
  String EJClosingNumber;
  String DeviceSerialNumber;
  String ServerSerialNumber;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_PRINTZR_result {
  String ZReportNumber;
  TDateTime ZReportDateTime = 0;
  String EJNumber;
  String EJClosingNumber;
  String DeviceSerialNumber;
  String ServerSerialNumber;
  int32_t RemainingFiscalMemory = 0;
  Currency GrandTotalAmount;
  Currency GrandTotalRefundsAmount;
  Currency GrandTotalVoidsAmount;
  Currency DayTotalAmount;
  Currency DayDiscountsAmount;
  Currency DayReturnsAmount;
  Currency DayRefundsAmount;
  Currency DayVoidsAmount;
  int32_t DayReceiptsNumber = 0;
  int32_t DayRefundsNumber = 0;
  String Text;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_PRINTNFR_result {
  TDateTime NFReceiptDateTime = 0;
  String NFReceiptNumber;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_GETSTATUS_result {
  bool DayOpened = false;
  TDateTime DateTime = 0;
  bool PaperEnd = false;
  bool PaperNearEnd = false;
  bool CoverOpen = false;
  bool FiscalReceiptOpen = false;
  bool ReceiptOpen = false;
  bool TrainingMode = false;
  String FirmwareVersion;
  String SerialNumber;
  String FiscalMode;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_SETDATETIME_result {
  TDateTime DateTime = 0;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_OPEN_result {
  int32_t Handle = 0;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_GETDRSTATUS_result {
  bool IsOpen = false;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_EJREPORT_result {
  String Text;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_Vat {
  int32_t Index = 0;
  String Code;
  String Description;
  Currency Rate;
};

struct _int_GETVATTABLE_result {
  std::vector<_int_Vat> VATTable;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_Dept {
  int32_t Index = 0;
  String Code;
  String Description;
  String VatCode;
  String SalesType;
  String EACode;
  String EADescription;
  String EAVATMode;
};

struct _int_GETDEPTTABLE_result {
  std::vector<_int_Dept> DeptTable;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_GETLOTTERYRCPTSTATUS_result {
  bool CorrectlySent = false;
  String StatusCode;
  String StatusDescription;
  String ReferenceId;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_GETEJFILES_result {
  int32_t FilesCount = 0;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

struct _int_PAY_result {
  String DeviceId;
  TDateTime PaymentDateTime = 0;
  String PaymentNumber;
  Currency PaymentAmount;
  String PaymentCurrency;
  String MaskedPAN;
  String SerialNumber;
  qxPaymentTransactionType TransactionType = ptt_Other;
  qxPaymentNetwork PaymentNetwork = qxPaymentNetwork::Other;
  String AuthCode;
  String TraceAuditId;
  Currency ExchangeRate;
  Currency PaymentAmountCurrency;
  String PaymentCurrencyCurrency;
  Currency TippedAmount;
  Currency RemainingBalance;
  int32_t NumberOfItems = 0;
  Currency SingleItemAmount;
  bool SignatureRequested = false;
  String CustomerCountryCode;
  String CardToken;
  String RefundReference;
  String ReceiptText;
  String CashierReceiptText;
  String RawResponse;
  bool Error = true;
  String ErrorText;
  String LogFileName;
};

}  // namespace qx
