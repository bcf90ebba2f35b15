// HTTP on Windows: not built yet. Every exchange fails at once with a clear text, as a server
// that cannot be reached would.
#include "platform/http_request.h"

namespace qx::platform {

namespace {

class UnavailableHttpSession : public HttpSession {
 public:
  void Perform(const HttpRequest&, HttpResponse& aResponse) override {
    aResponse = HttpResponse();
    aResponse.FailReason = -1;
    aResponse.ErrorText = "HTTP is not available in this Windows build yet";
  }
  void KeepCookies() override {}
  bool Connected() override { return false; }
  void Disconnect() override {}
};

}  // namespace

std::unique_ptr<HttpSession> HttpSession::Create() { return std::make_unique<UnavailableHttpSession>(); }

}  // namespace qx::platform
