#include "transport/connection.h"

#include <gtest/gtest.h>

#include "support/error.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using testing::MessageOf;

TEST(Connection, DefaultsAndTimeOutsThatIgnoreNonPositiveValues) {
  kConnection c;
  EXPECT_EQ(c.ConnectionType(), qxConnectionType::OPOS);
  EXPECT_EQ(c.AuthType(), at_None);
  EXPECT_EQ(c.Parity(), qxParity::None);
  EXPECT_EQ(c.Port(), 0);
  EXPECT_EQ(c.Speed(), 0);
  EXPECT_EQ(c.DataBits(), 0);
  EXPECT_EQ(c.StopBits(), 0);
  EXPECT_TRUE(c.Address().empty() && c.URL().empty() && c.SerialPort().empty() && c.User().empty());
  EXPECT_EQ(c.ConnectTimeOut(), 1000);
  EXPECT_EQ(c.ReadTimeOut(), 1000);

  c.SetReadTimeOut(0);
  c.SetConnectTimeOut(-5);
  EXPECT_EQ(c.ReadTimeOut(), 1000);
  EXPECT_EQ(c.ConnectTimeOut(), 1000);
  c.SetReadTimeOut(180000);
  c.SetConnectTimeOut(1);
  EXPECT_EQ(c.ReadTimeOut(), 180000);
  EXPECT_EQ(c.ConnectTimeOut(), 1);
}

TEST(Connection, ConnectionTypeWordsInAnyCase) {
  const struct {
    const char16_t* word;
    qxConnectionType type;
  } cases[] = {
      {u"Serial", qxConnectionType::Serial}, {u"SERIAL", qxConnectionType::Serial},
      {u"http", qxConnectionType::HTTP},     {u"Tcp", qxConnectionType::TCP},
      {u"OPOS", qxConnectionType::OPOS},     {u"dll", qxConnectionType::DLL},
      {u"COM", qxConnectionType::Com},       {u"Spool", qxConnectionType::Spool},
  };
  for (const auto& c : cases) EXPECT_EQ(kConnection::ConvertConnectionType(c.word), c.type) << ToUtf8(c.word);
}

TEST(Connection, UnknownWordsFailQuotingTheInputAsGiven) {
  const struct {
    std::function<void()> call;
    const char16_t* message;
  } cases[] = {
      // No trimming: the message's own blank and the input's make two.
      {[] { kConnection::ConvertConnectionType(u" serial"); }, u"Connection Type  serial is not valid"},
      {[] { kConnection::ConvertConnectionType(u""); }, u"Connection Type  is not valid"},
      {[] { kConnection::ConvertConnectionType(u"USB"); }, u"Connection Type USB is not valid"},
      {[] { kConnection::ConvertParity(u"Mark"); }, u"Connection Parity Mark is not valid"},
      {[] { kConnection::ConvertParity(u"space"); }, u"Connection Parity space is not valid"},
      {[] { kConnection::ConvertParity(u""); }, u"Connection Parity  is not valid"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf(c.call), c.message);
}

TEST(Connection, ParityAndAuthenticationWords) {
  EXPECT_EQ(kConnection::ConvertParity(u"None"), qxParity::None);
  EXPECT_EQ(kConnection::ConvertParity(u"EVEN"), qxParity::Even);
  EXPECT_EQ(kConnection::ConvertParity(u"odd"), qxParity::Odd);
  EXPECT_EQ(kConnection::ConvertAuthType(u"Basic"), at_Basic);
  EXPECT_EQ(kConnection::ConvertAuthType(u"DIGEST"), at_Digest);
  // Bearer cannot be chosen here, and nothing fails.
  EXPECT_EQ(kConnection::ConvertAuthType(u"bearer"), at_None);
  EXPECT_EQ(kConnection::ConvertAuthType(u""), at_None);
  EXPECT_EQ(kConnection::ConvertAuthType(u"none"), at_None);
}

}  // namespace
}  // namespace qx
