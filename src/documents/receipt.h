// The fiscal receipt request: header data of the sale, the receipt lines, payments, tax summary,
// the message lines around the fiscal part and the reference to an earlier receipt. Reading it
// talks to no printer; the receipt flow and the driver read the object afterwards.
#pragma once

#include <pugixml.hpp>

#include "documents/enumerations.h"
#include "documents/receipt_lines.h"
#include "documents/receipt_message_lines.h"
#include "documents/receipt_payment_lines.h"
#include "documents/receipt_tax_lines.h"
#include "support/currency.h"
#include "support/date_time.h"
#include "support/text.h"

namespace qx {

// The earlier receipt that a refund, a void or an invoice refers to.
struct qxOriginalReceipt {
  TDateTime ReceiptDateTime = 0;
  String ReceiptNumber;
  String DeviceSerialNumber;
  String ServerSerialNumber;
  String EJNumber;
  String EJClosingNumber;
  bool ExcludeFPCheck = false;
  qxReceiptReferenceType ReferenceType = rrt_OriginalReceipt;
  String ExternalReference;  // not read from the request
  String InvoiceNumber;
  TDateTime InvoiceDateTime = 0;
};

class kReceipt {
 public:
  kReceipt() = default;
  kReceipt(const kReceipt&) = delete;
  kReceipt& operator=(const kReceipt&) = delete;

  // Fills the receipt from the Receipt element under the request root (aRoot may also be the
  // whole document). Appends to the lists. Raises the first error in reading order; the receipt
  // is then partly filled and must not be printed.
  void Deserialize(pugi::xml_node aRoot);

  // The sum of GetAmount over all lines, in list order.
  Currency GetCalculatedAmount() const;

  // Set by the program (never by a request): the printer prints special characters, so texts
  // are handed out as they are instead of normalised.
  bool fSupportSpecialChars = false;
  String fLayout = u"DocumentLayout";
  bool fDefaultLayout = true;  // true when the request gave no Layout
  TDateTime fBusinessDate = 0;
  String fReceiptNumber;
  TDateTime fReceiptDateTime = 0;
  String fReceiptZReportNumber;
  String fDeviceSerialNumber;
  qxReceiptType fReceiptType = rt_Sale;
  String fReceiptTypeDescription;
  String fReceiptSubType;
  String fInvoiceNumber;
  TDateTime fInvoiceDateTime = 0;
  String fExternalReference;
  qxOriginalReceipt fOriginalReceipt;
  String fCountryCode;
  String fFiscalAreaCode;
  String fCompanyCode;
  String fCompanyTaxCode;
  String fStoreCode;
  String fStoreAddress;
  String fStoreZipCode;
  String fStoreCity;
  String fTillCode;
  String fOperatorCode;
  String fReceiptBarcode;
  String fCurrencyCode;
  Currency fTotalAmount;
  Currency fTipAmount;
  String fCustomerCode;
  String fCustomerCard;
  String fCustomerBusinessName;
  String fCustomerName;
  String fCustomerSurname;
  String fCustomerAddress;
  String fCustomerZipCode;
  String fCustomerCity;
  String fCustomerProvince;
  String fCustomerCountry;
  TDateTime fCustomerDateOfBirth = 0;
  String fCustomerTaxCode;
  String fCustomerIdNumber;
  String fLotteryIdCode;
  kReceiptMessageLines fLeaderLines;
  kReceiptLines fLines;
  kReceiptPaymentLines fPayments;  // the PaymentLines of the receipt
  kReceiptTaxLines fTaxes;
  kReceiptMessageLines fTrailerMessages;
  bool fToBeInvoiced = false;
  StringList fHeaders;

 private:
  void ReadHeader(pugi::xml_node aReceipt);
  void ReadOriginalReceipt(pugi::xml_node aReceipt);
  void ReadLines(pugi::xml_node aReceipt);
  void ReadTaxes(pugi::xml_node aReceipt);
  void ReadPayments(pugi::xml_node aReceipt);
  void ReadMessageLines(pugi::xml_node aReceipt);
};

}  // namespace qx
