// QX_HttpClient against real nginx (Basic) and Apache (Digest), and against a scripted server
// for the answers a real server does not give on demand.
#include <gtest/gtest.h>

#include <filesystem>

#include "transport/http_client.h"
#include "transport/http_servers.h"

namespace qx {
namespace {

using webtest::RealWebServer;
using webtest::ScriptedHttpServer;
using webtest::ServerKind;

struct LogLine {
  tQX_MessageType Type;
  String Title;
  String Message;
};

// A client with a recording log callback and short time-outs.
struct RecordingClient {
  RecordingClient() {
    client.SetConnectTimeout(2);
    client.SetReadTimeout(2);
    client.SetOnWriteLog([this](tQX_MessageType t, StringView title, StringView message) {
      lines.push_back({t, String(title), String(message)});
    });
  }
  std::vector<String> Errors() const {
    std::vector<String> out;
    for (const LogLine& l : lines)
      if (l.Type == let_error) out.push_back(l.Title + u": " + l.Message);
    return out;
  }
  QX_HttpClient client;
  std::vector<LogLine> lines;
};

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fRoot = std::filesystem::temp_directory_path() / ("qx-http-client-" + std::to_string(::getpid()));
    std::filesystem::remove_all(fRoot);
    webtest::WriteText(fRoot / "www/dati-rt/20250105/99MEX067890-20250105T235900_ZREPORT.txt", "TOTALE\n");
    webtest::WriteText(fRoot / "body.txt", std::string(1234, 'x'));
  }
  void TearDown() override { std::filesystem::remove_all(fRoot); }
  std::filesystem::path fRoot;
};

TEST_F(HttpClientTest, BasicOnNginxAndDigestOnApacheAcceptTheRightPasswordOnly) {
  struct Case {
    ServerKind Kind;
    qxHTTPAuthType Auth;
  };
  for (const Case c : {Case{ServerKind::Nginx, at_Basic}, Case{ServerKind::Apache, at_Digest}}) {
    const std::string missing = RealWebServer::Missing(c.Kind);
    if (!missing.empty()) GTEST_SKIP() << missing;
    RealWebServer server(c.Kind, fRoot.string(), true);
    const String folder = FromUtf8(server.BaseURL()) + u"/www/dati-rt/20250105/";
    for (const char* password : {"secret", "wrong"}) {
      SCOPED_TRACE(std::string(c.Kind == ServerKind::Nginx ? "nginx " : "apache ") + password);
      RecordingClient r;
      r.client.SetAuthType(c.Auth);
      r.client.SetUser(u"fp");
      r.client.SetPassword(FromUtf8(password));
      const bool ok = r.client.Get(folder);
      if (std::string(password) == "secret") {
        EXPECT_TRUE(ok);
        EXPECT_EQ(r.client.LastStatusCode(), 200);
        EXPECT_NE(r.client.Response().find(u"<a href=\"99MEX067890-20250105T235900_ZREPORT.txt\">"), String::npos)
            << ToUtf8(r.client.Response());
        EXPECT_TRUE(r.Errors().empty());
      } else {
        EXPECT_FALSE(ok);
        EXPECT_EQ(r.client.LastStatusCode(), 401);
        EXPECT_TRUE(r.client.Response().empty());
        ASSERT_EQ(r.Errors().size(), 1u);
        EXPECT_EQ(r.Errors()[0], u"HTTP Error: 401 - ");
      }
    }
  }
}

TEST_F(HttpClientTest, GetAnswersOfARealServer) {
  const std::string missing = RealWebServer::Missing(ServerKind::Nginx);
  if (!missing.empty()) GTEST_SKIP() << missing;
  RealWebServer server(ServerKind::Nginx, fRoot.string(), false);
  const String base = FromUtf8(server.BaseURL());
  {
    RecordingClient r;
    EXPECT_TRUE(r.client.Get(base + u"/body.txt"));
    EXPECT_EQ(r.client.Response().size(), 1234u);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].Title, u"GET");
    EXPECT_EQ(r.lines[1].Title, u"Read [1234]");
  }
  {
    // A missing file: false, nothing kept, and one error line with the empty status text of a
    // fresh client.
    RecordingClient r;
    EXPECT_FALSE(r.client.Get(base + u"/missing.txt"));
    EXPECT_EQ(r.client.LastStatusCode(), 404);
    EXPECT_TRUE(r.client.Response().empty());
    EXPECT_EQ(r.Errors(), std::vector<String>{u"HTTP Error: 404 - "});
  }
  {
    // A folder without its trailing slash is redirected; the redirect is not followed.
    RecordingClient r;
    EXPECT_FALSE(r.client.Get(base + u"/www/dati-rt/20250105"));
    EXPECT_EQ(r.client.LastStatusCode(), 301);
    EXPECT_EQ(r.Errors(), std::vector<String>{u"HTTP Error: 301 - "});
  }
}

