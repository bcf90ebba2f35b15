// HTTP sessions over WinHTTP: one WinHTTP session per HttpSession, so that its connections stay
// alive between requests. Cookies live in a small store of the session's own (WinHTTP's store
// is switched off), so that they outlast Disconnect as on the other platforms.
#include <windows.h>
#include <winhttp.h>

#include <map>

#include "platform/http_request.h"
#include "platform/windows/system_text.h"

namespace qx::platform {

namespace {

// The longest answer read in one call.
constexpr DWORD kReadChunk = 64 * 1024;
// The failure number of an answer larger than MaxBodyBytes ("The file size exceeds the limit").
constexpr DWORD kTooLargeError = ERROR_FILE_TOO_LARGE;
// Winsock's time-out (WSAETIMEDOUT), which some WinHTTP implementations (wine's) pass on as it
// is: reported as WinHTTP's own time-out.
constexpr DWORD kSocketTimeout = 10060;

std::wstring WideUtf8(const std::string& aText) { return Wide(FromUtf8(aText)); }

// WinHTTP's own error numbers have their texts in winhttp.dll, the others in the system.
std::string ErrorMessage(DWORD aError) {
  if (aError >= WINHTTP_ERROR_BASE && aError <= WINHTTP_ERROR_LAST) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleW(L"winhttp.dll"), aError, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    String text = length != 0 && buffer != nullptr ? FromWide(buffer, length) : String();
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u'.' || text.back() == u' '))
      text.pop_back();
    if (!text.empty()) return ToUtf8(text);
    return "WinHTTP error " + std::to_string(aError);
  }
  return ToUtf8(SystemMessage(aError));
}

// A text header of the answer; empty when the answer has none (at that index).
bool QueryText(HINTERNET aRequest, DWORD aInfo, std::string& aText, DWORD* aIndex = WINHTTP_NO_HEADER_INDEX) {
  aText.clear();
  DWORD bytes = 0;
  DWORD index = aIndex != WINHTTP_NO_HEADER_INDEX ? *aIndex : 0;
  ::WinHttpQueryHeaders(aRequest, aInfo, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                        aIndex != WINHTTP_NO_HEADER_INDEX ? &index : WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return false;
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!::WinHttpQueryHeaders(aRequest, aInfo, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &bytes, aIndex))
    return false;
  aText = ToUtf8(FromWide(buffer.data(), bytes / sizeof(wchar_t)));
  return true;
}

class HandleGuard {
 public:
  explicit HandleGuard(HINTERNET aHandle) : fHandle(aHandle) {}
  ~HandleGuard() {
    if (fHandle != nullptr) ::WinHttpCloseHandle(fHandle);
  }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  HINTERNET Get() const { return fHandle; }

 private:
  HINTERNET fHandle;
};

class WinHttpSession : public HttpSession {
 public:
  WinHttpSession() { Open(); }
  ~WinHttpSession() override { Close(); }

  void Perform(const HttpRequest& aRequest, HttpResponse& aResponse) override {
    aResponse = HttpResponse();
    fConnected = false;
    DWORD error = ERROR_SUCCESS;
    bool readPhase = false;
    bool tooLarge = false;
    const int32_t readTimeoutMs = aRequest.ReadTimeoutMs > 0 ? aRequest.ReadTimeoutMs : HttpRequest().ReadTimeoutMs;
    const int32_t connectTimeoutMs =
        aRequest.ConnectTimeoutMs > 0 ? aRequest.ConnectTimeoutMs : HttpRequest().ConnectTimeoutMs;
    if (!Exchange(aRequest, aResponse, connectTimeoutMs, readTimeoutMs, error, readPhase, tooLarge)) {
      aResponse.Completed = false;
      if (tooLarge) {
        aResponse.FailReason = static_cast<int32_t>(kTooLargeError);
        aResponse.ErrorText = "The answer is larger than " + std::to_string(aRequest.MaxBodyBytes) + " bytes";
      } else {
        aResponse.FailReason = static_cast<int32_t>(error);
        if (error == ERROR_WINHTTP_TIMEOUT && readPhase)
          aResponse.ErrorText = "No answer within the read time-out of " + std::to_string(readTimeoutMs) + " ms";
        else
          aResponse.ErrorText = ErrorMessage(error);
      }
      return;
    }
    aResponse.Completed = true;
    fConnected = true;
  }

