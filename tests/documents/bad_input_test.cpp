// Damaged requests: every one must end in a qx::Error with a message or read normally, never
// in a crash, another exception type or unbounded work.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "documents/customer_display.h"
#include "documents/dept_table.h"
#include "documents/drawer.h"
#include "documents/economic_activity_table.h"
#include "documents/ej_files_request.h"
#include "documents/ej_report.h"
#include "documents/nf_receipt.h"
#include "documents/payment_receipt.h"
#include "documents/receipt.h"
#include "documents/receipt_reference.h"
#include "documents/vat_table.h"
#include "documents/x_report.h"
#include "documents/z_report.h"
#include "test_helpers.h"

namespace qx {
namespace {

std::string SampleText(const std::string& aName) {
  std::ifstream in(std::string(QX_SOURCE_DIR) + "/examples/" + aName, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Parses aText and reads every document from it, as the request handler would.
// Returns "" when all went through, else the first error message.
std::string ReadEverything(const std::string& aText) {
  try {
    auto doc = ParseRequestXmlUtf8(aText);
    const pugi::xml_node root = doc->document_element();
    auto each = [&](auto aDocument) {
      try {
        aDocument->Deserialize(root);
      } catch (const Error&) {
        // expected for the documents the request does not carry
      }
    };
    auto receipt = std::make_unique<kReceipt>();
    each(receipt.get());
    receipt->GetCalculatedAmount();
    receipt->fPayments.TotalAmount();
    for (const kReceiptLine& line : receipt->fLines) line.GetAmount();
    each(std::make_unique<kNFReceipt>().get());
    each(std::make_unique<kCustomerDisplay>().get());
    each(std::make_unique<kDrawer>().get());
    each(std::make_unique<kEJReport>().get());
    each(std::make_unique<kVatTable>().get());
    each(std::make_unique<kEconomicActivityTable>().get());
    each(std::make_unique<kDeptTable>().get());
    each(std::make_unique<kPaymentReceipt>().get());
    each(std::make_unique<kReceiptReference>().get());
    each(std::make_unique<kEJFilesRequest>().get());
    each(std::make_unique<kXReport>().get());
    each(std::make_unique<kZReport>().get());
    return "";
  } catch (const Error& e) {
    const std::string message = ToUtf8(e.Message());
    EXPECT_FALSE(message.empty());
    return message;
  }
}

const char* kSamples[] = {"sale.xml", "receipt_all_lines.xml", "nf_receipt.xml", "dept_table.xml", "payment.xml"};

TEST(BadInput, TruncatedRequestsEndInAnError) {
  for (const char* name : kSamples) {
    const std::string text = SampleText(name);
    const size_t rootEnd = text.rfind("</Request>");
    for (size_t cut = 0; cut < rootEnd; cut += 5) {
      EXPECT_NE(ReadEverything(text.substr(0, cut)), "") << name << " cut at " << cut;
    }
    EXPECT_EQ(ReadEverything(text), "") << name;
  }
}

TEST(BadInput, DamagedBytesNeverCrash) {
  std::mt19937 random(20240305);  // fixed: the same damage every run
  for (const char* name : kSamples) {
    const std::string text = SampleText(name);
    for (int round = 0; round < 400; ++round) {
      std::string damaged = text;
      const int hits = 1 + static_cast<int>(random() % 8);
      for (int h = 0; h < hits; ++h) damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
      ReadEverything(damaged);  // an error or a reading; both are fine
    }
  }
  std::string binary(4096, '\0');
  for (char& c : binary) c = static_cast<char>(random() % 256);
  EXPECT_NE(ReadEverything(binary), "");
}

TEST(BadInput, DeepNestingInsideARequestIsRefused) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<Header>";
  for (int i = 0; i < 5000; ++i) deep += "</Header>";
  const std::string message =
      ReadEverything("<Request><Receipt><Type>sale</Type><Headers>" + deep + "</Headers></Receipt></Request>");
  EXPECT_EQ(message.rfind("Invalid XML request: elements nested more than 256 levels deep", 0), 0u) << message;
}

TEST(BadInput, HugeDocumentsReadInProportion) {
  // 20,000 lines and as many payments: read without trouble, one object per element.
  std::string lines, payments;
  for (int i = 0; i < 20000; ++i) {
    lines += "<ProductSale><Amount>1</Amount></ProductSale>";
    payments += "<Payment><Type>cash</Type><Amount>1</Amount></Payment>";
  }
  auto doc = test::Request("<Receipt><Type>sale</Type><Lines>" + lines + "</Lines><Taxes/><Payments>" + payments +
                           "</Payments></Receipt>");
  kReceipt receipt;
  receipt.Deserialize(test::Root(*doc));
  EXPECT_EQ(receipt.fLines.Count(), 20000u);
  EXPECT_EQ(receipt.GetCalculatedAmount(), Currency::FromInt(20000));
  EXPECT_EQ(receipt.fPayments.TotalAmount(), Currency::FromInt(20000));

  // Many distinct activities stay fast (no quadratic look-up).
  std::string depts;
  for (int i = 0; i < 20000; ++i) depts += "<D><EACode>" + std::to_string(i) + "</EACode></D>";
  kEconomicActivityTable activities;
  activities.Deserialize(test::Root(*test::Request("<DeptTable>" + depts + "</DeptTable>")));
  EXPECT_EQ(activities.Count(), 20000u);
  EXPECT_EQ(activities[19999].fIndex, 20000);

  // A single huge value is one string.
  const std::string big(1 << 20, 'x');
  kReceipt bigText;
  bigText.Deserialize(test::Root(*test::Request("<Receipt><Type>sale</Type><Number>" + big +
                                                "</Number><Lines/><Taxes/><Payments/></Receipt>")));
  EXPECT_EQ(bigText.fReceiptNumber.size(), big.size());
}

}  // namespace
}  // namespace qx
