// kIOHandler_HTTP: the URL from the connection, the POST with its headers, the answer, the
// error state with the status texts, and the operations it does not support.
#include <gtest/gtest.h>

#include "transport/http_servers.h"
#include "transport/io_handler_http.h"
#include "transport/transport_fixtures.h"

namespace qx {
namespace {

using webtest::ScriptedHttpServer;

kConnection HttpConnection(StringView aURL, StringView aAddress = u"", int32_t aPort = 0) {
  kConnection c;
  c.SetConnectionType(qxConnectionType::HTTP);
  c.SetURL(aURL);
  c.SetAddress(aAddress);
  c.SetPort(aPort);
  c.SetUser(u"fp");
  c.SetPassword(u"secret");
  c.SetAuthType(at_Basic);
  return c;
}

TEST(HttpIOHandler, TheURLComesFromTheConnection) {
  struct Case {
    const char16_t* URL;
    const char16_t* Address;
    int32_t Port;
    const char16_t* Expected;
  };
  for (const Case c : {Case{u"", u"192.168.1.10", 8080, u"192.168.1.10:8080"}, Case{u"", u"192.168.1.10", 0, u"192.168.1.10"},
                       Case{u"http://h/x", u"192.168.1.10", 8080, u"http://h/x"}}) {
    const kConnection connection = HttpConnection(c.URL, c.Address, c.Port);
    kIOHandler_HTTP http(&connection, u"", u"");
    EXPECT_EQ(http.URL(), c.Expected);
    EXPECT_EQ(http.AuthType(), at_Basic);
    EXPECT_EQ(http.User(), u"fp");
  }
  kIOHandler_HTTP bare(nullptr, u"", u"");
  EXPECT_TRUE(bare.URL().empty());
  EXPECT_EQ(bare.AuthType(), at_None);
}

TEST(HttpIOHandler, WritePostsTheTextWithItsHeadersAndKeepsTheAnswer) {
  ScriptedHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n<ok>è</ok");
  const kConnection connection = HttpConnection(FromUtf8(server.URL("/rt")));
  kIOHandler_HTTP http(&connection, u"", u"");
  http.SetContentType(u"text/xml");
  http.SetParameter(u"X-Till", u"1");
  http.SetParameter(u"x-till", u"2");  // replaces the earlier value
  EXPECT_TRUE(http.Connect());
  EXPECT_TRUE(http.Write(u"<a>è</a>"));
  EXPECT_FALSE(http.ErrorFound());
  EXPECT_EQ(http.ResponseCode(), 200);
  EXPECT_EQ(http.Response(), u"<ok>è</ok");
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.rfind("POST /rt HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("Content-Type: text/xml\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("X-Till: 2\r\n"), std::string::npos) << request;
  EXPECT_EQ(request.find("X-Till: 1"), std::string::npos) << request;
  EXPECT_NE(request.find("Authorization: Basic ZnA6c2VjcmV0\r\n"), std::string::npos) << request;
  EXPECT_EQ(request.substr(request.size() - 9), "<a>\xc3\xa8</a>");
  EXPECT_EQ(http.ReadUpTo({0x03}), u"");
  EXPECT_EQ(http.ReadChars(5), u"");
}

TEST(HttpIOHandler, FailedPostsSetTheErrorStateWithTheStatusText) {
  struct Case {
    std::string Answer;
    int32_t Code;
    const char16_t* Text;
  };
  for (const Case& c : {Case{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 404,
                             u"HTTP/1.1 404 Not Found Not Found"},
                        Case{"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", 500,
                             u"HTTP/1.1 500 Internal Server Error Internal Server Error"}}) {
    ScriptedHttpServer server(c.Answer);
    const kConnection connection = HttpConnection(FromUtf8(server.URL()));
    kIOHandler_HTTP http(&connection, u"", u"");
    EXPECT_FALSE(http.Write(u"x"));
    EXPECT_TRUE(http.ErrorFound());
    EXPECT_EQ(http.ErrorCode(), c.Code);
    EXPECT_EQ(http.ErrorMessage(), c.Text);
    EXPECT_EQ(http.ResponseCode(), c.Code);
  }
  // A 2xx status line whose answer then breaks off: 999 with the library's own text.
  ScriptedHttpServer broken("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort");
  const kConnection connection = HttpConnection(FromUtf8(broken.URL()));
  kIOHandler_HTTP http(&connection, u"", u"");
  EXPECT_FALSE(http.Write(u"x"));
  EXPECT_EQ(http.ErrorCode(), 999);
  EXPECT_EQ(http.ResponseCode(), 999);
  EXPECT_FALSE(http.ErrorMessage().empty());
  EXPECT_EQ(http.DecodeError(999), u"Unknown");
}

TEST(HttpIOHandler, StatusTextsAndUnsupportedOperations) {
  kIOHandler_HTTP http(nullptr, u"", u"");
  struct Case {
    int32_t Code;
    const char16_t* Text;
  };
  for (const Case c : {Case{200, u"OK"}, Case{207, u"Multi-Status (WebDAV)"}, Case{208, u"Multi-Status (WebDAV)"},
                       Case{305, u"Use Proxy "}, Case{404, u"Not Found"}, Case{418, u"I'm a teapot"},
                       Case{511, u"Network Authentication Required"}, Case{509, u"Unknown"}, Case{0, u"Unknown"}})
    EXPECT_EQ(http.DecodeError(c.Code), c.Text) << c.Code;
  EXPECT_EQ(testing::MessageOf([&] { http.ReadAll(); }), u"ReadAll Unsupported");
  EXPECT_EQ(testing::MessageOf([&] { http.InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
}

}  // namespace
}  // namespace qx
