// The enumerations of the request vocabulary. The ordinal order is part of the contract: the
// device core and the driver compare and index by it, and the sets are bit n = ordinal n.
// Their texts and readers are in rpt_util.h.
#pragma once

#include "documents/enum_set.h"

namespace qx {

enum qxReceiptType { rt_Sale, rt_Refund, rt_Void, rt_InvoiceSale, rt_InvoiceSaleFromReceipt };

enum qxReceiptLineType {
  rlt_ProductSale,
  rlt_ProductReturn,
  rlt_WeightedProductSale,
  rlt_VoucherSale,
  rlt_VoucherRedeem,
  rlt_GiftCardSale,
  rlt_GiftCardRedeem,
  rlt_SubTotal,
  rlt_Text,
  rlt_DiscountAmount,
  rlt_DiscountPercentage,
  rlt_DiscountAmountOnSubtotal,
  rlt_DiscountPercentageOnSubTotal,
  rlt_MarkupAmount,
  rlt_MarkupPercentage,
  rlt_MarkupAmountOnSubtotal,
  rlt_MarkupPercentageOnSubTotal,
  rlt_CollectAmount
};

enum qxReceiptPaymentType {
  rpt_Cash,
  rpt_Cheque,
  rpt_CreditCard,
  rpt_DebitCard,
  rpt_Credit,
  rpt_CreditOnProducts,
  rpt_CreditOnServices,
  Rpt_GiftCard,
  Rpt_Voucher,
  Rpt_MealVoucher,
  Rpt_NHSCard,
  Rpt_Change
};

enum qxReceiptTaxType { tt_VAT, tt_SalesTax };

enum qxReceiptReferenceType { rrt_OriginalReceipt, rrt_EFTReceipt, rrt_NotAvailable, rrt_Empties };

// la_none has no text and is never the result of reading.
enum qxReceiptMessageLineAlignment { la_none, la_right, la_center, la_left };

enum qxReceiptMessageBarcodeType {
  bt_EAN13,
  bt_EAN8,
  bt_CODE39,
  bt_CODE128,
  bt_QRCODE,
  bt_UPCA,
  bt_UPCE,
  bt_Interleaved2Of5
};

enum qxReceiptMessageLineEffect {
  le_bold,
  le_italic,
  le_underline,
  le_doubleheight,
  le_doublewidth,
  le_doublesize,
  le_invertcolors,
  le_condensed
};
using qxReceiptMessageLineEffectSet = EnumSet<qxReceiptMessageLineEffect, 8>;

enum qxReceiptMessageImageSource { is_Resource, is_FileSystem };

enum qxReceiptLineAttribute { rla_Product, rla_Service };

enum qxEJReportType { ejrt_ZReport, ejrt_FiscalReceipt, ejrt_NonFiscalReceipt, ejrt_CreditNote, ejrt_Invoice };

enum qxEJReportDestination { rd_Printer, rd_Memory };

enum qxEJFilesRequestType { ej_xml };

enum qxDepartmentSalesType { st_Product, st_Service };

// pl_ECR: the fiscal printer prints the payment receipt; pl_EFT: the payment terminal does.
enum QxPrintLocation { pl_ECR, pl_EFT };

// Where a message line is printed: before, inside or after the body of a receipt.
enum qxReceiptSection { rs_lead, rs_body, rs_trail };

enum qxReceiptHandlerDocumentType {
  dt_Receipt,
  dt_NFReceipt,
  dt_Display,
  dt_Drawer,
  dt_EJReport,
  dt_VatTable,
  dt_DeptTable,
  dt_Pay,
  dt_ReceiptReference,
  dt_EJFilesRequest,
  dt_XReport,
  dt_ZReport
};
using qxReceiptHandlerDocumentTypes = EnumSet<qxReceiptHandlerDocumentType, 12>;

}  // namespace qx
