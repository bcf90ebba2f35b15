// The card network and the transaction type of an electronic payment, as the answer of a payment
// request reports them.
#pragma once

#include "support/text.h"

namespace qx {

// Scoped: several of these names (Other, Day, Bank) are too plain for the namespace.
enum class qxPaymentNetwork {
  Bank,
  Cheque,
  Visa,
  Amex,
  Mastercard,
  JCB,
  CUP,
  Diners,
  Maestro,
  NHS,
  Edenred,
  Day,
  Sodexo,
  Pellegrini,
  BluTicket,
  Jakala,
  MIGLunch,
  AliPay,
  Discover,
  Doku,
  DragonPay,
  MolPay,
  VPay,
  AmazonPay,
  ApplePay,
  SamsungPay,
  Paypal,
  Yandex,
  QuiTicket,
  Repas,
  Ristomat,
  Agape,
  LunchTime,
  QuiWelfare,
  EP,
  CIR,
  Gemeaz,
  Satispay,
  Jiffy,
  Bitcoin,
  Tinaba,
  Scalapay,
  Nexi,
  Other
};

enum qxPaymentTransactionType {
  ptt_Chip,
  ptt_MagStripe,
  ptt_Manual,
  ptt_Cless,
  ptt_ClessMagStripe,
  ptt_ClessChip,
  ptt_RFID,
  ptt_Other
};

// The network's answer text; Nexi and any value outside the list give "unrecognized".
String DecodeNetwork(qxPaymentNetwork aNetwork);
// The transaction type's answer text; ptt_RFID and any value outside the list give "".
String DecodeTransactionType(qxPaymentTransactionType aType);

}  // namespace qx
