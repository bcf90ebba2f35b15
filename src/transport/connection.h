// Connection settings of one device, filled from the configuration's Connection element, and
// the text conversions that turn configuration words into their enumeration values.
#pragma once

#include <cstdint>

#include "support/text.h"

namespace qx {

enum class qxConnectionType { OPOS, TCP, HTTP, Serial, DLL, Com, Spool };
enum class qxParity { None, Even, Odd };
enum class qxSpoolOutputType { Raw, Normal };
// Shared with the HTTP client, which alone can use bearer authentication.
enum qxHTTPAuthType { at_None, at_Basic, at_Digest, at_Bearer };

class kConnection {
 public:
  static constexpr int32_t kDefaultTimeout = 1000;  // milliseconds

  kConnection() = default;

  // Lower-cases the word and picks its value. Unknown words raise
  // "Connection Type <word> is not valid" and "Connection Parity <word> is not valid", quoting
  // the word as given; an unknown authentication word means no authentication.
  static qxConnectionType ConvertConnectionType(StringView aString);
  static qxParity ConvertParity(StringView aString);
  static qxHTTPAuthType ConvertAuthType(StringView aString);

  const String& Address() const { return fAddress; }
  void SetAddress(StringView aValue) { fAddress = aValue; }
  int32_t Port() const { return fPort; }
  void SetPort(int32_t aValue) { fPort = aValue; }
  const String& URL() const { return fURL; }
  void SetURL(StringView aValue) { fURL = aValue; }
  qxHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(qxHTTPAuthType aValue) { fAuthType = aValue; }
  const String& User() const { return fUser; }
  void SetUser(StringView aValue) { fUser = aValue; }
  const String& Password() const { return fPassword; }
  void SetPassword(StringView aValue) { fPassword = aValue; }
  const String& SerialPort() const { return fSerialPort; }
  void SetSerialPort(StringView aValue) { fSerialPort = aValue; }
  int32_t Speed() const { return fSpeed; }
  void SetSpeed(int32_t aValue) { fSpeed = aValue; }
  int32_t DataBits() const { return fDataBits; }
  void SetDataBits(int32_t aValue) { fDataBits = aValue; }
  qxParity Parity() const { return fParity; }
  void SetParity(qxParity aValue) { fParity = aValue; }
  int32_t StopBits() const { return fStopBits; }
  void SetStopBits(int32_t aValue) { fStopBits = aValue; }
  const String& DeviceName() const { return fDeviceName; }
  void SetDeviceName(StringView aValue) { fDeviceName = aValue; }
  const String& LibraryName() const { return fLibraryName; }
  void SetLibraryName(StringView aValue) { fLibraryName = aValue; }
  const String& PrinterName() const { return fPrinterName; }
  void SetPrinterName(StringView aValue) { fPrinterName = aValue; }
  qxConnectionType ConnectionType() const { return fConnectionType; }
  void SetConnectionType(qxConnectionType aValue) { fConnectionType = aValue; }
  // Values of 0 or less are ignored, so a missing or zero setting keeps the default.
  int32_t ConnectTimeOut() const { return fConnectTimeout; }
  void SetConnectTimeOut(int32_t aValue) {
    if (aValue > 0) fConnectTimeout = aValue;
  }
  int32_t ReadTimeOut() const { return fReadTimeout; }
  void SetReadTimeOut(int32_t aValue) {
    if (aValue > 0) fReadTimeout = aValue;
  }

 private:
  String fAddress;
  int32_t fPort = 0;
  String fURL;
  qxHTTPAuthType fAuthType = at_None;
  String fUser;
  String fPassword;
  String fSerialPort;
  int32_t fSpeed = 0;
  int32_t fDataBits = 0;
  qxParity fParity = qxParity::None;
  int32_t fStopBits = 0;
  String fDeviceName;
  String fLibraryName;
  String fPrinterName;
  qxConnectionType fConnectionType = qxConnectionType::OPOS;
  int32_t fConnectTimeout = kDefaultTimeout;
  int32_t fReadTimeout = kDefaultTimeout;
};

}  // namespace qx
