// The electronic payment through the printer's payment terminal, and its printed copies.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "drivers/epson/slow_command.h"
#include "platform/clock.h"

namespace qx {

namespace {

// The terminal waits for the customer's card and PIN.
constexpr int32_t kPaymentReadTimeout = 180000;

}  // namespace

bool kFiscalPrinter_EPSFPNAT::Pay(kPaymentReceipt& aPayment) {
  CloseOpenDocument();
  // The amount is checked before anything reaches the terminal.
  const String data = u"01" + FitField(aPayment.fAmount, 9, 2, u"Amount") + u"2" + u"01" + u"1";
  bool result = false;
  {
    const SlowCommandTimeout slow(*fIOHandler, kPaymentReadTimeout);
    result = ExecuteCommand(u"1084", data, u"Pay");
  }
  // The terminal's own answer follows the printer's 26 characters.
  aPayment.fRawResponse = result && fResponseData.size() > 26 ? fResponseData.substr(26) : String();
  if (!result) return false;
  // A refused payment is an answer, not a printer failure: false without an error text.
  if (aPayment.fRawResponse.size() < 12 || aPayment.fRawResponse.substr(10, 2) != u"00") return false;

  if (aPayment.fCopies > 0) {
    kNFReceipt slip;
    for (int32_t copy = 0; copy < aPayment.fCopies; ++copy) {
      // The copies are a courtesy: the payment is done whatever their printing answers.
      BeginNoFiscalReceipt(slip);
      ExecuteCommand(u"1078", u"0180001", u"Pay[Text]");
      EndNoFiscalReceipt(slip);
    }
  } else {
    // The terminal prints its own slip: give it the time to finish before the next command.
    platform::SleepMs(fPayWithoutCopiesWaitMs);
  }
  return true;
}

}  // namespace qx
