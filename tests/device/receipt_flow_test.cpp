// The receipt flow of the device core over the recording driver: the order of the driver
// operations, the total, the payment failure, the weighted sale and the receipt picture.
#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>

#include "device/device_fixture.h"
#include "device/receipt_image.h"
#include "support/error.h"

namespace qx {
namespace {

using testing::Handler;
using testing::RecordingDriver;
using testing::Request;

std::string ReceiptRequest(const std::string& aLines, const std::string& aPayments, const std::string& aMore = "") {
  return "<Receipt><Type>Sale</Type><CurrencyCode>EUR</CurrencyCode>" + aMore + "<Lines>" + aLines +
         "</Lines><Taxes/><Payments>" + aPayments + "</Payments></Receipt>";
}

const std::string kTwoLines =
    "<ProductSale><Description>Pane</Description><Quantity>2</Quantity><Price>1.50</Price><Amount>3.00</Amount>"
    "</ProductSale><Text><Description>Nota</Description></Text>";
const std::string kTwoPayments = "<Payment><Type>Cash</Type><Amount>1</Amount></Payment>"
                                 "<Payment><Type>CreditCard</Type><Amount>2</Amount></Payment>";

// Remembers the lines it is given and may hand out a receipt text.
class ReceiptDriver : public RecordingDriver {
 public:
  using RecordingDriver::RecordingDriver;
  bool Text(kReceipt& aReceipt, kReceiptLineText& aLine) override {
    fTexts.push_back(aLine.fDescription);
    return RecordingDriver::Text(aReceipt, aLine);
  }
  bool ProductSale(kReceipt& aReceipt, kReceiptLineProductSale& aLine) override {
    fSales.push_back({aLine.fDescription, aLine.fQuantity, aLine.fPrice, aLine.fAmount});
    return RecordingDriver::ProductSale(aReceipt, aLine);
  }
  bool GetLastReceiptInfo(TDateTime& aDateTime, String& aReceiptNumber, String& aEJNumber, String& aEJClosingNumber,
                          String& aDeviceSerialNumber) override {
    aDateTime = 45000.5;
    aReceiptNumber = u"17";
    aEJNumber = u"0";
    aEJClosingNumber = u"3";
    aDeviceSerialNumber = u"99MEB012345";
    return RecordingDriver::GetLastReceiptInfo(aDateTime, aReceiptNumber, aEJNumber, aEJClosingNumber,
                                               aDeviceSerialNumber);
  }
  bool GetReceiptText(kReceiptReference& aReference, String& aText) override {
    fReference = aReference.fReceiptNumber;
    aText = fText;
    return RecordingDriver::GetReceiptText(aReference, aText);
  }
  struct Sale {
    String description;
    Currency quantity, price, amount;
  };
  std::vector<String> fTexts;
  std::vector<Sale> fSales;
  String fText;
  String fReference;
};

class ReceiptFlow : public ::testing::Test, public testing::DeviceFixture {
 protected:
  _int_PRINTFR_result Print(ReceiptDriver& aDevice, const std::string& aReceipt, const std::string& aParameters = "") {
    fHandler = Handler(Request("<Parameters>" + aParameters + "</Parameters>" + aReceipt), {dt_Receipt});
    return aDevice.Pub_PrintReceipt(*fHandler);
  }
  std::unique_ptr<kReceiptPrinterHandler> fHandler;
};

TEST_F(ReceiptFlow, SectionsInOrderAndTheAnswer) {
  auto device = MakeDevice<ReceiptDriver>();
  const std::string trailer =
      "<TrailerMessages><Text><Value>Ciao</Value><Alignment>Left</Alignment></Text><Image><Alignment>Left</Alignment>"
      "</Image><Barcode><Value>123</Value><Type>EAN13</Type></Barcode></TrailerMessages>";
  const _int_PRINTFR_result r =
      Print(*device, ReceiptRequest(kTwoLines, kTwoPayments, "<InvoiceNumber>F1</InvoiceNumber>" + trailer));
  EXPECT_FALSE(r.Error);
  EXPECT_EQ(device->fCalls, (std::vector<std::string>{"IsReady", "BeginFiscalReceipt", "ProductSale", "Text", "Total",
                                                      "Total", "PrintTrailerMessageTextLine",
                                                      "PrintTrailerMessageBarcode", "EndFiscalReceipt",
                                                      "GetLastReceiptInfo"}));
  EXPECT_EQ(r.ReceiptNumber, u"17");
  EXPECT_EQ(r.EJClosingNumber, u"3");
  EXPECT_EQ(r.ReceiptDateTime, 45000.5);
  EXPECT_EQ(r.InvoiceNumber, u"F1");
  // Without a total the calculated one stands; a total given is kept.
  EXPECT_EQ(fHandler->fReceipt->fTotalAmount, Currency::FromInt(3));
  Print(*device, ReceiptRequest(kTwoLines, kTwoPayments, "<TotalAmount>9</TotalAmount>"));
  EXPECT_EQ(fHandler->fReceipt->fTotalAmount, Currency::FromInt(9));
}

TEST_F(ReceiptFlow, AFailingLineStopsTheReceipt) {
  auto device = MakeDevice<ReceiptDriver>();
  device->fFailing = {"Text"};
  const _int_PRINTFR_result r = Print(*device, ReceiptRequest(kTwoLines, kTwoPayments));
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.ErrorText, u"Text failed");
  EXPECT_TRUE(r.ReceiptNumber.empty());
  EXPECT_EQ(device->fCalls, (std::vector<std::string>{"IsReady", "BeginFiscalReceipt", "ProductSale", "Text"}));
}

TEST_F(ReceiptFlow, AFailingPaymentIsRaised) {
  auto device = MakeDevice<ReceiptDriver>();
  device->fFailing = {"Total"};
  try {
    Print(*device, ReceiptRequest(kTwoLines, kTwoPayments));
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), u"Error while processing Payments");
  }
  EXPECT_EQ(device->fCalls.back(), "Total");
}

