#include "transport/io_handler.h"

#include "platform/file_system.h"
#include "support/application.h"
#include "support/error.h"

namespace qx {

namespace {

const char16_t kStartBanner[] = u"*************************** START ***************************";
const char16_t kStopBanner[] = u"*************************** STOP ****************************";
const char16_t kConnectBanner[] = u"*************************************************************";

String Hex(uint32_t aValue, int aDigits) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  String out(static_cast<size_t>(aDigits), u'0');
  for (int i = aDigits - 1; i >= 0; --i, aValue >>= 4) out[static_cast<size_t>(i)] = kDigits[aValue & 0xF];
  return out;
}

}  // namespace

String HexString(StringView aText) {
  String out;
  out.reserve(aText.size() * 3);
  for (size_t i = 0; i < aText.size(); ++i) {
    if (i > 0) out += u' ';
    out += Hex(aText[i], aText[i] > 0xFF ? 4 : 2);
  }
  return out;
}

std::string EncodeCodePage(StringView aText, int32_t aCodePage) {
  switch (aCodePage) {
    case 1252:
      return ToCp1252(aText);
    case 28591:
      return ToLatin1(aText);
    case 20127: {
      std::string out = ToLatin1(aText);
      for (auto& b : out)
        if (static_cast<unsigned char>(b) > 0x7F) b = '?';
      return out;
    }
    case 65001:
      return ToUtf8(aText);
    default:
      throw Error(u"Code page " + IntToStr(aCodePage) + u" is not supported");
  }
}

kIOHandler::kIOHandler(const kConnection* aConnection, StringView aDirectory, StringView aFileName) {
  if (aConnection != nullptr) {
    fConnectTimeout = aConnection->ConnectTimeOut();
    fReadTimeout = aConnection->ReadTimeOut();
  }
  if (!aDirectory.empty() && !aFileName.empty()) {
    fLogger = std::make_unique<tQX_LogWriter>(aFileName, aDirectory, 0, true,
                                              [](StringView aMessage) { Application().Log(let_error, aMessage); });
    Debug(let_info, kStartBanner);
  }
}

kIOHandler::~kIOHandler() {
  if (fLogger) {
    try {
      Debug(let_info, kStopBanner);
    } catch (...) {
      // A line that cannot be queued must not stop the log from draining.
    }
  }
  fLogger.reset();  // drains
}

bool kIOHandler::Connect() {
  Debug(let_info, kConnectBanner);
  Debug(let_info, ClassName());
  Debug(let_info, fVersion);
  Debug(let_info, u"ConnectTimeout=" + IntToStr(fConnectTimeout));
  Debug(let_info, u"ReadTimeout=" + IntToStr(fReadTimeout));
  return true;
}

bool kIOHandler::ReopenLink(String& aFailure) {
  aFailure.clear();
  try {
    Disconnect();
  } catch (...) {
    // A medium that is gone may fail to close cleanly; it is released all the same.
  }
  try {
    if (Connect()) return true;
    aFailure = ConnectFailure();
  } catch (const Error& e) {
    aFailure = e.Message();
  } catch (const std::exception& e) {
    aFailure = FromUtf8(e.what());
  } catch (...) {
  }
  if (aFailure.empty()) aFailure = u"Connect Error";
  return false;
}

void kIOHandler::WriteLog(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) {
  if (!fLogger) return;
  // The usual line, with nothing to mask or dump, goes to the log in its parts.
  if (fLogMaskSecret.empty() && !fHexLog) {
    fLogger->Write(aEntryType, {aTitle, u":", aMessage});
    return;
  }
  const String message = MaskedForLog(aMessage);
  String line(aTitle);
  line += u':';
  line.append(message);
  if (fHexLog) line += u" [" + HexString(message) + u"]";
  fLogger->Write(aEntryType, line);
}

void kIOHandler::SetLogMask(StringView aContext, StringView aSecret) {
  fLogMaskContext = aContext;
  fLogMaskSecret = aSecret;
}

void kIOHandler::ClearLogMask() {
  fLogMaskContext.clear();
  fLogMaskSecret.clear();
}

String kIOHandler::MaskedForLog(StringView aMessage) const {
  String message(aMessage);
  if (fLogMaskSecret.empty()) return message;
  const String pattern = fLogMaskContext + fLogMaskSecret;
  for (size_t at = message.find(pattern); at != String::npos; at = message.find(pattern, at + pattern.size()))
    message.replace(at + fLogMaskContext.size(), fLogMaskSecret.size(), fLogMaskSecret.size(), u'*');
  return message;
}

void kIOHandler::Debug(tQX_MessageType aEntryType, StringView aMessage) {
  if (fLogger) fLogger->Write(aEntryType, aMessage);
}

String kIOHandler::GetLogFileName() const {
  if (!fLogger) return String();
  // An answer names only a log that is there to be read: one that cannot be written at all
  // (its folder and the fallback folder refused) is named by the application log instead.
  const String name = fLogger->FileName();
  return platform::FileExists(name) ? name : String();
}

qxWriteLogEvent kIOHandler::LogEvent() {
  return [this](tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) {
    WriteLog(aEntryType, aTitle, aMessage);
  };
}

void kIOHandler::SetCustomError(int32_t aErrorCode, StringView aErrorMessage) {
  fErrorFound = true;
  fErrorCode = aErrorCode;
  fErrorMessage = aErrorMessage;
}

void kIOHandler::ResetCustomError() {
  fErrorFound = false;
  fErrorCode = 0;
  fErrorMessage.clear();
}

void kIOHandler::SetTemporaryReadTimeout(int32_t aNewTimeout) {
  Debug(let_info, u"Set Read Timeout to " + IntToStr(aNewTimeout) + u"ms from " + IntToStr(fReadTimeout) + u" ms");
  if (aNewTimeout > 0) {
    fTemporaryReadTimeout = fReadTimeout;
    fReadTimeout = aNewTimeout;
  }
}

void kIOHandler::ResetTemporaryReadTimeout() {
  Debug(let_info, u"Reset Timeout to " + IntToStr(fTemporaryReadTimeout) + u" ms");
  if (fTemporaryReadTimeout != 0) fReadTimeout = fTemporaryReadTimeout;
}

void kIOHandler::LogWaitingFor(const ByteList& aChars) {
  if (!fLogger) return;
  // A driver waits for the same bytes read after read: the line is made once for them.
  if (aChars != fWaitingFor || fHexLog != fWaitingHex || fWaitingLine.empty()) {
    fWaitingLine = WaitingForLine(aChars);
    fWaitingFor = aChars;
    fWaitingHex = fHexLog;
  }
  fLogger->Write(let_info, fWaitingLine);
}

String kIOHandler::WaitingForLine(const ByteList& aChars) const {
  String list;
  String hex;
  for (size_t i = 0; i < aChars.size(); ++i) {
    if (i > 0) {
      list += u',';
      hex += u',';
    }
    list += static_cast<char16_t>(aChars[i]);
    hex += Hex(aChars[i], 2);
  }
  String line = u"Waiting for:" + list;
  if (fHexLog) line += u" [" + hex + u"]";
  return line;
}

}  // namespace qx
