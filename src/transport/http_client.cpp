#include "transport/http_client.h"

#include "support/text.h"

namespace qx {

namespace {

platform::HttpAuth PlatformAuth(qxHTTPAuthType aType) {
  switch (aType) {
    case at_Basic: return platform::HttpAuth::Basic;
    case at_Digest: return platform::HttpAuth::Digest;
    case at_Bearer: return platform::HttpAuth::Bearer;
    case at_None: break;
  }
  return platform::HttpAuth::None;
}

int32_t SecondsToMs(int32_t aSeconds) { return aSeconds <= 0 ? 0 : (aSeconds > 2000000 ? 2000000000 : aSeconds * 1000); }

}  // namespace

QX_HttpClient::QX_HttpClient() : fHttp(platform::HttpSession::Create()) {}

QX_HttpClient::~QX_HttpClient() = default;

void QX_HttpClient::Log(tQX_MessageType aEntryType, StringView aTitle, StringView aMessage) const {
  if (fOnWriteLog) fOnWriteLog(aEntryType, aTitle, aMessage);
}

void QX_HttpClient::LogHttpError() const {
  Log(let_error, u"HTTP Error", IntToStr(fLastStatusCode) + u" - " + fLastStatusText);
}

void QX_HttpClient::Configure() {
  if (fHTTPAlreadySet) return;
  fBase = platform::HttpRequest();
  fBase.ConnectTimeoutMs = SecondsToMs(fConnectTimeout);
  fBase.ReadTimeoutMs = SecondsToMs(fReadTimeout);
  // Accept-Charset and Accept-Language empty: not sent. No gzip: no Accept-Encoding.
  fBase.UserAgent = ToUtf8(fUserAgent);
  fBase.Auth = PlatformAuth(fAuthType);
  if (fAuthType == at_Basic || fAuthType == at_Digest) {
    fBase.User = ToUtf8(fUser);
    fBase.Password = ToUtf8(fPassword);
  } else if (fAuthType == at_Bearer) {
    fBase.Bearer = ToUtf8(fBearer);
  }
  fConfiguredContentType = ToUtf8(fContentType);
  fHTTPAlreadySet = true;
}

platform::HttpRequest QX_HttpClient::NewRequest(const char* aMethod, StringView aURL) const {
  platform::HttpRequest request = fBase;
  request.Method = aMethod;
  request.URL = ToUtf8(aURL);
  request.Headers = fExtraHeaders;
  return request;
}

bool QX_HttpClient::Get(StringView aURL) {
  Configure();
  Log(let_info, u"GET", aURL);
  platform::HttpRequest request = NewRequest("GET", aURL);
  if (!fConfiguredContentType.empty()) request.Headers.emplace_back("Content-Type", fConfiguredContentType);
  platform::HttpResponse response;
  fHttp->Perform(request, response);
  fLastStatusCode = response.StatusCode;
  // A status of 400 and above is a failed request; so is any answer that did not arrive whole.
  bool result = response.Completed && response.StatusCode < 400;
  if (result) {
    fResponse = FromUtf8(response.Body);
    Log(let_info, u"Read [" + IntToStr(static_cast<int64_t>(fResponse.size())) + u"]", fResponse);
  } else {
    fResponse.clear();
    if (!response.Completed) {
      // The answer did not arrive whole: the library's text stands for the status text, and
      // when not even a status line came, its reason for the code.
      if (response.StatusCode == 0) fLastStatusCode = response.FailReason;
      fLastStatusText = FromUtf8(response.ErrorText);
    }
  }
  if (!result || fLastStatusCode < 200 || fLastStatusCode > 299) {
    result = false;
    LogHttpError();
  }
  return result;
}

bool QX_HttpClient::Post(StringView aURL, StringView aMessage) {
  Log(let_info, u"Write", aURL);
  if (!aMessage.empty())
    Log(let_info, u"Write [" + IntToStr(static_cast<int64_t>(aMessage.size())) + u"]", aMessage);
  if (fHTTPAlreadySet)
    fBase.ReadTimeoutMs = SecondsToMs(fReadTimeout);
  else
    Configure();
  platform::HttpRequest request = NewRequest("POST", aURL);
  request.Body = ToUtf8(aMessage);
  const String kind = fContentType;
  if (kind == u"application/xml")
    request.Headers.emplace_back("Content-Type", "application/xml; charset=utf-8");
  else if (kind == u"application/json")
    request.Headers.emplace_back("Content-Type", "application/json");
  else
    request.Headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
  platform::HttpResponse response;
  fHttp->Perform(request, response);
  if (response.StatusCode == 0) {
    fLastStatusCode = response.FailReason;
    fLastStatusText = FromUtf8(response.ErrorText);
    LogHttpError();
    return false;
  }
  fLastStatusCode = response.StatusCode;
  fLastStatusText = FromUtf8(response.StatusText);
  bool result = response.Completed;
  if (result) {
    fResponse = FromUtf8(response.Body);
    Log(let_info, u"Read [" + IntToStr(static_cast<int64_t>(fResponse.size())) + u"]", fResponse);
    fResponseContentType = FromUtf8(response.ContentType);
  } else {
    fResponse.clear();
    Log(let_error, u"PostXml method error", IntToStr(fLastStatusCode) + u" - " + fLastStatusText);
  }
  const bool success = fLastStatusCode >= 200 && fLastStatusCode <= 299;
  const bool redirect = fLastStatusCode >= 301 && fLastStatusCode <= 308;
  if (!success && !redirect) {
    result = false;
    LogHttpError();
  }
  return result;
}

void QX_HttpClient::SetRequestHeader(StringView aKey, StringView aValue) {
  fExtraHeaders.emplace_back(ToUtf8(aKey), ToUtf8(aValue));
}

bool QX_HttpClient::ManageCookies() {
  fHttp->KeepCookies();
  return true;
}

}  // namespace qx
