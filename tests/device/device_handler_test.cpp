#include "device/device_handler.h"

#include <gtest/gtest.h>

#include "device/receipt_printer_handler.h"
#include "support/error.h"
#include "transport/io_handler.h"

namespace qx {
namespace {

std::unique_ptr<kDeviceHandler> Read(const std::string& aXml) {
  auto handler = std::make_unique<kDeviceHandler>();
  handler->Deserialize(FromUtf8(aXml));
  return handler;
}

String ErrorOf(const std::string& aXml) {
  try {
    Read(aXml);
  } catch (const Error& e) {
    return e.Message();
  }
  return u"(no error)";
}

TEST(Configuration, OnlyARootElement) {
  const auto h = Read("<Request/>");
  EXPECT_EQ(h->fDriver, u"");
  EXPECT_EQ(h->fLogId, u"");
  EXPECT_EQ(h->fDeviceHandle, 0);
  EXPECT_EQ(h->fConnection->ConnectionType(), qxConnectionType::OPOS);
  EXPECT_EQ(h->fConnection->ConnectTimeOut(), 1000);
  EXPECT_EQ(h->fConnection->ReadTimeOut(), 1000);
  EXPECT_TRUE(h->fParameters.empty());
}

TEST(Configuration, ConnectionSettingsByType) {
  const auto serial = Read(
      "<R><Driver>QXRP_EPSFPNAT_20</Driver><Handle>3</Handle><Connection><Type>SERIAL</Type>"
      "<SerialPort>COM2</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>Even</Parity>"
      "<StopBits>1</StopBits><Address>ignored</Address><URL>http://p</URL><AuthType>digest</AuthType>"
      "<ConnectTimeout>0</ConnectTimeout><ReadTimeout>2500</ReadTimeout></Connection></R>");
  const kConnection& c = *serial->fConnection;
  EXPECT_EQ(serial->fDeviceHandle, 3);
  EXPECT_EQ(c.ConnectionType(), qxConnectionType::Serial);
  EXPECT_EQ(c.SerialPort(), u"COM2");
  EXPECT_EQ(c.Speed(), 115200);
  EXPECT_EQ(c.Parity(), qxParity::Even);
  EXPECT_EQ(c.Address(), u"");  // not read for serial
  EXPECT_EQ(c.URL(), u"http://p");
  EXPECT_EQ(c.AuthType(), at_Digest);
  EXPECT_EQ(c.ConnectTimeOut(), 1000);
  EXPECT_EQ(c.ReadTimeOut(), 2500);
  // Parity is not read for TCP, so its absence is no error there.
  const auto tcp = Read("<R><Connection><Type>Tcp</Type><Address>10.0.0.1</Address><Port>9100</Port>"
                        "<ConnectTimeout>-5</ConnectTimeout></Connection></R>");
  EXPECT_EQ(tcp->fConnection->Address(), u"10.0.0.1");
  EXPECT_EQ(tcp->fConnection->Port(), 9100);
  EXPECT_EQ(tcp->fConnection->ConnectTimeOut(), 1000);
}

TEST(Configuration, Parameters) {
  const auto h = Read(
      "<R><Connection><Type>opos</Type><DeviceName>FP1</DeviceName></Connection><Parameters>"
      "<HexLog>TRUE</HexLog><DeviceName></DeviceName><Twice>first</Twice><Twice>second</Twice>"
      "<ConnectTimeout>4000</ConnectTimeout></Parameters></R>");
  EXPECT_EQ(h->GetParameter(u"hexlog"), u"TRUE");
  EXPECT_EQ(h->GetParameter(u"HEXLOG"), u"TRUE");
  EXPECT_TRUE(h->ParameterIsTrue(u"HexLog"));
  EXPECT_TRUE(h->ParameterExists(u"devicename"));
  EXPECT_EQ(h->fConnection->DeviceName(), u"");  // an empty parameter empties it
  EXPECT_EQ(h->GetParameter(u"Twice"), u"first");
  EXPECT_EQ(h->fParameters, (StringList{u"hexlog=TRUE", u"devicename=", u"twice=first", u"twice=first",
                                        u"connecttimeout=4000"}));
  EXPECT_EQ(h->fConnection->ConnectTimeOut(), 4000);
  EXPECT_FALSE(h->ParameterExists(u"Missing"));
  EXPECT_EQ(h->GetParameter(u"Missing"), u"");
}

TEST(Configuration, FailureMessages) {
  struct Case { const char* xml; const char16_t* message; };
  const Case cases[] = {
      {"<R><Connection><Type></Type></Connection></R>", u"Connection Type  is not valid"},
      {"<R><Connection><Type>usb</Type></Connection></R>", u"Connection Type usb is not valid"},
      {"<R><Connection><Type>serial</Type></Connection></R>", u"Connection Parity  is not valid"},
      {"<R><Connection><Type>serial</Type><Parity>Mark</Parity></Connection></R>",
       u"Connection Parity Mark is not valid"},
      {"<R><Handle>abc</Handle></R>", u"Error in processing node Handle as integer.\r\n'abc' is not a valid integer value"},
      {"<R><Connection><Type>tcp</Type><Port>x1</Port></Connection></R>",
       u"Error in processing node Port as integer.\r\n'x1' is not a valid integer value"},
      {"<R><Parameters><ConnectTimeout>1.5</ConnectTimeout></Parameters></R>", u"'1.5' is not a valid integer value"},
      // Values that would be taken changed, or that no line runs at.
      {"<R><Connection><Type>tcp</Type><Port>70000</Port></Connection></R>",
       u"Connection Port 70000 is not valid: ports are 1 to 65535"},
      {"<R><Connection><Type>http</Type><Port>-1</Port></Connection></R>",
       u"Connection Port -1 is not valid: ports are 1 to 65535"},
      {"<R><Connection><Type>serial</Type><Parity>none</Parity><Speed>0</Speed></Connection></R>",
       u"Connection Speed 0 is not valid"},
      {"<R><Connection><Type>serial</Type><Parity>none</Parity></Connection></R>", u"Connection Speed 0 is not valid"},
      {"<R><Connection><Type>serial</Type><Parity>none</Parity><Speed>-9600</Speed></Connection></R>",
       u"Connection Speed -9600 is not valid"},
      {"<R><Connection><Type>tcp</Type><ReadTimeout>600001</ReadTimeout></Connection></R>",
       u"Connection ReadTimeout 600001 is not valid: at most 600000 ms"},
      {"<R><Connection><Type>tcp</Type><ConnectTimeout>2147483647</ConnectTimeout></Connection></R>",
       u"Connection ConnectTimeout 2147483647 is not valid: at most 600000 ms"},
      {"<R><Parameters><ConnectTimeout>900000</ConnectTimeout></Parameters></R>",
       u"Connection ConnectTimeout 900000 is not valid: at most 600000 ms"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.xml), c.message) << c.xml;
  EXPECT_NE(ErrorOf("not xml"), u"(no error)");
}

TEST(Configuration, TransportAndItsLog) {
  const auto h = Read("<R><Driver>QXRP_EPSFPNAT_20</Driver><Connection><Type>tcp</Type></Connection>"
                      "<Parameters><HexLog>true</HexLog></Parameters></R>");
  const std::unique_ptr<kIOHandler> io = h->CreateIOHandler(u"");
  EXPECT_TRUE(io->HexLog());
  EXPECT_EQ(io->GetLogFileName(), u"");  // no directory: no log
  const auto opos = Read("<R><Connection><Type>opos</Type></Connection></R>");
  EXPECT_EQ(opos->CreateIOHandler(u"")->ClassName(), u"kIOHandler_OPOS");
}

TEST(Configuration, DocumentsAreReadInAFixedOrder) {
  kReceiptPrinterHandler handler;
  // Both documents are missing: the drawer is read before the VAT table.
  try {
    handler.Deserialize(u"<R/>", {dt_VatTable, dt_Drawer});
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"Drawer node not found");
  }
  kReceiptPrinterHandler dept;
  dept.Deserialize(u"<R><DeptTable><Department><Index>1</Index><Code>R1</Code><EACode>E</EACode>"
                   u"</Department></DeptTable></R>",
                   {dt_DeptTable});
  EXPECT_EQ(dept.fDeptTable->Count(), 1u);
  EXPECT_EQ(dept.fEATable->Count(), 1u);
}

}  // namespace
}  // namespace qx
