// One HTTP exchange as the HTTP client and the http transport need it, behind a small interface
// so that each platform brings its own library (libcurl here). A session keeps its connection
// alive between requests and, when asked, its cookies in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qx::platform {

enum class HttpAuth { None, Basic, Digest, Bearer };

struct HttpRequest {
  std::string Method = "GET";  // "GET" or "POST"
  std::string URL;
  // Sent as given, Content-Type among them; an empty value sends no such header.
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;  // POST only
  std::string UserAgent;
  HttpAuth Auth = HttpAuth::None;
  std::string User, Password;  // Basic (sent with the first request) and Digest (after the challenge)
  std::string Bearer;          // Bearer
  // Time-outs of 0 or less mean these defaults: no wait is ever without a bound.
  int32_t ConnectTimeoutMs = 5000;
  // The longest wait for the next byte of the answer; the exchange ends when it passes.
  int32_t ReadTimeoutMs = 10000;
  // A larger answer body ends the exchange as a failure instead of filling the memory.
  size_t MaxBodyBytes = 32u * 1024 * 1024;
};

struct HttpResponse {
  bool Completed = false;  // the whole answer arrived
  int32_t StatusCode = 0;  // 0 when no status line arrived
  std::string StatusText;  // reason phrase of the last status line
  std::string Body;
  std::string ContentType;
  int32_t FailReason = 0;  // the library's code of the failure; 0 when completed
  std::string ErrorText;   // the library's text of the failure; empty when completed
};

class HttpSession {
 public:
  static std::unique_ptr<HttpSession> Create();
  virtual ~HttpSession() = default;

  // Runs one exchange; never raises for network or HTTP failures (they are in aResponse).
  // Redirects are not followed; server certificates are not verified.
  virtual void Perform(const HttpRequest& aRequest, HttpResponse& aResponse) = 0;
  // Keeps the cookies the server sets and sends them back on later requests.
  virtual void KeepCookies() = 0;
  // Whether a kept-alive connection is open.
  virtual bool Connected() = 0;
  // Closes the kept-alive connection (cookies stay).
  virtual void Disconnect() = 0;
};

}  // namespace qx::platform
