// HTTP sessions over libcurl: one easy handle per session, so that its connection stays alive
// and its cookie store lives in memory between requests.
#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <mutex>

#include "platform/http_request.h"

namespace qx::platform {

namespace {

using Clock = std::chrono::steady_clock;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The state one transfer's callbacks share.
struct Transfer {
  HttpResponse* Response = nullptr;
  size_t MaxBody = 0;
  bool TooLarge = false;
  bool Stalled = false;
  int32_t ReadTimeoutMs = 0;
  int32_t ConnectTimeoutMs = 0;
  CURL* Handle = nullptr;
  curl_off_t LastBytes = -1;
  Clock::time_point LastProgress;
};

std::string TrimmedLine(const char* aData, size_t aSize) {
  std::string line(aData, aSize);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

size_t OnHeader(char* aData, size_t aSize, size_t aCount, void* aUser) {
  auto* t = static_cast<Transfer*>(aUser);
  const size_t n = aSize * aCount;
  const std::string line = TrimmedLine(aData, n);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new status line (after a challenge or an interim answer): what came before is history.
    const size_t code = line.find(' ');
    const size_t text = code == std::string::npos ? std::string::npos : line.find(' ', code + 1);
    t->Response->StatusText = text == std::string::npos ? std::string() : line.substr(text + 1);
    t->Response->ContentType.clear();
  } else {
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (name == "content-type") {
        size_t from = colon + 1;
        while (from < line.size() && line[from] == ' ') ++from;
        t->Response->ContentType = line.substr(from);
      }
    }
  }
  return n;
}

size_t OnBody(char* aData, size_t aSize, size_t aCount, void* aUser) {
  auto* t = static_cast<Transfer*>(aUser);
  const size_t n = aSize * aCount;
  if (t->Response->Body.size() + n > t->MaxBody) {
    t->TooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  t->Response->Body.append(aData, n);
  return n;
}

// Ends a transfer whose answer stops coming for longer than the read time-out; the connect
// phase has its own time-out.
int OnProgress(void* aUser, curl_off_t, curl_off_t aDownloaded, curl_off_t, curl_off_t aUploaded) {
  auto* t = static_cast<Transfer*>(aUser);
  const auto now = Clock::now();
  const curl_off_t bytes = aDownloaded + aUploaded;
  if (bytes != t->LastBytes) {
    t->LastBytes = bytes;
    t->LastProgress = now;
    return 0;
  }
  // While the connection is being made (no connect time yet; a reused connection may show none
  // either) the connect time-out's wait comes on top, so the bound always holds.
  curl_off_t connectTime = 0;
  curl_easy_getinfo(t->Handle, CURLINFO_CONNECT_TIME_T, &connectTime);
  const int64_t limitMs = static_cast<int64_t>(t->ReadTimeoutMs) + (connectTime == 0 ? t->ConnectTimeoutMs : 0);
  if (now - t->LastProgress > std::chrono::milliseconds(limitMs)) {
    t->Stalled = true;
    return 1;
  }
  return 0;
}

class CurlSession : public HttpSession {
 public:
  CurlSession() {
    GlobalInit();
    fCurl = curl_easy_init();
  }
  ~CurlSession() override {
    if (fCurl != nullptr) curl_easy_cleanup(fCurl);
  }

  void Perform(const HttpRequest& aRequest, HttpResponse& aResponse) override {
    aResponse = HttpResponse();
    if (fCurl == nullptr) {
      aResponse.FailReason = CURLE_FAILED_INIT;
      aResponse.ErrorText = "The HTTP library could not be initialised";
      return;
    }
    CURL* c = fCurl;
    curl_easy_reset(c);
    if (fKeepCookies) curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    Transfer t;
    t.Response = &aResponse;
    t.Handle = c;
    t.MaxBody = aRequest.MaxBodyBytes;
    // Every wait keeps a bound: a time-out of 0 or less takes the defaults of HttpRequest.
    t.ReadTimeoutMs = aRequest.ReadTimeoutMs > 0 ? aRequest.ReadTimeoutMs : HttpRequest().ReadTimeoutMs;
    const int32_t connectTimeoutMs = aRequest.ConnectTimeoutMs > 0 ? aRequest.ConnectTimeoutMs : HttpRequest().ConnectTimeoutMs;
    t.ConnectTimeoutMs = connectTimeoutMs;
    t.LastProgress = Clock::now();
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_URL, aRequest.URL.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs));
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    if (!aRequest.UserAgent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, aRequest.UserAgent.c_str());
    switch (aRequest.Auth) {
      case HttpAuth::Basic:
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(c, CURLOPT_USERNAME, aRequest.User.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, aRequest.Password.c_str());
        break;
      case HttpAuth::Digest:
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_DIGEST));
        curl_easy_setopt(c, CURLOPT_USERNAME, aRequest.User.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, aRequest.Password.c_str());
        break;
      case HttpAuth::Bearer:
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BEARER));
        curl_easy_setopt(c, CURLOPT_XOAUTH2_BEARER, aRequest.Bearer.c_str());
        break;
      case HttpAuth::None: break;
    }
    curl_slist* headers = nullptr;
    bool hasContentType = false;
    for (const auto& [name, value] : aRequest.Headers) {
      // "Name:" removes a header curl would add; "Name;" sends it empty: an empty value means
      // no header at all here.
      const std::string line = value.empty() ? name + ":" : name + ": " + value;
      headers = curl_slist_append(headers, line.c_str());
      if (name == "Content-Type" || name == "content-type") hasContentType = true;
    }
    // curl adds "Expect: 100-continue" to larger POSTs, which some small servers never answer.
    headers = curl_slist_append(headers, "Expect:");
    if (aRequest.Method == "POST") {
      if (!hasContentType) headers = curl_slist_append(headers, "Content-Type:");
      curl_easy_setopt(c, CURLOPT_POST, 1L);
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(aRequest.Body.size()));
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, aRequest.Body.data());
    } else {
      curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);

    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    aResponse.StatusCode = static_cast<int32_t>(status);
    if (code == CURLE_OK) {
      aResponse.Completed = true;
    } else {
      aResponse.FailReason = static_cast<int32_t>(code);
      if (t.TooLarge) {
        aResponse.ErrorText = "The answer is larger than " + std::to_string(aRequest.MaxBodyBytes) + " bytes";
      } else if (t.Stalled) {
        aResponse.ErrorText = "No answer within the read time-out of " + std::to_string(t.ReadTimeoutMs) + " ms";
      } else {
        aResponse.ErrorText = curl_easy_strerror(code);
        if (errorBuffer[0] != 0) aResponse.ErrorText += std::string(": ") + errorBuffer;
      }
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
  }

  void KeepCookies() override { fKeepCookies = true; }

  bool Connected() override {
    if (fCurl == nullptr) return false;
    curl_socket_t socket = CURL_SOCKET_BAD;
    return curl_easy_getinfo(fCurl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD;
  }

  void Disconnect() override {
    if (fCurl == nullptr) return;
    // A fresh handle closes the old one's connections; the cookies move over.
    curl_slist* cookies = nullptr;
    if (fKeepCookies) curl_easy_getinfo(fCurl, CURLINFO_COOKIELIST, &cookies);
    curl_easy_cleanup(fCurl);
    fCurl = curl_easy_init();
    if (fCurl != nullptr && cookies != nullptr) {
      curl_easy_setopt(fCurl, CURLOPT_COOKIEFILE, "");
      for (curl_slist* item = cookies; item != nullptr; item = item->next)
        curl_easy_setopt(fCurl, CURLOPT_COOKIELIST, item->data);
    }
    curl_slist_free_all(cookies);
  }

 private:
  CURL* fCurl = nullptr;
  bool fKeepCookies = false;
};

}  // namespace

std::unique_ptr<HttpSession> HttpSession::Create() { return std::make_unique<CurlSession>(); }

}  // namespace qx::platform
