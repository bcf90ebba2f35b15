#include "transport/io_handler_opos.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <optional>

#include "support/error.h"
#include "support/temp_dir.h"
#include "transport_fixtures.h"

namespace qx {
namespace {

using namespace qx::testing;

// The recording layer's test functions, reached through the same library the transport loads.
class RecordingLayer {
 public:
  RecordingLayer() : fHandle(::dlopen(QX_TEST_OPOS_LAYER, RTLD_NOW | RTLD_LOCAL)) {}
  ~RecordingLayer() {
    if (fHandle != nullptr) ::dlclose(fHandle);
  }
  template <typename F>
  F Fn(const char* aName) const {
    return reinterpret_cast<F>(::dlsym(fHandle, aName));
  }
  std::string Calls() const { return Fn<const char* (*)()>("QxOposTest_Calls")(); }
  int Controls() const { return Fn<int (*)()>("QxOposTest_Controls")(); }
  void Reset() const { Fn<void (*)()>("QxOposTest_Reset")(); }
  void Fail(const char* aMethod, int32_t aCode, int32_t aExtended = 0) const {
    Fn<void (*)(const char*, int32_t, int32_t)>("QxOposTest_Fail")(aMethod, aCode, aExtended);
  }
  void SetText(const char* aWhat, const char* aValue) const {
    Fn<void (*)(const char*, const char*)>("QxOposTest_SetText")(aWhat, aValue);
  }

 private:
  void* fHandle;
};

class OposTransport : public ::testing::Test {
 protected:
  OposTransport() {
    fConnection.SetConnectionType(qxConnectionType::OPOS);
    fConnection.SetDeviceName(u"FiscalPrinter1");
    UseLayer(QX_TEST_OPOS_LAYER);
    fLayer.Reset();
  }
  ~OposTransport() override { ::unsetenv("QX_OPOS_LAYER"); }

  void UseLayer(const std::string& aPath) { ::setenv("QX_OPOS_LAYER", aPath.c_str(), 1); }
  kIOHandler_OPOS& Make() {
    fTransport.emplace(fConnection, fDir.Text(), u"Opos");
    fLogFile = fTransport->GetLogFileName();
    return *fTransport;
  }
  std::vector<String> Finish() {
    fTransport.reset();
    return LogBodies(fLogFile);
  }

