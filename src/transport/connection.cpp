#include "transport/connection.h"

#include "support/error.h"

namespace qx {

qxConnectionType kConnection::ConvertConnectionType(StringView aString) {
  const String word = LowerCase(aString);
  if (word == u"serial") return qxConnectionType::Serial;
  if (word == u"http") return qxConnectionType::HTTP;
  if (word == u"tcp") return qxConnectionType::TCP;
  if (word == u"opos") return qxConnectionType::OPOS;
  if (word == u"dll") return qxConnectionType::DLL;
  if (word == u"com") return qxConnectionType::Com;
  if (word == u"spool") return qxConnectionType::Spool;
  throw Error(u"Connection Type " + String(aString) + u" is not valid");
}

qxParity kConnection::ConvertParity(StringView aString) {
  const String word = LowerCase(aString);
  if (word == u"none") return qxParity::None;
  if (word == u"odd") return qxParity::Odd;
  if (word == u"even") return qxParity::Even;
  throw Error(u"Connection Parity " + String(aString) + u" is not valid");
}

qxHTTPAuthType kConnection::ConvertAuthType(StringView aString) {
  const String word = LowerCase(aString);
  if (word == u"basic") return at_Basic;
  if (word == u"digest") return at_Digest;
  return at_None;
}

}  // namespace qx
