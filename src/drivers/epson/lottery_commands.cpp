// The state of a receipt in the receipt lottery.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "support/text_functions.h"

namespace qx {

namespace {

String StateDescription(StringView aState, StringView aStatusCode) {
  if (aState == u"00") return u"Ok";
  if (aState == u"01") return u"Da Inviare";
  if (aState == u"02") return u"Da Inviare: non ancora raggiunto il limite di invio";
  if (aState == u"03") return u"Respinto: codice di errore " + String(aStatusCode);
  if (aState == u"04") return u"Respinto: codice di errore non disponibile";
  if (aState == u"05") return u"Documento Commerciale non trovato o Codice Lotteria non specificato nel Documento";
  return u"Stato sconosciuto: [" + String(aState) + u"]";
}

}  // namespace

bool kFiscalPrinter_EPSFPNAT::GetLotteryReceiptStatus(kReceiptReference& aReference) {
  qxLotteryReceiptStatus& status = fLotteryReceiptStatus;
  if (aReference.fDeviceSerialNumber != fSerialNumber) {
    // Only the printer that issued a receipt knows its lottery state.
    status.CorrectlySent = false;
    status.StatusCode = u"XXXXX";
    status.StatusDescription = u"Documento emesso da un dispositivo differente";
    status.ReferenceId.clear();
    return true;
  }
  const String data = PadText(aReference.fDeviceSerialNumber, 8) +
                      DocumentNumberField(aReference.fEJClosingNumber, u"EJClosingNumber") +
                      DocumentNumberField(aReference.fReceiptNumber, u"ReceiptNumber") +
                      DateField(aReference.fReceiptDateTime) + u"00";
  if (!ExecuteCommand(u"9218", data, u"GetLotteryReceiptStatus")) return false;
  const String state = ResponseField(23, 24);
  status.CorrectlySent = state == u"00";
  status.StatusCode = ResponseField(25, 29);
  status.ReferenceId = ResponseField(30, 79);
  status.StatusDescription = StateDescription(state, status.StatusCode);
  return true;
}

}  // namespace qx