  RecordingLayer fLayer;
  TempDir fDir;
  kConnection fConnection;
  std::optional<kIOHandler_OPOS> fTransport;
  String fLogFile;
};

TEST_F(OposTransport, ConnectsCallsTheControlAndDisconnectsAtTheEnd) {
  kIOHandler_OPOS& t = Make();
  EXPECT_FALSE(t.GetConnected());
  ASSERT_TRUE(t.Connect());
  EXPECT_TRUE(t.GetConnected());
  EXPECT_EQ(fLayer.Calls(), "Open(FiscalPrinter1)\nClaimDevice(1000)\nSetDeviceEnabled(1)\n");
  fLayer.Reset();

  // Each operation: what the log shows, what the control receives.
  const Currency k2_5 = Currency::FromText(u"2.5");
  const Currency k5 = Currency::FromInt(5);
  const Currency k2 = Currency::FromInt(2);
  struct Case {
    std::function<bool()> call;
    String log;
    std::string received;
  };
  const std::vector<Case> cases = {
      {[&] { return t.BeginFiscalReceipt(); }, u"[BeginFiscalReceipt]->BeginFiscalReceipt(true)",
       "BeginFiscalReceipt(1)"},
      {[&] { return t.PrintRecItem(u"C1", u"Milk", k2_5, u"kg", 1, k2, k5); },
       u"[PrintRecItem]->PrintRecItem('Milk',5,2,1,2,'kg')", "PrintRecItem('Milk',50000,2500,1,20000,'kg')"},
      {[&] { return t.PrintRecItemVoid(u"", u"O'Neil", Currency::FromText(u"0.3333"), u"", 2, k2, k5); },
       u"[PrintRecItemVoid]->PrintRecItemVoid('O''Neil',5,2,2,'')", "PrintRecItemVoid('O'Neil',50000,333,2,20000,'')"},
      {[&] { return t.PrintRecRefund(u"", u"Back", k2, u"", 3, k2, Currency::FromText(u"12.5")); },
       u"[PrintRecRefund]->PrintRecRefund('Back',12.5,3)", "PrintRecRefund('Back',125000,3)"},
      {[&] { return t.PrintRecItemAdjustment(1, u"Disc", Currency::FromText(u"0.1234"), 1); },
       u"[PrintRecItemAdjustment]->PrintRecItemAdjustment(1,'Disc',0.1234,1)",
       "PrintRecItemAdjustment(1,'Disc',1234,1)"},
      {[&] { return t.PrintRecSubtotal(Currency::FromInt(10)); }, u"[PrintRecSubtotal]->PrintRecSubTotal(10)",
       "PrintRecSubtotal(100000)"},
      {[&] { return t.PrintRecSubtotalAdjustment(2, u"Up", k2); },
       u"[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(2,'Up',2)", "PrintRecSubtotalAdjustment(2,'Up',20000)"},
      {[&] { return t.PrintRecTotal(k5, k2, u"Cash"); }, u"[PrintRecTotal]->PrintRecTotal(5,2,'Cash')",
       "PrintRecTotal(50000,20000,'Cash')"},
      {[&] { return t.PrintRecNotPaid(k2, u"Credit"); }, u"[PrintRecNotPaid]->PrintRecNotPaid('Credit',2)",
       "PrintRecNotPaid('Credit',20000)"},
      {[&] { return t.PrintRecMessage(u"Thanks"); }, u"[PrintRecMessage]->PrintRecMessage('Thanks')",
       "PrintRecMessage('Thanks')"},
      {[&] { return t.PrintRecTaxid(u"IT123"); }, u"[PrintRecTaxid]->PrintRecTaxid('IT123')", "PrintRecTaxID('IT123')"},
      {[&] { return t.EndFiscalReceipt(); }, u"[EndFiscalReceipt]->EndFiscalReceipt(false)", "EndFiscalReceipt(0)"},
      {[&] { return t.BeginNonFiscal(); }, u"[BeginNonFiscal]->BeginNonFiscal", "BeginNonFiscal"},
      {[&] { return t.PrintNormal(u"Line"); }, u"[PrintNormal]->PrintNormal(2,'Line')", "PrintNormal(2,'Line')"},
      {[&] { return t.EndNonFiscal(); }, u"[EndNonFiscal]->EndNonFiscal", "EndNonFiscal"},
      {[&] { return t.BeginTraining(); }, u"[BeginTraining]->BeginTraining", "BeginTraining"},
      {[&] { return t.EndTraining(); }, u"[EndTraining]->EndTraining", "EndTraining"},
      {[&] { return t.ResetPrinter(); }, u"[ResetPrinter]->ResetPrinter", "ResetPrinter"},
      {[&] { return t.PrintXReport(); }, u"[PrintXReport]->PrintXReport", "PrintXReport"},
      {[&] { return t.PrintZReport(); }, u"[PrintZReport]->PrintZReport", "PrintZReport"},
      {[&] { return t.SetDate(EncodeDateTime({2026, 3, 4, 5, 6, 7, 0})); }, u"[SetDate]->SetDate('040320260506')",
       "SetDate('040320260506')"},
      {[&] { return t.SetFiscalReceiptType(4); }, u"[SetFiscalReceiptType]->FiscalReceiptType=4",
       "FiscalReceiptType(4)"},
      {[&] { return t.SetPreLine(u"Pre"); }, u"[SetPreLine]->PreLine='Pre'", "PreLine('Pre')"},
  };
  for (const Case& c : cases) {
    fLayer.Reset();
    SCOPED_TRACE(ToUtf8(c.log));
    EXPECT_TRUE(c.call());
    EXPECT_FALSE(t.ErrorFound());
    EXPECT_EQ(fLayer.Calls(), c.received + "\n");
  }

  String data;
  EXPECT_TRUE(t.GetData(7, 3, data));
  EXPECT_EQ(data, u"0042");
  int32_t ioData = 10;
  String ioText = u"in";
  EXPECT_TRUE(t.DirectIO(1074, ioData, ioText));
  EXPECT_EQ(ioData, 11);
  EXPECT_EQ(ioText, u"answer");
  bool flag = false;
  EXPECT_TRUE(t.GetCoverOpen(flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(t.GetRecNearEnd(flag));
  EXPECT_FALSE(flag);
  int32_t number = 0;
  EXPECT_TRUE(t.RemainingFiscalMemory(number));
  EXPECT_EQ(number, 1234);
  TDateTime date = 0;
  EXPECT_TRUE(t.GetDate(date));
  EXPECT_EQ(date, EncodeDateTime({2026, 12, 25, 14, 30, 0, 0}));

  fLayer.Reset();
  fLayer.Fail("ReleaseDevice", 0);  // keeps the device enabled flag as it is after the reset
  const std::vector<String> log = Finish();
  EXPECT_EQ(fLayer.Controls(), 0);
  EXPECT_EQ(fLayer.Calls(), "SetDeviceEnabled(0)\nReleaseDevice\nClose\n");
  for (const Case& c : cases) EXPECT_TRUE(Contains(log, c.log)) << ToUtf8(c.log);
  for (const String line : {u"DeviceName=FiscalPrinter1", u"[Connect]->Open(FiscalPrinter1)",
                            u"[Connect]->ClaimDevice(1000)", u"[Connect]->DeviceEnabled:=true",
                            u"[GetData]->GetData(7,3,aOutput)", u"[GetData]->aOutput=0042",
                            u"[DirectIO]->DirectIO(1074,10,'in')", u"[DirectIO]->Output(Data:=11, Obj:='answer')",
                            u"[GetCoverOpen]->CoverOpen(aResult)", u"[GetCoverOpen]->CoverOpen=True",
                            u"[GetRecNearEmpty]->RecNearEmpty(aResult)", u"[GetRecNearEmpty]->aResult=False",
                            u"[RemainingFiscalMemory]->aRemainingFiscalMemory=1234", u"[GetDate]->aDate=251220261430",
                            u"[Disconnect]->DeviceEnabled:=false", u"[Disconnect]->ReleaseDevice",
                            u"[Disconnect]->Close"})
    EXPECT_TRUE(Contains(log, line)) << ToUtf8(line);
}

TEST_F(OposTransport, FailedCallsBecomeTheErrorStateWithTheirText) {
  kIOHandler_OPOS& t = Make();
  fLayer.Fail("Open", 109);
  EXPECT_FALSE(t.Connect());
  EXPECT_TRUE(t.GetConnected()) << "still counts as connected until Disconnect";
  EXPECT_EQ(t.ErrorCode(), 109);
  EXPECT_EQ(t.ErrorMessage(), u"[109] OPOS_E_NOEXIST - service error");
  EXPECT_EQ(fLayer.Calls(), "Open(FiscalPrinter1)\n");

  struct Case {
    int32_t code, extended;
    String text;
  };
  const std::vector<Case> cases = {
      {114, 203, u"[114] OPOS_E_EXTENDED [203] OPOS_EFPTR_REC_EMPTY - service error"},
      {114, 0, u"[114] OPOS_E_EXTENDED - service error"},
      {114, 299, u"[114] OPOS_E_EXTENDED [299] UNKNOWN - service error"},
      {150, 203, u"[150] UNKNOWN - service error"},
      {111, 0, u"[111] OPOS_E_FAILURE - service error"},
  };
  for (const Case& c : cases) {
    fLayer.Fail("PrintRecMessage", c.code, c.extended);
    EXPECT_FALSE(t.PrintRecMessage(u"x"));
    EXPECT_TRUE(t.ErrorFound());
    EXPECT_EQ(t.ErrorCode(), c.code);
    EXPECT_EQ(t.ErrorMessage(), c.text);
  }
  EXPECT_TRUE(t.PrintNormal(u"ok"));  // a success clears the error state
  EXPECT_FALSE(t.ErrorFound());

  String data = u"old";
  fLayer.Fail("GetData", 106);
  EXPECT_FALSE(t.GetData(1, 0, data));
  EXPECT_EQ(data, u"");
  fLayer.Fail("GetDate", 106);
  TDateTime date = 0;
  EXPECT_FALSE(t.GetDate(date));
  EXPECT_GT(date, EncodeDate(2020, 1, 1)) << "the current time";

  fLayer.Reset();
  fLayer.SetText("Date", "2512X0261430");
  EXPECT_EQ(MessageOf([&] { t.GetDate(date); }), u"'X026' is not a valid integer value");
  fLayer.SetText("Date", "2512");
  EXPECT_NE(MessageOf([&] { t.GetDate(date); }), u"(no error)");
  fLayer.SetText("Date", "251220261430");
  EXPECT_EQ(MessageOf([&] { t.PrintRecItem(u"", u"", Currency::FromInt(3000000), u"", 1, {}, {}); }),
            u"Quantity 3000000 is out of range");

  fLayer.Fail("ReleaseDevice", 103);
  EXPECT_FALSE(t.Disconnect());
  EXPECT_FALSE(t.GetConnected());
  EXPECT_EQ(t.ErrorMessage(), u"[103] OPOS_E_NOTCLAIMED - service error");
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"ERROR - [109] OPOS_E_NOEXIST - service error"));
  EXPECT_FALSE(Contains(log, u"[Disconnect]->Close"));
}

TEST_F(OposTransport, TheAdditionalTrailerIsSetOrAppended) {
  kIOHandler_OPOS& t = Make();
  EXPECT_TRUE(t.SetAdditionalTrailerLine(u"first", true));
  EXPECT_TRUE(t.SetAdditionalTrailerLine(u"second", false));
  EXPECT_TRUE(t.SetAdditionalTrailerLine(u"third", false));
  EXPECT_EQ(t.Control().AdditionalTrailer(), u"firstsecond\r\nthird\r\n");
  const std::vector<String> log = Finish();
  EXPECT_TRUE(Contains(log, u"[SetAdditionalTrailerLine]->AdditionalTrailer='first'"));
  EXPECT_TRUE(Contains(log, u"[SetAdditionalTrailerLine]->AdditionalTrailer=+'second'"));
}

TEST_F(OposTransport, WithoutALayerEveryOperationFailsWithAClearText) {
  const int descriptors = OpenDescriptors();
  const int threads = RunningThreads();
  // No file, and a library that is no OPOS layer.
  const std::vector<std::pair<std::string, String>> layers = {
      {"/nonexistent/libqxopos.so", u"[104] OPOS_E_NOSERVICE - The OPOS layer /nonexistent/libqxopos.so is not available: "},
      {QX_TEST_DEVICE_LIBRARY, u"[104] OPOS_E_NOSERVICE - The OPOS layer " + FromUtf8(QX_TEST_DEVICE_LIBRARY) +
                                   u" is not available: it offers no control of version 1"},
  };
  for (const auto& [path, text] : layers) {
    UseLayer(path);
    kIOHandler_OPOS& t = Make();
    EXPECT_FALSE(t.Connect());
    EXPECT_EQ(t.ErrorCode(), 104);
    EXPECT_EQ(t.ErrorMessage().rfind(text, 0), 0u) << ToUtf8(t.ErrorMessage());
    const std::vector<std::function<bool()>> calls = {
        [&] { return t.BeginFiscalReceipt(); },
        [&] { return t.PrintNormal(u"x"); },
        [&] { bool b; return t.GetCoverOpen(b); },
        [&] { int32_t n; return t.PrinterState(n); },
        [&] { return t.SetAdditionalTrailerLine(u"x", true); },
        [&] { String s; return t.GetData(1, 0, s); },
    };
    for (const auto& call : calls) {
      t.ResetCustomError();
      EXPECT_FALSE(call());
      EXPECT_TRUE(t.ErrorFound());
      EXPECT_EQ(t.ErrorCode(), 104);
    }
    EXPECT_EQ(MessageOf([&] { t.Write(u"A"); }), u"Write Unsupported");
    EXPECT_EQ(MessageOf([&] { t.ReadUpTo({3}); }), u"ReadUpto Unsupported");
    EXPECT_EQ(MessageOf([&] { t.ReadChars(1); }), u"ReadChars Unsupported");
    EXPECT_EQ(MessageOf([&] { t.ReadAll(); }), u"ReadAll Unsupported");
    EXPECT_EQ(MessageOf([&] { t.InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
    EXPECT_FALSE(t.Disconnect());
    Finish();
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(RunningThreads(), threads);
}

}  // namespace
}  // namespace qx