TEST_F(HttpClientTest, SilentAndRefusingServersEndWithTheLibrarysReasonAndLeaveNothingBehind) {
  const int threads = webtest::ThreadCount();
  const int descriptors = webtest::DescriptorCount();
  {
    ScriptedHttpServer silent("", true);
    {
      RecordingClient r;
      r.client.SetReadTimeout(1);
      EXPECT_FALSE(r.client.Get(FromUtf8(silent.URL("/x"))));
      EXPECT_NE(r.client.LastStatusCode(), 0);
      EXPECT_EQ(r.client.LastStatusText(), u"No answer within the read time-out of 1000 ms");
      ASSERT_EQ(r.Errors().size(), 1u);
    }
    {
      RecordingClient r;
      const int port = webtest::FreePort();
      EXPECT_FALSE(r.client.Get(u"http://127.0.0.1:" + IntToStr(port) + u"/"));
      EXPECT_EQ(r.client.LastStatusCode(), 7);  // the library's "could not connect"
      EXPECT_NE(r.client.LastStatusText().find(u"Couldn't connect to server"), String::npos)
          << ToUtf8(r.client.LastStatusText());
    }
  }
  // The server's thread and sockets are gone with it; the clients left nothing of their own.
  EXPECT_EQ(webtest::DescriptorCount(), descriptors);
  EXPECT_EQ(webtest::ThreadCount(), threads);
}

TEST_F(HttpClientTest, PostKindsHeadersRedirectsAndCookies) {
  struct Case {
    const char16_t* ContentType;
    const char* SentType;
  };
  for (const Case c : {Case{u"application/json", "Content-Type: application/json\r\n"},
                       Case{u"application/xml", "Content-Type: application/xml; charset=utf-8\r\n"},
                       Case{u"", "Content-Type: application/x-www-form-urlencoded\r\n"}}) {
    ScriptedHttpServer server("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nok");
    RecordingClient r;
    r.client.SetContentType(c.ContentType);
    r.client.SetRequestHeader(u"X-Till", u"7");
    EXPECT_TRUE(r.client.Post(FromUtf8(server.URL("/post")), u"{\"a\":1}"));
    EXPECT_EQ(r.client.Response(), u"ok");
    EXPECT_EQ(r.client.ResponseContentType(), u"text/plain");
    EXPECT_EQ(r.client.LastStatusText(), u"OK");
    const std::string request = server.Requests().at(0);
    EXPECT_NE(request.find(c.SentType), std::string::npos) << request;
    EXPECT_NE(request.find("X-Till: 7\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.substr(request.size() - 7), "{\"a\":1}");
    EXPECT_EQ(r.lines[0].Title, u"Write");
    EXPECT_EQ(r.lines[1].Title, u"Write [7]");
  }
  {
    ScriptedHttpServer server("HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n");
    RecordingClient r;
    EXPECT_TRUE(r.client.Post(FromUtf8(server.URL()), u"x"));
    EXPECT_EQ(r.client.LastStatusCode(), 302);
    EXPECT_EQ(server.Requests().size(), 1u);  // not followed
  }
  {
    ScriptedHttpServer server("HTTP/1.1 300 Multiple Choices\r\nContent-Length: 0\r\n\r\n");
    RecordingClient r;
    EXPECT_FALSE(r.client.Post(FromUtf8(server.URL()), u"x"));
    EXPECT_EQ(r.Errors(), std::vector<String>{u"HTTP Error: 300 - Multiple Choices"});
  }
  {
    ScriptedHttpServer server("HTTP/1.1 200 OK\r\nSet-Cookie: till=7; Path=/\r\nContent-Length: 0\r\n\r\n");
    RecordingClient r;
    EXPECT_TRUE(r.client.ManageCookies());
    r.client.Post(FromUtf8(server.URL()), u"1");
    r.client.Post(FromUtf8(server.URL()), u"2");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].find("Cookie: till=7"), std::string::npos) << requests[1];
  }
  {
    // Nothing listens: false with the library's reason and text, one error line.
    RecordingClient r;
    EXPECT_FALSE(r.client.Post(u"http://127.0.0.1:" + IntToStr(webtest::FreePort()) + u"/", u""));
    EXPECT_EQ(r.client.LastStatusCode(), 7);
    EXPECT_FALSE(r.client.LastStatusText().empty());
    EXPECT_EQ(r.Errors().size(), 1u);
  }
}

TEST_F(HttpClientTest, AnAnswerLargerThanTheLimitIsRefused) {
  // A listing of any size must not fill the memory: the body stops at the session's limit.
  ScriptedHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 40000000\r\n\r\n" + std::string(34u << 20, 'x'));
  RecordingClient r;
  r.client.SetReadTimeout(5);
  EXPECT_FALSE(r.client.Get(FromUtf8(server.URL())));
  EXPECT_TRUE(r.client.Response().empty());
  EXPECT_EQ(r.client.LastStatusText(), u"The answer is larger than 33554432 bytes");
}

}  // namespace
}  // namespace qx
