// The fiscal receipt commands: sale, refund, void and invoice documents, their lines and payments.
#include "drivers/epson/fiscal_printer_epsfpnat.h"

namespace qx {

bool kFiscalPrinter_EPSFPNAT::BeginFiscalReceipt(kReceipt&) { return NotAvailable(u"BeginFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::EndFiscalReceipt(kReceipt&) { return NotAvailable(u"EndFiscalReceipt"); }

bool kFiscalPrinter_EPSFPNAT::ProductSale(kReceipt&, kReceiptLineProductSale&) { return NotAvailable(u"ProductSale"); }

bool kFiscalPrinter_EPSFPNAT::ProductReturn(kReceipt&, kReceiptLineProductReturn&) { return NotAvailable(u"ProductReturn"); }

bool kFiscalPrinter_EPSFPNAT::VoucherSale(kReceipt&, kReceiptLineVoucherSale&) { return NotAvailable(u"VoucherSale"); }

bool kFiscalPrinter_EPSFPNAT::VoucherRedeem(kReceipt&, kReceiptLineVoucherRedeem&) { return NotAvailable(u"VoucherRedeem"); }

bool kFiscalPrinter_EPSFPNAT::GiftCardSale(kReceipt&, kReceiptLineGiftCardSale&) { return NotAvailable(u"GiftCardSale"); }

bool kFiscalPrinter_EPSFPNAT::GiftCardRedeem(kReceipt&, kReceiptLineGiftCardRedeem&) { return NotAvailable(u"GiftCardRedeem"); }

bool kFiscalPrinter_EPSFPNAT::CollectAmount(kReceipt&, kReceiptLineCollectAmount&) { return NotAvailable(u"CollectAmount"); }

bool kFiscalPrinter_EPSFPNAT::Text(kReceipt&, kReceiptLineText&) { return NotAvailable(u"Text"); }

bool kFiscalPrinter_EPSFPNAT::SubTotal(kReceipt&, kReceiptLineSubtotal&) { return NotAvailable(u"SubTotal"); }

bool kFiscalPrinter_EPSFPNAT::DiscountAmount(kReceipt&, kReceiptLineDiscountAmount&) { return NotAvailable(u"DiscountAmount"); }

bool kFiscalPrinter_EPSFPNAT::DiscountPercentage(kReceipt&, kReceiptLineDiscountPercentage&) { return NotAvailable(u"DiscountPercentage"); }

bool kFiscalPrinter_EPSFPNAT::DiscountAmountOnSubtotal(kReceipt&, kReceiptLineDiscountAmountOnSubTotal&) { return NotAvailable(u"DiscountAmountOnSubtotal"); }

bool kFiscalPrinter_EPSFPNAT::DiscountPercentageOnSubTotal(kReceipt&, kReceiptLineDiscountPercentageOnSubTotal&) { return NotAvailable(u"DiscountPercentageOnSubTotal"); }

bool kFiscalPrinter_EPSFPNAT::MarkupAmount(kReceipt&, kReceiptLineMarkupAmount&) { return NotAvailable(u"MarkupAmount"); }

bool kFiscalPrinter_EPSFPNAT::MarkupPercentage(kReceipt&, kReceiptLineMarkupPercentage&) { return NotAvailable(u"MarkupPercentage"); }

bool kFiscalPrinter_EPSFPNAT::MarkupAmountOnSubtotal(kReceipt&, kReceiptLineMarkupAmountOnSubTotal&) { return NotAvailable(u"MarkupAmountOnSubtotal"); }

bool kFiscalPrinter_EPSFPNAT::MarkupPercentageOnSubTotal(kReceipt&, kReceiptLineMarkupPercentageOnSubTotal&) { return NotAvailable(u"MarkupPercentageOnSubTotal"); }

bool kFiscalPrinter_EPSFPNAT::Total(kReceipt&, kReceiptPaymentLine&) { return NotAvailable(u"Total"); }

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageTextLine(kReceipt&, kReceiptMessageTextLine&) { return NotAvailable(u"PrintTrailerMessageTextLine"); }

bool kFiscalPrinter_EPSFPNAT::PrintTrailerMessageBarcode(kReceipt&, kReceiptMessageBarcodeLine&) { return NotAvailable(u"PrintTrailerMessageBarcode"); }

}  // namespace qx