  void KeepCookies() override { fKeepCookies = true; }

  // WinHTTP does not show its pooled sockets: the connection counts as open after an exchange
  // that completed, until Disconnect or a failed exchange.
  bool Connected() override { return fConnected; }

  // A fresh WinHTTP session closes the old one's connections; the cookies are the session's own.
  void Disconnect() override {
    Close();
    Open();
  }

 private:
  void Open() {
    fSession = ::WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0);
    if (fSession == nullptr) fOpenError = ::GetLastError();
  }

  void Close() {
    if (fConnect != nullptr) ::WinHttpCloseHandle(fConnect);
    if (fSession != nullptr) ::WinHttpCloseHandle(fSession);
    fConnect = nullptr;
    fSession = nullptr;
    fConnectHost.clear();
    fConnectPort = 0;
    fConnected = false;
  }

  // The connection handle of the URL's server, reused while the server stays the same.
  HINTERNET ConnectTo(const std::wstring& aHost, INTERNET_PORT aPort) {
    if (fConnect != nullptr && fConnectHost == aHost && fConnectPort == aPort) return fConnect;
    if (fConnect != nullptr) ::WinHttpCloseHandle(fConnect);
    fConnect = ::WinHttpConnect(fSession, aHost.c_str(), aPort, 0);
    fConnectHost = fConnect != nullptr ? aHost : std::wstring();
    fConnectPort = fConnect != nullptr ? aPort : 0;
    return fConnect;
  }

  bool Exchange(const HttpRequest& aRequest, HttpResponse& aResponse, int32_t aConnectTimeoutMs,
                int32_t aReadTimeoutMs, DWORD& aError, bool& aReadPhase, bool& aTooLarge) {
    auto failed = [&aError] {
      aError = ::GetLastError();
      if (aError == ERROR_SUCCESS) aError = ERROR_WINHTTP_INTERNAL_ERROR;
      if (aError == kSocketTimeout) aError = ERROR_WINHTTP_TIMEOUT;
      return false;
    };
    if (fSession == nullptr) {
      ::SetLastError(fOpenError);
      return failed();
    }
    const std::wstring url = WideUtf8(aRequest.URL);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
      if (url.empty()) ::SetLastError(ERROR_WINHTTP_INVALID_URL);
      return failed();
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

    HINTERNET connect = ConnectTo(host, parts.nPort);
    if (connect == nullptr) return failed();
    const std::wstring method = WideUtf8(aRequest.Method == "POST" ? "POST" : "GET");
    HandleGuard request(::WinHttpOpenRequest(connect, method.c_str(), path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    HINTERNET r = request.Get();
    if (r == nullptr) return failed();
    // Name lookup and connect share the connect time-out; sending and every wait for the next
    // part of the answer have the read time-out.
    // The wait for the answer's headers has a time-out of its own (90 s by default).
    DWORD responseTimeout = static_cast<DWORD>(aReadTimeoutMs);
    if (!::WinHttpSetTimeouts(r, aConnectTimeoutMs, aConnectTimeoutMs, aReadTimeoutMs, aReadTimeoutMs) ||
        !::WinHttpSetOption(r, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout)))
      return failed();
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
    if (!::WinHttpSetOption(r, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof(features))) return failed();
    if (secure) {
      // The printer's own web server has a self-made certificate.
      DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
      if (!::WinHttpSetOption(r, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags))) return failed();
    }

    std::wstring headers;
    auto addHeader = [&headers](const std::string& aName, const std::string& aValue) {
      headers += WideUtf8(aName + ": " + aValue) + L"\r\n";
    };
    if (!aRequest.UserAgent.empty()) addHeader("User-Agent", aRequest.UserAgent);
    for (const auto& [name, value] : aRequest.Headers)
      if (!value.empty()) addHeader(name, value);
    if (aRequest.Auth == HttpAuth::Bearer) addHeader("Authorization", "Bearer " + aRequest.Bearer);
    if (fKeepCookies && !fCookies.empty()) {
      std::string cookies;
      for (const auto& [name, value] : fCookies) cookies += (cookies.empty() ? "" : "; ") + name + "=" + value;
      addHeader("Cookie", cookies);
    }
    if (!headers.empty() &&
        !::WinHttpAddRequestHeaders(r, headers.c_str(), static_cast<DWORD>(headers.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
      return failed();

    const std::wstring user = WideUtf8(aRequest.User);
    const std::wstring password = WideUtf8(aRequest.Password);
    auto setCredentials = [&](DWORD aScheme) {
      return ::WinHttpSetCredentials(r, WINHTTP_AUTH_TARGET_SERVER, aScheme, user.c_str(), password.c_str(),
                                     nullptr) != FALSE;
    };
    // Basic goes with the first request; Digest answers the server's challenge.
    if (aRequest.Auth == HttpAuth::Basic && !setCredentials(WINHTTP_AUTH_SCHEME_BASIC)) return failed();

    const bool post = aRequest.Method == "POST";
    if (post && aRequest.Body.size() > MAXDWORD) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return failed();
    }
    const DWORD bodyLength = post ? static_cast<DWORD>(aRequest.Body.size()) : 0;
    void* body = post && bodyLength != 0 ? const_cast<char*>(aRequest.Body.data()) : WINHTTP_NO_REQUEST_DATA;
    DWORD status = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
      aReadPhase = false;
      if (!::WinHttpSendRequest(r, WINHTTP_NO_ADDITIONAL_HEADERS, 0, body, bodyLength, bodyLength, 0))
        return failed();
      aReadPhase = true;
      if (!::WinHttpReceiveResponse(r, nullptr)) return failed();
      DWORD size = sizeof(status);
      if (!::WinHttpQueryHeaders(r, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return failed();
      if (status != HTTP_STATUS_DENIED || aRequest.Auth != HttpAuth::Digest || attempt > 0) break;
      DWORD supported = 0, first = 0, target = 0;
      if (!::WinHttpQueryAuthSchemes(r, &supported, &first, &target) ||
          (supported & WINHTTP_AUTH_SCHEME_DIGEST) == 0)
        break;  // no Digest challenge: the 401 is the answer
      if (!setCredentials(WINHTTP_AUTH_SCHEME_DIGEST)) return failed();
    }
    aResponse.StatusCode = static_cast<int32_t>(status);
    QueryText(r, WINHTTP_QUERY_STATUS_TEXT, aResponse.StatusText);
    QueryText(r, WINHTTP_QUERY_CONTENT_TYPE, aResponse.ContentType);
    if (fKeepCookies) StoreCookies(r);

    std::string chunk(kReadChunk, '\0');
    for (;;) {
      DWORD read = 0;
      if (!::WinHttpReadData(r, chunk.data(), kReadChunk, &read)) return failed();
      if (read == 0) break;
      if (aResponse.Body.size() + read > aRequest.MaxBodyBytes) {
        aTooLarge = true;
        return false;
      }
      aResponse.Body.append(chunk.data(), read);
    }
    return true;
  }

  // Keeps the name and value of every cookie the answer sets; an expired or emptied cookie is
  // dropped. Attributes (path, domain, lifetime) are not kept: a session talks to one server.
  void StoreCookies(HINTERNET aRequest) {
    std::string line;
    for (DWORD index = 0; QueryText(aRequest, WINHTTP_QUERY_SET_COOKIE, line, &index);) {
      const std::string pair = line.substr(0, line.find(';'));
      const size_t equals = pair.find('=');
      if (equals == std::string::npos) continue;
      auto trim = [](std::string aText) {
        while (!aText.empty() && aText.front() == ' ') aText.erase(aText.begin());
        while (!aText.empty() && aText.back() == ' ') aText.pop_back();
        return aText;
      };
      const std::string name = trim(pair.substr(0, equals));
      const std::string value = trim(pair.substr(equals + 1));
      std::string lower = line;
      for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      const bool expired = lower.find("max-age=0") != std::string::npos ||
                           lower.find("max-age=-") != std::string::npos;
      if (name.empty()) continue;
      if (value.empty() || expired)
        fCookies.erase(name);
      else
        fCookies[name] = value;
    }
  }

  HINTERNET fSession = nullptr;
  DWORD fOpenError = ERROR_SUCCESS;
  HINTERNET fConnect = nullptr;
  std::wstring fConnectHost;
  INTERNET_PORT fConnectPort = 0;
  bool fConnected = false;
  bool fKeepCookies = false;
  std::map<std::string, std::string> fCookies;
};

}  // namespace

std::unique_ptr<HttpSession> HttpSession::Create() { return std::make_unique<WinHttpSession>(); }

}  // namespace qx::platform
