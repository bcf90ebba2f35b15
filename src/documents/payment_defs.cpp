#include "documents/payment_defs.h"

#include <iterator>

namespace qx {

namespace {

// In ordinal order; an empty entry has no text of its own.
constexpr const char16_t* kNetworkTexts[] = {
    u"bank",      u"cheque",     u"visa",      u"amex",       u"mastercard", u"jcb",        u"cup",
    u"diners",    u"maestro",    u"NHS",       u"edenred",    u"day",        u"sodexo",     u"pellegrini",
    u"bluticket", u"jakala",     u"miglunch",  u"alipay",     u"discover",   u"doku",       u"dragonpay",
    u"molpay",    u"vpay",       u"amazonpay", u"applepay",   u"samsungpay", u"paypal",     u"yandex",
    u"quiticket", u"repas",      u"ristomat",  u"agape",      u"lunchtime",  u"quiwelfare", u"ep",
    u"cir",       u"gemeaz",     u"satispay",  u"jiffy",      u"bitcoin",    u"tinaba",     u"scalapay",
    u"",          u"other"};
static_assert(std::size(kNetworkTexts) == static_cast<size_t>(qxPaymentNetwork::Other) + 1);

constexpr const char16_t* kTransactionTypeTexts[] = {u"CHIP",           u"MAGSTRIPE", u"MANUAL", u"CLESS",
                                                     u"CLESSMAGSTRIPE", u"CLESSCHIP", u"",       u"OTHER"};
static_assert(std::size(kTransactionTypeTexts) == ptt_Other + 1);

}  // namespace

String DecodeNetwork(qxPaymentNetwork aNetwork) {
  const auto i = static_cast<int>(aNetwork);
  if (i < 0 || i >= static_cast<int>(std::size(kNetworkTexts)) || kNetworkTexts[i][0] == u'\0')
    return u"unrecognized";
  return kNetworkTexts[i];
}

String DecodeTransactionType(qxPaymentTransactionType aType) {
  const auto i = static_cast<int>(aType);
  if (i < 0 || i >= static_cast<int>(std::size(kTransactionTypeTexts))) return String();
  return kTransactionTypeTexts[i];
}

}  // namespace qx
