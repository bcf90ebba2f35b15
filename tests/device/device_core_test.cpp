#include "device/fiscal_printer_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "device/device_fixture.h"
#include "support/scripted_io_handler.h"
#include "platform/file_system.h"
#include "support/error.h"

namespace qx {
namespace {

using testing::DeviceFixture;
using testing::Handler;
using testing::RecordingDriver;
using testing::Request;
using Calls = std::vector<std::string>;

class DeviceCore : public ::testing::Test, public DeviceFixture {};

TEST_F(DeviceCore, ConstructionAndTheDeviceLog) {
  auto device = MakeDevice();
  EXPECT_EQ(device->fPrintSequence,
            (std::vector<qxFiscalPrinterPrintSection>{fpps_Lines, fpps_Payments, fpps_TrailerMessages}));
  EXPECT_FALSE(device->fRTServerActive);
  EXPECT_EQ(device->IOHandler().Version(), u"Version 2.10 - 10/10/2022");
  const String log = device->IOHandler().GetLogFileName();
  // LogFiles/FiscalPrinter under the log root, named Driver_LogId with the day.
  EXPECT_EQ(log.substr(0, fDir.Text().size() + 31), fDir.Text() + u"/LogFiles/FiscalPrinter/TEST_t_");
  device->AddPrintSection(fpps_Payments);
  EXPECT_EQ(device->fPrintSequence.size(), 3u);
  device->ClearPrintSequence();
  device->AddPrintSection(fpps_TrailerMessages);
  EXPECT_EQ(device->fPrintSequence, (std::vector<qxFiscalPrinterPrintSection>{fpps_TrailerMessages}));
}

TEST_F(DeviceCore, FrameTakesTheOutcomeFromTheTransport) {
  auto device = MakeDevice();
  auto handler = Handler(Request(""));
  _int_GETSTATUS_result ok = device->Pub_GetStatus(*handler);
  EXPECT_FALSE(ok.Error);
  EXPECT_EQ(ok.ErrorText, u"");
  EXPECT_EQ(ok.LogFileName, device->IOHandler().GetLogFileName());
  device->fFailing = {"GetStatus"};
  _int_GETSTATUS_result failed = device->Pub_GetStatus(*handler);
  EXPECT_TRUE(failed.Error);
  EXPECT_EQ(failed.ErrorText, u"GetStatus failed");
  const String logName = device->IOHandler().GetLogFileName();
  device.reset();  // drains the log
  const std::string log = testing::ReadFile(logName);
  EXPECT_NE(log.find(" - " + std::string(60, '-') + " GetStatus\r\n"), std::string::npos) << log;
}

TEST_F(DeviceCore, ReadinessStepResetsOnlyWhenNotReady) {
  auto device = MakeDevice();
  auto handler = Handler(Request(R"(<ReceiptReference><ReceiptType>sale</ReceiptType><ReceiptNumber>1</ReceiptNumber></ReceiptReference>)"),
                         {dt_ReceiptReference});
  device->Pub_RePrintReceipt(*handler);
  EXPECT_EQ(device->fCalls, (Calls{"IsReady", "Reprint"}));
  device->fCalls.clear();
  device->fReady = false;
  device->Pub_RePrintReceipt(*handler);
  EXPECT_EQ(device->fCalls, (Calls{"IsReady", "Reset", "Reprint"}));
  device->fCalls.clear();
  device->fFailing = {"Reset"};
  EXPECT_TRUE(device->Pub_RePrintReceipt(*handler).Error);
  EXPECT_EQ(device->fCalls, (Calls{"IsReady", "Reset"}));
}

TEST_F(DeviceCore, NonFiscalReceiptStopsAtTheFirstFailingLine) {
  auto device = MakeDevice();
  auto handler = Handler(Request(R"(<NFReceipt><Lines>
      <Text><Value>one</Value><Alignment>left</Alignment></Text>
      <Barcode><Value>123</Value><Alignment>center</Alignment><Type>ean13</Type></Barcode>
      <Text><Value>three</Value><Alignment>left</Alignment></Text>
    </Lines></NFReceipt>)"), {dt_NFReceipt});
  _int_PRINTNFR_result ok = device->Pub_PrintNFReceipt(*handler);
  EXPECT_FALSE(ok.Error);
  EXPECT_EQ(device->fCalls, (Calls{"IsReady", "BeginNoFiscalReceipt", "PrintNoFiscalMessageTextLine",
                                   "PrintNoFiscalMessageBarcode", "PrintNoFiscalMessageTextLine",
                                   "EndNoFiscalReceipt", "GetDateTime"}));
  device->fCalls.clear();
  device->fFailing = {"PrintNoFiscalMessageBarcode"};
  _int_PRINTNFR_result failed = device->Pub_PrintNFReceipt(*handler);
  EXPECT_TRUE(failed.Error);
  EXPECT_EQ(failed.NFReceiptDateTime, 0);
  EXPECT_EQ(device->fCalls, (Calls{"IsReady", "BeginNoFiscalReceipt", "PrintNoFiscalMessageTextLine",
                                   "PrintNoFiscalMessageBarcode"}));
}

TEST_F(DeviceCore, DisplayWithAFailingClearSendsNoLines) {
  struct Case { const char* clear; std::set<std::string> failing; Calls want; };
  const Case cases[] = {{"false", {}, {"WriteDisplay"}},
                        {"true", {}, {"ClearDisplay", "WriteDisplay"}},
                        {"true", {"ClearDisplay"}, {"ClearDisplay"}}};
  for (const Case& c : cases) {
    auto device = MakeDevice();
    device->fFailing = c.failing;
    auto handler = Handler(Request(std::string("<Display><Clear>") + c.clear +
                                   "</Clear><Lines><Text><Value>x</Value><Alignment>left</Alignment></Text></Lines>"
                                   "</Display>"),
                           {dt_Display});
    device->Pub_WriteDisplay(*handler);
    EXPECT_EQ(device->fCalls, c.want) << c.clear;
  }
}

TEST_F(DeviceCore, SetAndSetDateTimeRequestParameters) {
  auto device = MakeDevice();
  device->Pub_Set(*Handler(Request("")));
  EXPECT_TRUE(device->fCalls.empty());
  device->Pub_Set(*Handler(Request("<Parameters><TrainingMode>TRUE</TrainingMode></Parameters>")));
  EXPECT_EQ(device->fCalls, (Calls{"SetTrainingMode"}));
  try {
    device->Pub_Set(*Handler(Request("<Parameters><TrainingMode>yes</TrainingMode></Parameters>")));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"'yes' is not a valid boolean value");
  }
  device->fCalls.clear();
  device->Pub_SetDateTime(*Handler(Request("<Parameters><DateTime>1899-12-30T00:00:00</DateTime></Parameters>")));
  EXPECT_EQ(device->fCalls, (Calls{"GetDateTime"}));
  device->fCalls.clear();
  device->Pub_SetDateTime(*Handler(Request("<Parameters><DateTime>2025-03-05T09:07:45</DateTime></Parameters>")));
  EXPECT_EQ(device->fCalls, (Calls{"SetDateTime", "GetDateTime"}));
  try {
    device->Pub_SetDateTime(*Handler(Request("")));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"DateTime Format invalid: []");
  }
}

// A driver whose tables hold what a printer would have answered.
class TableDriver : public RecordingDriver {
 public:
  using RecordingDriver::RecordingDriver;
  bool GetEATable() override {
    auto ea = std::make_unique<kEconomicActivity>();
    ea->fIndex = 1, ea->fCode = u"EA1", ea->fDescription = u"Bar & ristoro", ea->fVentilazione = true;
    fEATable->Add(std::move(ea));
    return RecordingDriver::GetEATable();
  }
  bool GetDeptTable() override {
    const struct { const char16_t* code; const char16_t* ea; qxDepartmentSalesType type; } rows[] = {
        {u"R1", u"EA1", st_Service}, {u"R2", u"", st_Product}, {u"R3", u"EA9", st_Product}};
    int index = 0;
    for (const auto& row : rows) {
      auto d = std::make_unique<kDepartment>();
      d->fIndex = ++index, d->fCode = row.code, d->fEACode = row.ea, d->fSalesType = row.type, d->fVATCode = u"1";
      fDeptTable->Add(std::move(d));
    }
    return RecordingDriver::GetDeptTable();
  }
};

TEST_F(DeviceCore, DepartmentAnswerJoinsTheEconomicActivities) {
  auto device = MakeDevice<TableDriver>();
  const _int_GETDEPTTABLE_result r = device->Pub_GetDeptTable(*Handler(Request("")));
  ASSERT_EQ(r.DeptTable.size(), 3u);
  EXPECT_EQ(r.DeptTable[0].SalesType, u"Service");
  EXPECT_EQ(r.DeptTable[0].EADescription, u"Bar & ristoro");
  EXPECT_EQ(r.DeptTable[0].EAVATMode, u"1");
  EXPECT_EQ(r.DeptTable[1].SalesType, u"Product");
  EXPECT_EQ(r.DeptTable[1].EACode, u"");
  EXPECT_EQ(r.DeptTable[1].EAVATMode, u"");
  // An activity the printer does not list keeps its code, with no description.
  EXPECT_EQ(r.DeptTable[2].EACode, u"EA9");
  EXPECT_EQ(r.DeptTable[2].EADescription, u"");
  EXPECT_EQ(r.DeptTable[2].EAVATMode, u"0");
  device->fFailing = {"GetEATable"};
  const _int_GETDEPTTABLE_result failed = device->Pub_GetDeptTable(*Handler(Request("")));
  EXPECT_TRUE(failed.DeptTable.empty());
  EXPECT_EQ(device->fCalls.back(), "GetDeptTable");  // both always run
}

TEST_F(DeviceCore, PaymentAnswersManualAndOther) {
  class PayDriver : public RecordingDriver {
   public:
    using RecordingDriver::RecordingDriver;
    bool Pay(kPaymentReceipt& aPayment) override {
      aPayment.fReceiptLines = {u"CARTA", u"OK"};
      aPayment.fRawResponse = u"raw";
      return RecordingDriver::Pay(aPayment);
    }
  };
  auto device = MakeDevice<PayDriver>();
  auto handler = Handler(Request("<Payment><Amount>10.5</Amount></Payment>"), {dt_Pay});
  // The transport of a device that no OPEN connected (a PAY without handle) is connected for
  // the payment; a connection that cannot be made is the answer, and nothing is paid.
  const _int_PAY_result refused = device->Pub_Pay(*handler);
  EXPECT_TRUE(refused.Error);
  EXPECT_FALSE(refused.ErrorText.empty());
  EXPECT_EQ(device->fCalls, Calls{});
  device->fIOHandler = std::make_unique<testing::ScriptedIOHandler>();  // a connected line
  const _int_PAY_result r = device->Pub_Pay(*handler);
  EXPECT_FALSE(r.Error);
  EXPECT_EQ(r.TransactionType, ptt_Manual);
  EXPECT_EQ(r.PaymentNetwork, qxPaymentNetwork::Other);
  EXPECT_EQ(r.ReceiptText, u"CARTA\r\nOK\r\n");
  EXPECT_EQ(r.RawResponse, u"raw");
  device->fFailing = {"Pay"};
  const _int_PAY_result failed = device->Pub_Pay(*handler);
  EXPECT_TRUE(failed.Error);
  EXPECT_EQ(failed.ReceiptText, u"");
}

TEST_F(DeviceCore, JournalFilesAndLottery) {
  auto device = MakeDevice();
  device->fEJFilesCount = 4;
  auto ej = Handler(Request("<EJRequest><RequestType>xml</RequestType></EJRequest>"), {dt_EJFilesRequest});
  EXPECT_EQ(device->Pub_GetEJFiles(*ej).FilesCount, 4);
  device->fFailing = {"GetEJFiles"};
  EXPECT_EQ(device->Pub_GetEJFiles(*ej).FilesCount, 0);
  device->fFailing.clear();
  device->IOHandler().ResetCustomError();
  device->fLotteryReceiptStatus = {true, u"0", u"OK", u"R1"};
  auto ref = Handler(Request("<ReceiptReference><ReceiptType>sale</ReceiptType></ReceiptReference>"), {dt_ReceiptReference});
  const _int_GETLOTTERYRCPTSTATUS_result lottery = device->Pub_GetLotteryReceiptStatus(*ref);
  EXPECT_TRUE(lottery.CorrectlySent);
  EXPECT_EQ(lottery.ReferenceId, u"R1");
}

TEST_F(DeviceCore, DisplayTextIsCutAndAligned) {
  auto device = MakeDevice();
  auto handler = Handler(Request(R"(<Display><Clear>false</Clear><Lines>
      <Text><Value>CENTRO7</Value><Alignment>center</Alignment></Text>
      <Text><Value>ABCDEFGHIJKLMNOPQRSTUVWXY</Value><Alignment>right</Alignment></Text>
      <Text><Value>sx</Value><Alignment>left</Alignment></Text>
      <Text><Value>dx</Value><Alignment>right</Alignment></Text>
    </Lines></Display>)"), {dt_Display});
  EXPECT_EQ(device->FormatDisplayText(handler->fCustomerDisplay->fLines),
            u"      CENTRO7       ABCDEFGHIJKLMNOPQRST" + String(u"sx") + String(36, u' ') + u"dx");
}

TEST_F(DeviceCore, ServiceOperations) {
  auto device = MakeDevice();
  EXPECT_EQ(kFiscalPrinterDevice::PadText(u"abc", 6), u"abc   ");
  EXPECT_EQ(kFiscalPrinterDevice::PadText(String(50, u'x'), 40), String(40, u'x'));
  auto ea = std::make_unique<kEconomicActivity>();
  ea->fIndex = 3, ea->fCode = u"A1";
  device->fEATable->Add(std::move(ea));
  EXPECT_EQ(device->GetEAIndex(u""), 0);
  EXPECT_EQ(device->GetEAIndex(u"   "), 0);
  EXPECT_EQ(device->GetEAIndex(u"A1"), 3);
  EXPECT_EQ(device->GetEAIndex(u"a1"), -1);
  auto vat = std::make_unique<kVat>();
  vat->fIndex = 2, vat->fCode = u"B", vat->fRate = Currency::FromInt(10);
  device->fVatTable->Add(std::move(vat));
  EXPECT_EQ(device->GetVatIndex(u"B"), 2);
  EXPECT_EQ(device->GetVatIndex(u"C"), -1);
  ASSERT_NE(device->FindVat(u"B"), nullptr);
  device->fCounters = {Currency::FromInt(1), Currency::FromInt(2), Currency::FromInt(3), Currency::FromInt(4),
                       Currency::FromInt(5), Currency::FromInt(6), Currency::FromInt(7), Currency::FromInt(8),
                       9, 10, 11, 12.5, u"text"};
  device->ResetCounters();
  const qxFiscalCounters& c = device->fCounters;
  EXPECT_EQ(c.GrandTotalAmount, Currency());
  EXPECT_EQ(c.DayReceiptsNumber, 0);
  EXPECT_EQ(c.ZReportNumber, 0);
  EXPECT_EQ(c.GrandTotalVoidsAmount, Currency::FromInt(3));  // the voids stay
  EXPECT_EQ(c.DayVoidsAmount, Currency::FromInt(8));
  EXPECT_EQ(c.ZReportDateTime, 12.5);
  EXPECT_EQ(c.Text, u"text");
}

TEST_F(DeviceCore, ZReportDateFileInTheWorkingDirectory) {
  auto device = MakeDevice();
  device->fSerialNumber = u"99MEX012345";
  // The working directory is not the log root: only the log directory gets created.
  testing::TempDir work;
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(work.Path());
  EXPECT_EQ(device->LoadZReportDate(), 0);
  // Only the log directory is created by the library; the date file needs it to exist.
  EXPECT_THROW(device->StoreZReportDate(EncodeDate(2022, 10, 10)), Error);
  std::filesystem::create_directories(work / "LogFiles/FiscalPrinter");
  EXPECT_TRUE(device->StoreZReportDate(EncodeDateTime({2022, 10, 10, 15, 30, 0, 0})));
  EXPECT_EQ(testing::ReadFile(device->ZReportDateFileName()), "2022-10-10\r\n");
  EXPECT_EQ(device->LoadZReportDate(), EncodeDate(2022, 10, 10));
  { std::ofstream(work / "LogFiles/FiscalPrinter/99MEX012345_ZrepDate.stv") << "10/10/2022\r\n"; }
  try {
    device->LoadZReportDate();
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"DateTime Format invalid: [10/10/2022]");
  }
  std::filesystem::current_path(old);
}

}  // namespace
}  // namespace qx