TEST_F(ReceiptFlow, WeightedSaleIsATextLineAndASaleOfOne) {
  auto device = MakeDevice<ReceiptDriver>();
  const _int_PRINTFR_result r = Print(
      *device, ReceiptRequest("<WeightedProductSale><Description>Mele</Description><Quantity>1.25</Quantity>"
                              "<UOM>KG</UOM><Price>2.00</Price><Amount>2.50</Amount><Tare>0.1</Tare>"
                              "</WeightedProductSale>",
                              ""));
  EXPECT_FALSE(r.Error);
  ASSERT_EQ(device->fTexts.size(), 1u);
  EXPECT_EQ(device->fTexts[0], u" 1.250 kg x EUR 2.00/kg");
  ASSERT_EQ(device->fSales.size(), 1u);
  EXPECT_EQ(device->fSales[0].description, u"Mele");
  EXPECT_EQ(device->fSales[0].quantity, Currency::FromInt(1));
  EXPECT_EQ(device->fSales[0].price, Currency::FromText(u"2.5"));
  EXPECT_EQ(device->fSales[0].amount, Currency::FromText(u"2.5"));
}

struct Decoded {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Decoded DecodeBase64Jpeg(const String& aBase64) {
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (const char16_t c : aBase64) {
    int v = -1;
    if (c >= u'A' && c <= u'Z') v = c - u'A';
    else if (c >= u'a' && c <= u'z') v = c - u'a' + 26;
    else if (c >= u'0' && c <= u'9') v = c - u'0' + 52;
    else if (c == u'+') v = 62;
    else if (c == u'/') v = 63;
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if ((count += 6) >= 8) bytes += static_cast<char>((bits >> (count -= 8)) & 0xFF);
  }
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  Decoded d;
  d.width = static_cast<int>(info.output_width);
  d.height = static_cast<int>(info.output_height);
  EXPECT_EQ(info.num_components, 3);  // colour, not greyscale
  EXPECT_FALSE(info.progressive_mode);
  d.rgb.resize(static_cast<size_t>(d.width) * d.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &d.rgb[static_cast<size_t>(info.output_scanline) * d.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return d;
}

// The darkest pixel of the rows [aFirst, aLast).
int Darkest(const Decoded& aPicture, int aFirst, int aLast) {
  int darkest = 255;
  for (int y = aFirst; y < aLast; ++y)
    for (int x = 0; x < aPicture.width; ++x)
      for (int k = 0; k < 3; ++k)
        darkest = std::min<int>(darkest, aPicture.rgb[(static_cast<size_t>(y) * aPicture.width + x) * 3 + k]);
  return darkest;
}

TEST_F(ReceiptFlow, ReceiptPictureOfTheDriversText) {
  auto device = MakeDevice<ReceiptDriver>();
  device->fText = u"NEGOZIO DI PROVA\r\nPane            3,00\nTOTALE          3,00\r\n";
  const _int_PRINTFR_result r = Print(*device, ReceiptRequest(kTwoLines, kTwoPayments), "<GetReceiptImage>TRUE</GetReceiptImage>");
  ASSERT_FALSE(r.Error) << ToUtf8(r.ErrorText);
  EXPECT_EQ(device->fReference, u"17");  // the reference of the printed receipt
  EXPECT_EQ(r.ReceiptText, device->fText);
  ASSERT_FALSE(r.ReceiptImage.empty());
  EXPECT_EQ(r.ReceiptImage.find_first_of(u"\r\n"), String::npos);
  EXPECT_EQ(r.ReceiptImage.size() % 4, 0u);

  const int lineHeight = ReceiptImageLineHeight();
  ASSERT_GT(lineHeight, 0);
  const Decoded picture = DecodeBase64Jpeg(r.ReceiptImage);
  EXPECT_EQ(picture.height, lineHeight * 6);  // three lines, two empty above, one below
  EXPECT_GT(picture.width, 20);
  EXPECT_GT(Darkest(picture, 0, 2 * lineHeight - 2), 200);  // white above the text
  EXPECT_LT(Darkest(picture, 2 * lineHeight, 3 * lineHeight), 80);  // dark text on each line
  EXPECT_LT(Darkest(picture, 4 * lineHeight, 5 * lineHeight), 80);
  EXPECT_GT(Darkest(picture, 5 * lineHeight + 2, 6 * lineHeight), 200);  // white below

  // The text alone without a picture; a driver without text gives neither.
  const _int_PRINTFR_result text = Print(*device, ReceiptRequest(kTwoLines, kTwoPayments), "<GetReceiptText>true</GetReceiptText>");
  EXPECT_EQ(text.ReceiptText, device->fText);
  EXPECT_TRUE(text.ReceiptImage.empty());
  device->fText.clear();
  const _int_PRINTFR_result none = Print(*device, ReceiptRequest(kTwoLines, kTwoPayments),
                                         "<GetReceiptText>true</GetReceiptText><GetReceiptImage>true</GetReceiptImage>");
  EXPECT_TRUE(none.ReceiptText.empty());
  EXPECT_TRUE(none.ReceiptImage.empty());
}

TEST_F(ReceiptFlow, Base64OfEveryTailLength) {
  EXPECT_EQ(Base64Encode(""), u"");
  EXPECT_EQ(Base64Encode("f"), u"Zg==");
  EXPECT_EQ(Base64Encode("fo"), u"Zm8=");
  EXPECT_EQ(Base64Encode("foo"), u"Zm9v");
  EXPECT_EQ(Base64Encode(std::string("\xFB\xFF", 2)), u"+/8=");
}

}  // namespace
}  // namespace qx
