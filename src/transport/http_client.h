// A small HTTP client with Get and Post, configured once before its first request. Its log lines
// go through a callback into the device log. Network and HTTP failures never raise: the
// operations answer false, log, and leave the status code and text behind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/http_request.h"
#include "support/text.h"
#include "transport/connection.h"
#include "transport/io_handler.h"

namespace qx {

class QX_HttpClient {
 public:
  QX_HttpClient();
  ~QX_HttpClient();
  QX_HttpClient(const QX_HttpClient&) = delete;
  QX_HttpClient& operator=(const QX_HttpClient&) = delete;

  // GET; true when it succeeded and the status is 2xx; the body in Response.
  bool Get(StringView aURL);
  // POST of aMessage; true when it succeeded and the status is 2xx or 301 to 308.
  bool Post(StringView aURL, StringView aMessage);
  // Adds a header to every following request.
  void SetRequestHeader(StringView aKey, StringView aValue);
  // Keeps cookies in memory and sends them back on later requests. Always true.
  bool ManageCookies();

  qxHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(qxHTTPAuthType aValue) { fAuthType = aValue; }
  const String& User() const { return fUser; }
  void SetUser(StringView aValue) { fUser = aValue; }
  const String& Password() const { return fPassword; }
  void SetPassword(StringView aValue) { fPassword = aValue; }
  // Seconds.
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  void SetConnectTimeout(int32_t aValue) { fConnectTimeout = aValue; }
  const String& Bearer() const { return fBearer; }
  void SetBearer(StringView aValue) { fBearer = aValue; }
  const String& UserAgent() const { return fUserAgent; }
  void SetUserAgent(StringView aValue) { fUserAgent = aValue; }
  const String& ContentType() const { return fContentType; }
  void SetContentType(StringView aValue) { fContentType = aValue; }
  // The status code of the last request, or the library's failure reason when no answer came.
  int32_t LastStatusCode() const { return fLastStatusCode; }
  // The status text of the last POST, or the library's error text.
  const String& LastStatusText() const { return fLastStatusText; }
  const String& Response() const { return fResponse; }
  const String& ResponseContentType() const { return fResponseContentType; }
  const qxWriteLogEvent& OnWriteLog() const { return fOnWriteLog; }
  void SetOnWriteLog(qxWriteLogEvent aValue) { fOnWriteLog = std::move(aValue); }

 private:
  // The one-time configuration, kept as the request every exchange starts from.
  void Configure();
  // A request from the configuration with the custom headers.
  platform::HttpRequest NewRequest(const char* aMethod, StringView aURL) const;
  void Log(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) const;
  void LogHttpError() const;

  std::unique_ptr<platform::HttpSession> fHttp;
  bool fHTTPAlreadySet = false;
  qxHTTPAuthType fAuthType = at_None;
  String fUser;
  String fPassword;
  int32_t fReadTimeout = 10;
  int32_t fConnectTimeout = 5;
  String fBearer;
  String fUserAgent;
  String fContentType;
  int32_t fLastStatusCode = 0;
  String fLastStatusText;
  String fResponse;
  String fResponseContentType;
  qxWriteLogEvent fOnWriteLog;

  platform::HttpRequest fBase;
  std::string fConfiguredContentType;
  std::vector<std::pair<std::string, std::string>> fExtraHeaders;
};

}  // namespace qx
