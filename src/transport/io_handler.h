// The abstract transport every device talks through, and what all transports share: the device
// log and its traffic format, the time-outs, the temporary read time-out of slow printer
// operations, and the error state that drivers hand up to the device.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/log_writer.h"
#include "support/text.h"
#include "transport/connection.h"

namespace qx {

// The log sink handed to the HTTP client and the RT data reader: entry type, title, message.
using qxWriteLogEvent = std::function<void(tQX_MessageType, StringView, StringView)>;

// Terminator bytes of a ReadUpTo; the native driver passes 06h, 0Fh, 11h, 03h.
using ByteList = std::vector<uint8_t>;

// Each code unit as lower-case hexadecimal, two digits (four above FFh), separated by blanks.
String HexString(StringView aText);

// Text to 8-bit bytes in a Windows code page number: 1252, 28591 (Latin-1), 20127 (ASCII),
// 65001 (UTF-8). Characters a code page lacks become '?'. Other numbers raise
// "Code page <n> is not supported".
std::string EncodeCodePage(StringView aText, int32_t aCodePage);

class kIOHandler {
 public:
  // A ReadUpTo whose peer sends neither a terminator nor a pause ends, as a time-out, once this
  // many characters have come: a flooding peer cannot grow the answer (and its log line)
  // without bound, at whatever speed the machine reads.
  static constexpr size_t kReadUpToMaxChars = 65536;

  // Takes both time-outs from aConnection when one is given (otherwise they stay 0). With a
  // directory and a file name, opens the device log (daily name, no message cut) and writes the
  // START banner.
  kIOHandler(const kConnection* aConnection, StringView aDirectory, StringView aFileName);
  // Writes the STOP banner and drains the log. A transport closes its medium in its own
  // destructor, which runs before this one.
  virtual ~kIOHandler();
  kIOHandler(const kIOHandler&) = delete;
  kIOHandler& operator=(const kIOHandler&) = delete;

  // ---- the transport operations ----
  virtual bool GetConnected() = 0;
  // Writes the connect banner and answers true; every transport calls it first.
  virtual bool Connect();
  virtual bool Disconnect() = 0;
  virtual void ClearBuffers() = 0;
  virtual bool Write(StringView aMessage) = 0;
  virtual String ReadUpTo(const ByteList& aChars) = 0;
  virtual String ReadChars(int32_t aCharsNum) = 0;
  virtual String ReadAll() = 0;
  virtual String DecodeError(int32_t aErrorCode) = 0;
  virtual bool InputBufferContainsData() = 0;
  virtual void SetParameter(StringView aName, StringView aValue) = 0;
  // The transport's class name, as the connect banner shows it.
  virtual String ClassName() const = 0;
  // ---- a link that dropped ----
  // Whether the medium was open and is gone: the peer closed or reset the connection, the line
  // hung up, the device was removed or its name now leads to another one. Looks without waiting
  // and takes no byte; never raises. False for a medium that is not open, and for the transports
  // that have no link to lose.
  virtual bool LinkDropped() { return false; }
  // The medium as the log's reconnect lines name it ("127.0.0.1:9100", "COM3", "/dev/ttyUSB0").
  virtual String LinkName() const { return ClassName(); }
  // Closes the medium and opens it again with the connection's settings and time-outs: one
  // attempt. False with aFailure set when it is not open again; never raises.
  bool ReopenLink(String& aFailure);

  // The bytes that Write puts on the wire for aText: the system's 8-bit code page (1252) unless
  // a transport converts otherwise. Frame checksums are computed on these bytes.
  virtual std::string WireBytes(StringView aText) const { return ToCp1252(aText); }

  // ---- log ----
  // One traffic line "title:message", with " [hex dump]" when hex logging is on.
  void WriteLog(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage);
  // aMessage unchanged.
  void Debug(tQX_MessageType aEntryType, StringView aMessage);
  // Full path of the log file; empty without a log or when the file is not there.
  String GetLogFileName() const;
  tQX_LogWriter* Logger() const { return fLogger.get(); }
  // WriteLog of this transport as a log callback; valid while the transport lives.
  qxWriteLogEvent LogEvent();

  // ---- secrets kept out of the log ----
  // While a mask is set, WriteLog shows aSecret, wherever it directly follows aContext in a
  // message, as asterisks of the same length, in the text and in its hex dump; the bytes on the
  // wire are not touched. For commands that carry a password.
  void SetLogMask(StringView aContext, StringView aSecret);
  void ClearLogMask();
  // aMessage as the log shows it under the mask in force.
  String MaskedForLog(StringView aMessage) const;

  // ---- error state ----
  void SetCustomError(int32_t aErrorCode, StringView aErrorMessage);
  void ResetCustomError();
  bool ErrorFound() const { return fErrorFound; }
  int32_t ErrorCode() const { return fErrorCode; }
  const String& ErrorMessage() const { return fErrorMessage; }

  // ---- read time-out of slow operations ----
  // A single saved slot: the pair must not be nested.
  void SetTemporaryReadTimeout(int32_t aNewTimeout);
  void ResetTemporaryReadTimeout();

  // ---- properties ----
  bool Connected() { return GetConnected(); }
  bool HexLog() const { return fHexLog; }
  void SetHexLog(bool aValue) { fHexLog = aValue; }
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  void SetConnectTimeout(int32_t aValue) { fConnectTimeout = aValue; }
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }
  const String& Version() const { return fVersion; }
  void SetVersion(StringView aValue) { fVersion = aValue; }
  int32_t CodePage() const { return fCodePage; }
  void SetCodePage(int32_t aValue) { fCodePage = aValue; }

 protected:
  // "Waiting for:" + the terminators as characters separated by ",", and with hex logging
  // " [" + their hex values separated by "," + "]"; written straight to the log writer.
  void LogWaitingFor(const ByteList& aChars);
  String WaitingForLine(const ByteList& aChars) const;
  // Why the last Connect that answered false did not connect; empty when it says nothing more.
  virtual String ConnectFailure() const { return String(); }

  bool fErrorFound = false;
  int32_t fErrorCode = 0;
  String fErrorMessage;
  std::unique_ptr<tQX_LogWriter> fLogger;
  bool fHexLog = false;
  int32_t fConnectTimeout = 0;
  int32_t fReadTimeout = 0;
  int32_t fTemporaryReadTimeout = 0;
  String fVersion;
  int32_t fCodePage = 0;
  String fLogMaskContext;
  String fLogMaskSecret;
  // The last "Waiting for" line and what it was made from.
  String fWaitingLine;
  ByteList fWaitingFor;
  bool fWaitingHex = false;
};

}  // namespace qx
