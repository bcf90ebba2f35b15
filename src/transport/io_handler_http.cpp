#include "transport/io_handler_http.h"

#include <algorithm>

#include "support/error.h"

namespace qx {

namespace {

struct StatusText {
  int32_t Code;
  const char16_t* Text;
};

constexpr StatusText kStatusTexts[] = {
    {100, u"Continue"},
    {101, u"Switching Protocol"},
    {102, u"Processing (WebDAV)"},
    {200, u"OK"},
    {201, u"Created"},
    {202, u"Accepted"},
    {203, u"Non-Authoritative Information"},
    {204, u"No Content"},
    {205, u"Reset Content"},
    {206, u"Partial Content"},
    {207, u"Multi-Status (WebDAV)"},
    {208, u"Multi-Status (WebDAV)"},
    {226, u"IM Used (HTTP Delta encoding)"},
    {300, u"Multiple Choice"},
    {301, u"Moved Permanently"},
    {302, u"Found"},
    {303, u"See Other"},
    {304, u"Not Modified"},
    {305, u"Use Proxy "},
    {306, u"unused"},
    {307, u"Temporary Redirect"},
    {308, u"Permanent Redirect"},
    {400, u"Bad Request"},
    {401, u"Unauthorized"},
    {402, u"Payment Required"},
    {403, u"Forbidden"},
    {404, u"Not Found"},
    {405, u"Method Not Allowed"},
    {406, u"Not Acceptable"},
    {407, u"Proxy Authentication Required"},
    {408, u"Request Timeout"},
    {409, u"Conflict"},
    {410, u"Gone"},
    {411, u"Length Required"},
    {412, u"Precondition Failed"},
    {413, u"Payload Too Large"},
    {414, u"URI Too Long"},
    {415, u"Unsupported Media Type"},
    {416, u"Requested Range Not Satisfiable"},
    {417, u"Expectation Failed"},
    {418, u"I'm a teapot"},
    {421, u"Misdirected Request"},
    {422, u"Unprocessable Entity (WebDAV)"},
    {423, u"Locked (WebDAV)"},
    {424, u"Failed Dependency (WebDAV)"},
    {426, u"Upgrade Required"},
    {428, u"Precondition Required"},
    {429, u"Too Many Requests"},
    {431, u"Request Header Fields Too Large"},
    {451, u"Unavailable For Legal Reasons"},
    {500, u"Internal Server Error"},
    {501, u"Not Implemented"},
    {502, u"Bad Gateway"},
    {503, u"Service Unavailable"},
    {504, u"Gateway Timeout"},
    {505, u"HTTP Version Not Supported"},
    {506, u"Variant Also Negotiates"},
    {507, u"Insufficient Storage"},
    {508, u"Loop Detected (WebDAV)"},
    {510, u"Not Extended"},
    {511, u"Network Authentication Required"},
};

// The code a POST answers when not even a status line came back.
constexpr int32_t kNoResponseCode = -1;

}  // namespace

kIOHandler_HTTP::kIOHandler_HTTP(const kConnection* aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName), fHttpClient(platform::HttpSession::Create()) {
  if (aConnection == nullptr) return;
  if (!aConnection->URL().empty())
    fURL = aConnection->URL();
  else if (aConnection->Port() > 0)
    fURL = aConnection->Address() + u":" + IntToStr(aConnection->Port());
  else
    fURL = aConnection->Address();
  fAuthType = aConnection->AuthType();
  fUser = aConnection->User();
  fPassword = aConnection->Password();
  fClientConnectTimeout = fConnectTimeout;
}

kIOHandler_HTTP::~kIOHandler_HTTP() { fHttpClient.reset(); }

bool kIOHandler_HTTP::GetConnected() { return fHttpClient->Connected(); }

bool kIOHandler_HTTP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"URL=" + fURL);
  fClientConnectTimeout = fConnectTimeout;
  return true;
}

bool kIOHandler_HTTP::Disconnect() {
  fHttpClient->Disconnect();
  return !fHttpClient->Connected();
}

String kIOHandler_HTTP::ReadAll() { throw Error(u"ReadAll Unsupported"); }

bool kIOHandler_HTTP::InputBufferContainsData() { throw Error(u"InputBufferContainsData Unsupported"); }

String kIOHandler_HTTP::DecodeError(int32_t aErrorCode) {
  for (const StatusText& s : kStatusTexts)
    if (s.Code == aErrorCode) return s.Text;
  return u"Unknown";
}

void kIOHandler_HTTP::SetParameter(StringView aName, StringView aValue) {
  const std::string name = ToUtf8(aName);
  const std::string value = ToUtf8(aValue);
  auto same = [&](const std::pair<std::string, std::string>& h) { return SameText(FromUtf8(h.first), aName); };
  const auto it = std::find_if(fHeaders.begin(), fHeaders.end(), same);
  if (it != fHeaders.end())
    it->second = value;
  else
    fHeaders.emplace_back(name, value);
}

bool kIOHandler_HTTP::Write(StringView aMessage) {
  platform::HttpRequest request;
  request.Method = "POST";
  request.URL = ToUtf8(fURL);
  request.Body = ToUtf8(aMessage);
  WriteLog(let_info, u"Write [" + IntToStr(static_cast<int64_t>(request.Body.size())) + u"]", aMessage);
  // Basic goes with the first request; Digest answers the server's challenge.
  if (fAuthType == at_Basic)
    request.Auth = platform::HttpAuth::Basic;
  else if (fAuthType == at_Digest)
    request.Auth = platform::HttpAuth::Digest;
  if (request.Auth != platform::HttpAuth::None) {
    request.User = ToUtf8(fUser);
    request.Password = ToUtf8(fPassword);
  }
  request.Headers = fHeaders;
  request.Headers.emplace_back("Content-Type", ToUtf8(fContentType));
  if (fClientConnectTimeout > 0) request.ConnectTimeoutMs = fClientConnectTimeout;
  if (fReadTimeout > 0) request.ReadTimeoutMs = fReadTimeout;

  platform::HttpResponse response;
  fHttpClient->Perform(request, response);
  const bool success = response.Completed && response.StatusCode >= 200 && response.StatusCode <= 299;
  if (success) {
    fResponse = FromUtf8(response.Body);
    fResponseCode = response.StatusCode;
  } else {
    // The error's own text: the status line for an answer outside 2xx, the library's text for
    // an exchange that failed.
    const int32_t code = response.StatusCode == 0 ? kNoResponseCode : response.StatusCode;
    const String errorText =
        response.Completed ? u"HTTP/1.1 " + IntToStr(code) + u" " + FromUtf8(response.StatusText)
                           : FromUtf8(response.ErrorText);
    WriteLog(let_error, u"Post Error", errorText);
    if (code < 200 || code > 299) {
      fResponseCode = code;
      SetCustomError(code, errorText + u" " + DecodeError(code));
      WriteLog(let_error, u"Post Error", IntToStr(code) + u" " + DecodeError(code));
    } else {
      fResponseCode = kFailedWithSuccessCode;
      SetCustomError(kFailedWithSuccessCode, errorText);
    }
  }
  WriteLog(let_info, u"Read", u"ResponseCode:" + IntToStr(fResponseCode) + u"\r\n" + fResponse);
  return fResponseCode >= 200 && fResponseCode <= 299;
}

}  // namespace qx
