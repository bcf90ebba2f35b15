#include "transport/connection.h"

#include <utility>

#include "support/error.h"

namespace qx {

namespace {

template <class T>
using WordTable = std::initializer_list<std::pair<const char16_t*, T>>;

// The value of the lower-cased word; false when the table lacks it.
template <class T>
bool FindWord(StringView aString, WordTable<T> aTable, T& aValue) {
  const String word = LowerCase(aString);
  for (const auto& [text, value] : aTable) {
    if (word == text) {
      aValue = value;
      return true;
    }
  }
  return false;
}

}  // namespace

qxConnectionType kConnection::ConvertConnectionType(StringView aString) {
  qxConnectionType type = qxConnectionType::OPOS;
  if (!FindWord<qxConnectionType>(aString,
                                  {{u"serial", qxConnectionType::Serial},
                                   {u"http", qxConnectionType::HTTP},
                                   {u"tcp", qxConnectionType::TCP},
                                   {u"opos", qxConnectionType::OPOS},
                                   {u"dll", qxConnectionType::DLL},
                                   {u"com", qxConnectionType::Com},
                                   {u"spool", qxConnectionType::Spool}},
                                  type))
    throw Error(u"Connection Type " + String(aString) + u" is not valid");
  return type;
}

qxParity kConnection::ConvertParity(StringView aString) {
  qxParity parity = qxParity::None;
  if (!FindWord<qxParity>(aString, {{u"none", qxParity::None}, {u"odd", qxParity::Odd}, {u"even", qxParity::Even}},
                          parity))
    throw Error(u"Connection Parity " + String(aString) + u" is not valid");
  return parity;
}

qxHTTPAuthType kConnection::ConvertAuthType(StringView aString) {
  qxHTTPAuthType type = at_None;
  FindWord<qxHTTPAuthType>(aString, {{u"none", at_None}, {u"basic", at_Basic}, {u"digest", at_Digest}}, type);
  return type;
}

}  // namespace qx
