// The transport of the connection type http: every Write is one HTTP POST of the text to a fixed
// URL; the answer's body and status code stay on the object. There is no stream to read, so the
// read operations give nothing. The RT data reader also uses one without a connection, only as
// the carrier of its time-outs and credentials.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/http_request.h"
#include "transport/io_handler.h"

namespace qx {

class kIOHandler_HTTP : public kIOHandler {
 public:
  // The status code of a POST that failed after a 2xx status line (or for another reason).
  static constexpr int32_t kFailedWithSuccessCode = 999;

  // With a connection: the URL (its URL, else Address + ":" + Port when Port > 0; no scheme is
  // added), authentication, user and password from it. aConnection may be null.
  kIOHandler_HTTP(const kConnection* aConnection, StringView aDirectory, StringView aFileName);
  ~kIOHandler_HTTP() override;

  bool GetConnected() override;
  // Banner lines and "URL="; contacts nobody.
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override {}
  // One POST; true when the status is 2xx. A failure sets the error state.
  bool Write(StringView aMessage) override;
  String ReadUpTo(const ByteList&) override { return String(); }
  String ReadChars(int32_t) override { return String(); }
  // Raise "ReadAll Unsupported" and "InputBufferContainsData Unsupported".
  String ReadAll() override;
  bool InputBufferContainsData() override;
  // The text of an HTTP status code; "Unknown" for codes it does not know.
  String DecodeError(int32_t aErrorCode) override;
  // Sets the request header aName to aValue, replacing an earlier value of it.
  void SetParameter(StringView aName, StringView aValue) override;
  String ClassName() const override { return u"kIOHandler_HTTP"; }

  const String& ContentType() const { return fContentType; }
  void SetContentType(StringView aValue) { fContentType = aValue; }
  const String& URL() const { return fURL; }
  void SetURL(StringView aValue) { fURL = aValue; }
  qxHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(qxHTTPAuthType aValue) { fAuthType = aValue; }
  const String& User() const { return fUser; }
  void SetUser(StringView aValue) { fUser = aValue; }
  const String& Password() const { return fPassword; }
  void SetPassword(StringView aValue) { fPassword = aValue; }
  const String& Response() const { return fResponse; }
  int32_t ResponseCode() const { return fResponseCode; }

 private:
  std::unique_ptr<platform::HttpSession> fHttpClient;
  String fContentType;
  String fURL;
  qxHTTPAuthType fAuthType = at_None;
  String fUser;
  String fPassword;
  String fResponse;
  int32_t fResponseCode = 0;
  std::vector<std::pair<std::string, std::string>> fHeaders;
  // The connect time-out the client uses, in milliseconds.
  int32_t fClientConnectTimeout = 0;
};

}  // namespace qx
