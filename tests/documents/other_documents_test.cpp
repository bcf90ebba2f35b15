// The request documents besides the fiscal receipt.
#include <gtest/gtest.h>

#include "documents/customer_display.h"
#include "documents/dept_table.h"
#include "documents/drawer.h"
#include "documents/economic_activity_table.h"
#include "documents/ej_files_request.h"
#include "documents/ej_report.h"
#include "documents/nf_receipt.h"
#include "documents/payment_receipt.h"
#include "documents/receipt_reference.h"
#include "documents/rpt_util.h"
#include "documents/vat_table.h"
#include "documents/x_report.h"
#include "documents/z_report.h"
#include "support/date_time.h"
#include "test_helpers.h"

namespace qx {
namespace {

using test::RaisedMessage;

Currency Amt(const char16_t* aText) { return Currency::FromText(aText); }

template <typename Doc>
void Read(Doc& aDoc, const std::string& aBody) {
  aDoc.Deserialize(test::Root(*test::Request(aBody)));
}

template <typename Doc>
std::string ReadError(const std::string& aBody) {
  return RaisedMessage([&] {
    Doc doc;
    Read(doc, aBody);
  });
}

template <typename T>
const T& As(const kReceiptMessageLine& aLine) {
  const T* line = dynamic_cast<const T*>(&aLine);
  EXPECT_NE(line, nullptr);
  return *line;
}

TEST(OtherDocumentSamples, NonFiscalReceipt) {
  kNFReceipt nf;
  nf.Deserialize(test::Root(*test::Sample("nf_receipt.xml")));
  EXPECT_EQ(nf.fReceiptNumber, u"77");
  EXPECT_EQ(nf.fReceiptDateTime, EncodeDateTime({2024, 3, 5, 12, 30, 0, 0}));
  EXPECT_EQ(nf.fLayout, u"DocumentLayout");
  EXPECT_TRUE(nf.fDefaultLayout);
  EXPECT_EQ(nf.fCompanyTaxCode, u"01234567890");
  EXPECT_EQ(nf.fOperatorCode, u"7");

  ASSERT_EQ(nf.fHeaderLines.Count(), 2u);
  const auto& logo = As<kReceiptMessageImageLine>(nf.fHeaderLines[0]);
  EXPECT_EQ(logo.fValue, u"logo");
  EXPECT_EQ(logo.fSource, is_Resource);
  const auto& title = As<kReceiptMessageTextLine>(nf.fHeaderLines[1]);
  EXPECT_EQ(title.fEffects, (qxReceiptMessageLineEffectSet{le_bold, le_doublewidth}));
  EXPECT_EQ(title.fSize, 2);
  ASSERT_EQ(nf.fLines.Count(), 3u);
  EXPECT_EQ(As<kReceiptMessageTextLine>(nf.fLines[1]).fEffects, qxReceiptMessageLineEffectSet{le_underline});
  EXPECT_EQ(As<kReceiptMessageBarcodeLine>(nf.fLines[2]).fBarcodeType, bt_CODE128);
  ASSERT_EQ(nf.fFooterLines.Count(), 2u);
  EXPECT_EQ(As<kReceiptMessageBarcodeLine>(nf.fFooterLines[1]).fQRCodeMinVersion, 3);

  const std::pair<const kReceiptMessageLines*, qxReceiptSection> blocks[] = {
      {&nf.fHeaderLines, rs_lead}, {&nf.fLines, rs_body}, {&nf.fFooterLines, rs_trail}};
  for (const auto& [lines, section] : blocks) {
    for (const kReceiptMessageLine& line : *lines) {
      EXPECT_EQ(line.fSection, section);
      EXPECT_EQ(line.fNFOwner, &nf);
      EXPECT_EQ(line.fOwner, nullptr);
    }
  }
}

TEST(OtherDocumentSamples, EveryOtherDocument) {
  kCustomerDisplay display;
  display.Deserialize(test::Root(*test::Sample("display.xml")));
  EXPECT_TRUE(display.fClear);
  ASSERT_EQ(display.fLines.Count(), 2u);
  EXPECT_EQ(display.fLines[0].Value(), u"TOT.");
  EXPECT_EQ(display.fLines[1].fAlignment, la_right);

  kDrawer drawer;
  drawer.Deserialize(test::Root(*test::Sample("drawer.xml")));
  EXPECT_EQ(drawer.fNumber, 1);

  kEJReport ej;
  ej.Deserialize(test::Root(*test::Sample("ej_report.xml")));
  EXPECT_EQ(ej.fReportType, ejrt_FiscalReceipt);
  EXPECT_EQ(ej.fDestination, rd_Printer);
  EXPECT_EQ(ej.fStartDate, EncodeDate(2024, 3, 5));
  EXPECT_EQ(ej.fEndDate, EncodeDateTime({2024, 3, 5, 23, 59, 59, 0}));
  EXPECT_EQ(ej.fStartNumber, 1);
  EXPECT_EQ(ej.fEndNumber, 9999);

  kVatTable vat;
  vat.Deserialize(test::Root(*test::Sample("vat_table.xml")));
  ASSERT_EQ(vat.Count(), 3u);
  EXPECT_EQ(vat[0].fCode, u"2200");
  EXPECT_EQ(vat[0].fDescription, u"IVA 22%");
  EXPECT_EQ(vat[2].fRate, Amt(u"4"));
  EXPECT_EQ(vat[2].fIndex, 0);

  auto deptRequest = test::Sample("dept_table.xml");
  kEconomicActivityTable activities;
  kDeptTable depts;
  activities.Deserialize(test::Root(*deptRequest));
  depts.Deserialize(test::Root(*deptRequest));
  ASSERT_EQ(activities.Count(), 2u);
  EXPECT_EQ(activities[0].fCode, u"563000");
  EXPECT_EQ(activities[0].fDescription, u"Bar e caffetterie");
  EXPECT_FALSE(activities[0].fVentilazione);
  EXPECT_EQ(activities[1].fIndex, 2);
  EXPECT_TRUE(activities[1].fVentilazione);
  ASSERT_EQ(depts.Count(), 3u);
  EXPECT_EQ(depts[1].fVATCode, u"2200");
  EXPECT_EQ(depts[1].fEACode, u"476200");
  EXPECT_EQ(depts[2].fSalesType, st_Service);

  kPaymentReceipt pay;
  pay.Deserialize(test::Root(*test::Sample("payment.xml")));
  EXPECT_EQ(pay.fCopies, 1);
  EXPECT_EQ(pay.fReference, u"1006");
  EXPECT_EQ(pay.fAmount, Amt(u"12.5"));
  EXPECT_EQ(pay.fCurrency, u"EUR");
  EXPECT_EQ(pay.fReceiptId, u"R-1006");
  EXPECT_EQ(pay.fPrintLocation, pl_ECR);
  EXPECT_TRUE(pay.fReceiptLines.empty());

  kReceiptReference ref;
  ref.Deserialize(test::Root(*test::Sample("receipt_reference.xml")));
  EXPECT_EQ(ref.fReceiptType, rt_Sale);
  EXPECT_EQ(ref.fEJNumber, u"0012");
  EXPECT_EQ(ref.fEJClosingNumber, u"0345");
  EXPECT_EQ(ref.fReceiptDateTime, EncodeDateTime({2024, 3, 5, 10, 15, 0, 0}));
  EXPECT_EQ(ref.fReceiptNumber, u"1001");
  EXPECT_EQ(ref.fDeviceSerialNumber, u"99MEY012345");

  kEJFilesRequest files;
  files.Deserialize(test::Root(*test::Sample("ej_files_request.xml")));
  EXPECT_EQ(files.fReqType, ej_xml);
  EXPECT_EQ(files.fStartDate, EncodeDate(2024, 3, 1));
  EXPECT_EQ(files.fOutputDir, u"/var/lib/pos/rtfiles");

  kXReport x;
  x.Deserialize(test::Root(*test::Sample("x_report.xml")));
  EXPECT_EQ(x.fStoreCode, u"0042");
  kZReport z;
  z.Deserialize(test::Root(*test::Sample("z_report.xml")));
  EXPECT_EQ(z.fTillCode, u"01");
}

TEST(OtherDocumentSamples, EverySampleIsAWholeRequest) {
  for (const char* name : {"open.xml", "sale.xml", "refund.xml", "void.xml", "invoice.xml", "receipt_all_lines.xml",
                           "nf_receipt.xml", "display.xml", "drawer.xml", "ej_report.xml", "vat_table.xml",
                           "dept_table.xml", "get_vat_table.xml", "get_dept_table.xml", "payment.xml", "receipt_reference.xml", "ej_files_request.xml",
                           "x_report.xml", "z_report.xml"}) {
    SCOPED_TRACE(name);
    auto doc = test::Sample(name);
    const pugi::xml_node root = test::Root(*doc);
    EXPECT_EQ(krptUtil::GetNodeValueAsString(root, "Driver"), u"QXRP_EPSFPNAT_20");
    EXPECT_EQ(krptUtil::GetNodeValueAsString(root, "LogId"), u"till01");
    EXPECT_EQ(krptUtil::GetNodeValueAsString(root.child("Connection"), "Type"), u"serial");
    EXPECT_EQ(krptUtil::GetNodeValueAsInteger(root.child("Connection"), "ReadTimeout"), 5000);
    EXPECT_TRUE(root.child("Parameters"));
  }
}

TEST(OtherDocuments, FaultyDocumentsReportTheFirstErrorInReadingOrder) {
  using NF = kNFReceipt;
  struct Case { std::function<std::string(const std::string&)> read; std::string body; const char* message; };
  const Case cases[] = {
      {ReadError<NF>, "", "NFReceipt node not found"},
      {ReadError<NF>, "<X><NFReceipt/></X>", "NFReceipt node not found"},
      {ReadError<kCustomerDisplay>, "", "Display node not found"},
      {ReadError<kDrawer>, "", "Drawer node not found"},
      {ReadError<kEJReport>, "", "EJReport node not found"},
      {ReadError<kVatTable>, "", "VATTable node not found"},
      {ReadError<kDeptTable>, "", "DeptTable node not found"},
      {ReadError<kEconomicActivityTable>, "", "DeptTable node not found"},
      {ReadError<kPaymentReceipt>, "", "Payment node not found"},
      {ReadError<kReceiptReference>, "", "ReceiptReference node not found"},
      {ReadError<kEJFilesRequest>, "", "EJRequest node not found"},
      // Non-fiscal receipt.
      {ReadError<NF>, "<NFReceipt><Lines><Text><Value>x</Value></Text></Lines></NFReceipt>", "Alignment  is invalid"},
      {ReadError<NF>, "<NFReceipt><Lines><Text><Alignment>left</Alignment><Effects>bold, italic</Effects></Text></Lines></NFReceipt>",
       "Effect  italic is invalid"},
      {ReadError<NF>, "<NFReceipt><DateTime>2024-03-05</DateTime></NFReceipt>",
       "Error in processing node DateTime as datetime.\r\nDateTime Format invalid: [2024-03-05]"},
      // The header reads a barcode's Type last, the other blocks right after Value.
      {ReadError<NF>, "<NFReceipt><Header><Lines><Barcode><Type>x</Type><HRI>x</HRI></Barcode></Lines></Header></NFReceipt>",
       "Error in processing node HRI as boolean.\r\n'x' is not a valid boolean value"},
      {ReadError<NF>, "<NFReceipt><Lines><Barcode><Type>x</Type><HRI>x</HRI></Barcode></Lines></NFReceipt>",
       "BarcodeType x is invalid"},
      {ReadError<NF>, "<NFReceipt><Footer><Lines><Barcode><Type>x</Type><HRI>x</HRI></Barcode></Lines></Footer></NFReceipt>",
       "BarcodeType x is invalid"},
      // The body reads an image's Source before its Value, header and footer after it.
      {ReadError<NF>, "<NFReceipt><Lines><Image><Alignment>left</Alignment><Value><V/></Value></Image></Lines></NFReceipt>",
       "Image Source  is invalid"},
      {ReadError<NF>, "<NFReceipt><Header><Lines><Image><Alignment>left</Alignment><Value><V/></Value></Image></Lines></Header></NFReceipt>",
       "Error in processing node Value as string.\r\nElement \"Value\" does not contain a single text node"},
      {ReadError<NF>, "<NFReceipt><Footer><Lines><Image><Alignment>left</Alignment><Source>web</Source></Image></Lines></Footer></NFReceipt>",
       "Image Source web is invalid"},
      {ReadError<NF>, "<NFReceipt><Lines><Image><Source>x</Source></Image></Lines></NFReceipt>", "Alignment  is invalid"},
      // Header before body before footer.
      {ReadError<NF>, "<NFReceipt><Footer><Lines><Text/></Lines></Footer><Lines><Barcode/></Lines></NFReceipt>",
       "BarcodeType  is invalid"},
      // The others.
      {ReadError<kCustomerDisplay>, "<Display><Clear>maybe</Clear></Display>",
       "Error in processing node Clear as boolean.\r\n'maybe' is not a valid boolean value"},
      {ReadError<kCustomerDisplay>, "<Display><Lines><Text><Value>Hi</Value></Text></Lines></Display>", "Alignment  is invalid"},
      {ReadError<kDrawer>, "<Drawer><Number>one</Number></Drawer>",
       "Error in processing node Number as integer.\r\n'one' is not a valid integer value"},
      {ReadError<kEJReport>, "<EJReport/>", "ReportType  is invalid"},
      {ReadError<kEJReport>, "<EJReport><ReportType>invoice</ReportType></EJReport>", "ReportDestination  is invalid"},
      {ReadError<kEJReport>, "<EJReport><ReportType>invoice</ReportType><ReportDestination>memory</ReportDestination></EJReport>",
       "DateTime Format invalid: []"},
      {ReadError<kEJReport>, "<EJReport><ReportType>invoice</ReportType><ReportDestination>memory</ReportDestination>"
                             "<StartDate>2024-03-05T00:00:00</StartDate><EndDate>tomorrow</EndDate></EJReport>",
       "DateTime Format invalid: [tomorrow]"},
      {ReadError<kVatTable>, "<VATTable><VAT><Rate>22,5</Rate></VAT></VATTable>",
       "Error in processing node Rate as currency.\r\n'22,5' is not a valid floating point value"},
      {ReadError<kPaymentReceipt>, "<Payment><PrintLocation>eft</PrintLocation></Payment>",
       "Payment Location eft invalid. Allowed values are: ECR,EFT."},
      {ReadError<kPaymentReceipt>, "<Payment><Copies>2147483648</Copies><PrintLocation>x</PrintLocation></Payment>",
       "Error in processing node Copies as integer.\r\n'2147483648' is not a valid integer value"},
      {ReadError<kPaymentReceipt>, "<Payment><Amount>1e999</Amount></Payment>",
       "Error in processing node Amount as currency.\r\n'1e999' is not a valid floating point value"},
      {ReadError<kReceiptReference>, "<ReceiptReference/>", "ReceiptType  is invalid"},
      {ReadError<kReceiptReference>, "<ReceiptReference><ReceiptType>void</ReceiptType><ReceiptDateTime>x</ReceiptDateTime></ReceiptReference>",
       "Error in processing node ReceiptDateTime as datetime.\r\nDateTime Format invalid: [x]"},
      {ReadError<kEJFilesRequest>, "<EJRequest><RequestType>json</RequestType></EJRequest>", "ReferenceType json is invalid"},
      {ReadError<kEJFilesRequest>, "<EJRequest><RequestType>xml</RequestType><StartDate>2024</StartDate></EJRequest>",
       "Error in processing node StartDate as datetime.\r\nDateTime Format invalid: [2024]"},
      {ReadError<kXReport>, "<XReport><StoreCode><A/></StoreCode></XReport>",
       "Error in processing node StoreCode as string.\r\nElement \"StoreCode\" does not contain a single text node"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.read(c.body), c.message) << c.body;
}

TEST(OtherDocuments, NonFiscalAndDisplayRules) {
  kNFReceipt nf;
  Read(nf, "<NFReceipt><Layout>Slim</Layout><Footer><Lines><Image><Alignment>right</Alignment><Source>FileSystem</Source>"
           "<Value>/img/logo.bmp</Value></Image><Text><Alignment>left</Alignment><Effects>bold,underline</Effects>"
           "<Value>TOTALE \u00E0</Value></Text><Unknown/></Lines></Footer></NFReceipt>");
  EXPECT_EQ(nf.fLayout, u"Slim");
  EXPECT_FALSE(nf.fDefaultLayout);
  ASSERT_EQ(nf.fFooterLines.Count(), 2u);
  const auto& image = As<kReceiptMessageImageLine>(nf.fFooterLines[0]);
  EXPECT_EQ(image.fSection, rs_trail);
  EXPECT_EQ(image.fSource, is_FileSystem);
  EXPECT_EQ(image.Value(), u"/img/logo.bmp");
  const auto& text = As<kReceiptMessageTextLine>(nf.fFooterLines[1]);
  EXPECT_EQ(text.fEffects, (qxReceiptMessageLineEffectSet{le_bold, le_underline}));
  EXPECT_EQ(text.Value(), u"TOT.  ");
  nf.fSupportSpecialChars = true;
  EXPECT_EQ(text.Value(), u"TOTALE \u00E0");

  kCustomerDisplay display;
  Read(display, "<Display><Lines><Text><Value>TOTALE</Value><Alignment>left</Alignment></Text>"
                "<Barcode><Value>1</Value></Barcode><Text><Value>\u20AC 5</Value><Alignment>right</Alignment></Text>"
                "</Lines></Display>");
  EXPECT_FALSE(display.fClear);
  ASSERT_EQ(display.fLines.Count(), 2u);
  EXPECT_EQ(display.fLines[0].Value(), u"TOT.");
  EXPECT_EQ(display.fLines[1].Value(), u"E 5");
  EXPECT_EQ(display.fLines[1].fOwner, nullptr);
  EXPECT_EQ(display.fLines[1].fNFOwner, nullptr);
}

TEST(OtherDocuments, JournalPaymentAndReferenceRules) {
  kEJReport ej;
  Read(ej, "<EJReport><ReportType>ZReport</ReportType><ReportDestination>Memory</ReportDestination>"
           "<StartDate>2024-03-01T00:00:00</StartDate><EndDate>2024-03-02T00:00:00</EndDate>"
           "<StartNumber>abc</StartNumber><EndNumber>99999999999</EndNumber></EJReport>");
  EXPECT_EQ(ej.fStartNumber, 0);
  EXPECT_EQ(ej.fEndNumber, 0);
  Read(ej, "<EJReport><ReportType>ZReport</ReportType><ReportDestination>Memory</ReportDestination>"
           "<StartDate>2024-03-01T00:00:00</StartDate><EndDate>2024-03-02T00:00:00</EndDate>"
           "<StartNumber><N>1</N></StartNumber><EndNumber> 42</EndNumber></EJReport>");
  EXPECT_EQ(ej.fDestination, rd_Memory);
  EXPECT_EQ(ej.fStartNumber, 0);
  EXPECT_EQ(ej.fEndNumber, 42);

  kPaymentReceipt pay;
  Read(pay, "<Payment><Copies>-2</Copies><PrintLocation>EFT</PrintLocation></Payment>");
  EXPECT_EQ(pay.fCopies, 0);
  EXPECT_EQ(pay.fPrintLocation, pl_EFT);
  kPaymentReceipt noLocation;
  Read(noLocation, "<Payment><PrintLocation/></Payment>");
  EXPECT_EQ(noLocation.fPrintLocation, pl_ECR);

  kReceiptReference ref;
  Read(ref, "<ReceiptReference><ReceiptType>Refund</ReceiptType><ReceiptDateTime/></ReceiptReference>");
  EXPECT_EQ(ref.fReceiptType, rt_Refund);
  EXPECT_EQ(ref.fReceiptDateTime, 0.0);

  kEJFilesRequest files;
  Read(files, "<EJRequest><RequestType>Xml</RequestType><StartDate/></EJRequest>");
  EXPECT_EQ(files.fStartDate, 0.0);
  EXPECT_EQ(files.fEndDate, 0.0);

  // The report requests are optional.
  kXReport x;
  EXPECT_NO_THROW(Read(x, "<ZReport><StoreCode>1</StoreCode></ZReport>"));
  EXPECT_EQ(x.fStoreCode, u"");
  kZReport z;
  EXPECT_NO_THROW(Read(z, ""));
  EXPECT_EQ(z.fTillCode, u"");
}

TEST(OtherDocuments, DepartmentTableReadTwice) {
  const std::string body =
      "<DeptTable>"
      "<D><Code>1</Code><SalesType>SERVICE</SalesType><EACode>A</EACode><EADescription>first</EADescription>"
      "<EAVATMode>1</EAVATMode></D>"
      "<D><Code>2</Code><SalesType>goods</SalesType><EACode>B</EACode><EAVATMode>01</EAVATMode></D>"
      "<D><Code>3</Code><EACode>A</EACode><EADescription>ignored</EADescription></D>"
      "<D><Code>4</Code><SalesType>Product</SalesType><EACode></EACode></D>"
      "<D><Code>5</Code><EACode>C</EACode><EAVATMode>true</EAVATMode></D>"
      "</DeptTable>";
  auto doc = test::Request(body);
  kEconomicActivityTable activities;
  activities.Deserialize(test::Root(*doc));
  ASSERT_EQ(activities.Count(), 3u);
  const char16_t* codes[] = {u"A", u"B", u"C"};
  const bool modes[] = {true, false, false};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(activities[i].fCode, codes[i]);
    EXPECT_EQ(activities[i].fIndex, static_cast<int32_t>(i + 1));
    EXPECT_EQ(activities[i].fVentilazione, modes[i]);
  }
  EXPECT_EQ(activities[0].fDescription, u"first");

  // Reading again appends only what is new, numbered after the entries already there.
  kEconomicActivityTable again;
  Read(again, "<DeptTable><D><EACode>Z</EACode></D></DeptTable>");
  again.Deserialize(test::Root(*doc));
  ASSERT_EQ(again.Count(), 4u);
  EXPECT_EQ(again[1].fCode, u"A");
  EXPECT_EQ(again[1].fIndex, 2);

  kDeptTable depts;
  depts.Deserialize(test::Root(*doc));
  ASSERT_EQ(depts.Count(), 5u);
  const qxDepartmentSalesType types[] = {st_Service, st_Product, st_Product, st_Product, st_Product};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(depts[i].fSalesType, types[i]);
    EXPECT_EQ(depts[i].fIndex, 0);
  }
  EXPECT_EQ(depts[3].fEACode, u"");
}

TEST(OtherDocuments, TableLookups) {
  kVatTable vat;
  auto add = [&](int32_t aIndex, const char16_t* aCode, const char16_t* aRate) {
    auto v = std::make_unique<kVat>();
    v->fIndex = aIndex;
    v->fCode = aCode;
    v->fRate = Amt(aRate);
    vat.Add(std::move(v));
  };
  EXPECT_EQ(vat.GetFirstAvailableIndex(), 1);
  add(1, u"A", u"22");
  add(2, u"b", u"0");
  add(3, u"C", u"10");
  add(3, u"D", u"4");
  EXPECT_EQ(vat.GetFirstAvailableIndex(), 4);
  EXPECT_EQ(vat.Get(u"C"), &vat[2]);
  EXPECT_EQ(vat.Get(u"B"), nullptr);  // case-sensitive
  EXPECT_EQ(vat.GetByIndex(3), &vat[2]);  // the first with that index
  EXPECT_EQ(vat.GetByIndex(9), nullptr);
  vat.Delete(2);
  vat.Delete(2);
  vat.Delete(0);
  EXPECT_EQ(vat.Count(), 1u);
  EXPECT_EQ(vat.GetFirstAvailableIndex(), 1);  // only a rate of 0 is left

  kDeptTable depts;
  Read(depts, "<DeptTable><D><Code>01</Code></D><D><Code>02</Code></D></DeptTable>");
  depts[1].fIndex = 2;
  EXPECT_EQ(depts.Get(u"02"), &depts[1]);
  EXPECT_EQ(depts.GetByIndex(2), &depts[1]);
  EXPECT_EQ(depts.GetByIndex(0), &depts[0]);
  kEconomicActivityTable activities;
  Read(activities, "<DeptTable><D><EACode>X</EACode></D></DeptTable>");
  EXPECT_EQ(activities.GetByIndex(1), activities.Get(u"X"));
  EXPECT_EQ(activities.Get(u"x"), nullptr);
}

}  // namespace
}  // namespace qx
