#include "transport/io_handler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/error.h"
#include "support/temp_dir.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using testing::LogBodies;
using testing::TempDir;

// The smallest transport: only the shared behaviour of the base is under test.
class TestHandler : public kIOHandler {
 public:
  using kIOHandler::kIOHandler;
  bool GetConnected() override { return false; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(StringView) override { return true; }
  String ReadUpTo(const ByteList& aChars) override {
    LogWaitingFor(aChars);
    return String();
  }
  String ReadChars(int32_t) override { return String(); }
  String ReadAll() override { return String(); }
  String DecodeError(int32_t) override { return String(); }
  bool InputBufferContainsData() override { return false; }
  void SetParameter(StringView, StringView) override {}
  String ClassName() const override { return u"TestHandler"; }
};

const String kStart = u"*************************** START ***************************";
const String kStop = u"*************************** STOP ****************************";

TEST(IOHandler, BannersAndTrafficLines) {
  TempDir dir;
  kConnection connection;
  connection.SetConnectTimeOut(2500);
  connection.SetReadTimeOut(300);
  String file;
  {
    TestHandler h(&connection, dir.Text(), u"EPS_1");
    file = h.GetLogFileName();
    EXPECT_EQ(std::filesystem::path(ToUtf8(file)).parent_path(), dir.Path());
    EXPECT_EQ(h.ConnectTimeout(), 2500);
    EXPECT_EQ(h.ReadTimeout(), 300);
    h.SetVersion(u"QXRP_EPSFPNAT_20 2.10");
    EXPECT_TRUE(h.Connect());
    h.WriteLog(let_info, u"Write", u"AB");
    h.WriteLog(let_info, u"Write", u"\x02" u"A\x03");
    h.SetHexLog(true);
    h.WriteLog(let_info, u"Write", u"AB");
    h.WriteLog(let_error, u"Read Timeout", u"");
    h.WriteLog(let_info, u"Read", u"\u00E0\u20AC");
    h.Debug(let_error, u"plain text");
    h.LogEvent()(let_info, u"RT", u"callback");
    h.ReadUpTo({0x06, 0x0F, 0x11, 0x03});
    h.SetHexLog(false);
    h.ReadUpTo({0x06, 0x03});
    h.ReadUpTo({0x06, 0x03});
    h.SetHexLog(true);  // the same bytes, now with their hex values
    h.ReadUpTo({0x06, 0x03});
  }
  const std::vector<String> expected = {
      kStart,
      String(61, u'*'),
      u"TestHandler",
      u"QXRP_EPSFPNAT_20 2.10",
      u"ConnectTimeout=2500",
      u"ReadTimeout=300",
      u"Write:AB",
      u"Write:\x02" u"A\x03",  // control characters go into the log as they are
      u"Write:AB [41 42]",
      u"ERROR - Read Timeout: []",
      u"Read:\u00E0\u20AC [e0 20ac]",
      u"ERROR - plain text",
      u"RT:callback [63 61 6c 6c 62 61 63 6b]",
      u"Waiting for:\x06,\x0f,\x11,\x03 [06,0f,11,03]",
      u"Waiting for:\x06,\x03",
      u"Waiting for:\x06,\x03",
      u"Waiting for:\x06,\x03 [06,03]",
      kStop,
  };
  EXPECT_EQ(LogBodies(file), expected);
}

TEST(IOHandler, WithoutDirectoryOrFileNameThereIsNoLog) {
  TempDir dir;
  kConnection connection;
  for (const auto& [directory, name] : {std::pair<String, String>{dir.Text(), u""}, {u"", u"EPS"}}) {
    TestHandler h(&connection, directory, name);
    EXPECT_EQ(h.Logger(), nullptr);
    EXPECT_TRUE(h.GetLogFileName().empty());
    EXPECT_TRUE(h.Connect());
    h.WriteLog(let_info, u"Write", u"AB");
    h.Debug(let_info, u"x");
    h.SetTemporaryReadTimeout(3000);
    EXPECT_EQ(h.ReadTimeout(), 3000);  // the time-out still changes
    h.ResetTemporaryReadTimeout();
    EXPECT_EQ(h.ReadTimeout(), 1000);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // Without connection settings both time-outs stay 0.
  TestHandler bare(nullptr, u"", u"");
  EXPECT_EQ(bare.ReadTimeout(), 0);
  EXPECT_EQ(bare.ConnectTimeout(), 0);
}

TEST(IOHandler, TemporaryReadTimeoutHasOneSavedSlot) {
  TempDir dir;
  kConnection connection;  // 1000 ms
  String file;
  {
    TestHandler h(&connection, dir.Text(), u"T");
    file = h.GetLogFileName();
    h.SetTemporaryReadTimeout(3000);
    EXPECT_EQ(h.ReadTimeout(), 3000);
    h.ResetTemporaryReadTimeout();
    EXPECT_EQ(h.ReadTimeout(), 1000);
    h.ResetTemporaryReadTimeout();  // the slot is not cleared: still 1000
    EXPECT_EQ(h.ReadTimeout(), 1000);
    h.SetTemporaryReadTimeout(0);  // logged, nothing changes
    EXPECT_EQ(h.ReadTimeout(), 1000);
    // Nested calls overwrite the slot with the first temporary value.
    h.SetTemporaryReadTimeout(5000);
    h.SetTemporaryReadTimeout(180000);
    h.ResetTemporaryReadTimeout();
    EXPECT_EQ(h.ReadTimeout(), 5000);
  }
  const std::vector<String> expected = {
      kStart,
      u"Set Read Timeout to 3000ms from 1000 ms",
      u"Reset Timeout to 1000 ms",
      u"Reset Timeout to 1000 ms",
      u"Set Read Timeout to 0ms from 1000 ms",
      u"Set Read Timeout to 5000ms from 1000 ms",
      u"Set Read Timeout to 180000ms from 5000 ms",
      u"Reset Timeout to 5000 ms",
      kStop,
  };
  EXPECT_EQ(LogBodies(file), expected);

  // With 0 saved a reset restores nothing.
  TestHandler fresh(&connection, u"", u"");
  fresh.SetReadTimeout(700);
  fresh.ResetTemporaryReadTimeout();
  EXPECT_EQ(fresh.ReadTimeout(), 700);
}

TEST(IOHandler, ErrorStateIsSetAndResetOnlyOnRequest) {
  TestHandler h(nullptr, u"", u"");
  EXPECT_FALSE(h.ErrorFound());
  h.SetCustomError(-99, u"Timeout Error");
  h.Connect();
  EXPECT_TRUE(h.ErrorFound());
  EXPECT_EQ(h.ErrorCode(), -99);
  EXPECT_EQ(h.ErrorMessage(), u"Timeout Error");
  h.ResetCustomError();
  EXPECT_FALSE(h.ErrorFound());
  EXPECT_EQ(h.ErrorCode(), 0);
  EXPECT_TRUE(h.ErrorMessage().empty());
}

TEST(IOHandler, HexStringAndCodePages) {
  const struct {
    String text;
    String hex;
  } hexCases[] = {
      {u"", u""},
      {u"\x02" u"A\x03", u"02 41 03"},
      {u"\u00ff\u0100", u"ff 0100"},
      {u"\u20AC", u"20ac"},
  };
  for (const auto& c : hexCases) EXPECT_EQ(HexString(c.text), c.hex);

  const String text = u"A\u00E0\u20AC";
  EXPECT_EQ(EncodeCodePage(text, 1252), "A\xE0\x80");
  EXPECT_EQ(EncodeCodePage(text, 28591), "A\xE0?");
  EXPECT_EQ(EncodeCodePage(text, 20127), "A??");
  EXPECT_EQ(EncodeCodePage(text, 65001), "A\xC3\xA0\xE2\x82\xAC");
  EXPECT_THROW(EncodeCodePage(text, 437), Error);
}

}  // namespace
}  // namespace qx
