// The device's work with the RT server: the till login, the signing of a receipt and its answer,
// the till's X report and daily closing, and the report text the printer prints for them.
#include "device/fiscal_printer_device.h"
#include "device/operation_frame.h"
#include "documents/nf_receipt.h"
#include "rtserver/rt_server_epson.h"
#include "support/error.h"
#include "support/locale_number.h"
#include "support/text_functions.h"

namespace qx {

namespace {

constexpr char16_t kNotSigned[] = u"Errore nella generazione del documento commerciale.";
constexpr char16_t kSignedNotPrinted[] =
    u"La transazione di vendita \u00e8 stata registrata correttamente ma non \u00e8 stato possibile stamparla.";

// aText with every occurrence of aSecret shown as asterisks of the same length.
String WithoutSecret(const String& aText, const String& aSecret) {
  return aSecret.empty() ? aText : ReplaceAll(aText, aSecret, String(aSecret.size(), u'*'));
}

}  // namespace

void kFiscalPrinterDevice::CreateRTServer(kReceiptPrinterHandler& aHandler) {
  const String driver = aHandler.GetParameter(u"RTServerDriver");
  fRTServer = std::make_unique<kRTServer_Epson>(driver.empty() ? String() : driver + u".dll");
}

void kFiscalPrinterDevice::OpenRTServerTill(kReceiptPrinterHandler& aHandler) {
  if (fRTServer->TillOpened()) return;
  Log(let_info, u"RTServer:OpenTill");
  const String host = aHandler.GetParameter(u"RTServerHost");
  const int32_t port = StrToIntDef(aHandler.GetParameter(u"RTServerPort"), 0);
  const String user = aHandler.GetParameter(u"RTServerUser");
  const String password = aHandler.GetParameter(u"RTServerPassword");
  const String till = aHandler.GetParameter(u"RTServerTillSerial");
  // The login as a technician needs it, the password only as asterisks: the log is no place
  // for it.
  Log(let_info, u"RTServer till login: host " + host + u", port " + IntToStr(port) + u", user " + user +
                    u", password " + String(password.size(), u'*') + u", till " + till);
  if (!fRTServer->OpenTill(host, port, till, password, user)) LogRTServerFailure(u"OpenTill", password);
}

void kFiscalPrinterDevice::LogRTServerFailure(StringView aCall, const String& aSecret) const {
  Log(let_error, u"RTServer:" + String(aCall) + u" failed: " + WithoutSecret(fRTServer->LastErrorMessage(), aSecret));
}

bool kFiscalPrinterDevice::SignRTServerReceipt(kReceiptPrinterHandler& aHandler, const kReceipt& aReceipt) {
  OpenRTServerTill(aHandler);
  fRTServer->BuildXMLReceipt(aReceipt);
  Log(let_info, u"RTServer:SignReceipt");
  if (fRTServer->SignReceipt()) {
    fRTServerReceiptInfo = fRTServer->ReceiptInfo();
    return true;
  }
  LogRTServerFailure(u"SignReceipt", String());
  fRTServerReceiptInfo.fRTnDoc = 0;
  return false;
}

void kFiscalPrinterDevice::RTServerReceiptResult(_int_PRINTFR_result& aResult) const {
  const kRTServerReceiptInfo& info = fRTServerReceiptInfo;
  aResult.ReceiptDateTime = Now();
  aResult.ReceiptNumber = IntToStr(info.fRTnDoc);
  aResult.EJNumber = u"0";
  aResult.EJClosingNumber = IntToStr(info.fRTzRep);
  aResult.DeviceSerialNumber = info.fRTTillId;
  aResult.ServerSerialNumber = info.fRTServerSerialNumber;
  aResult.Error = false;
  aResult.ErrorText.clear();
  if (info.fRTnDoc == 0) {
    aResult.Error = true;
    aResult.ErrorText = kNotSigned;
  } else if (fIOHandler->ErrorFound()) {
    aResult.ErrorText = fIOHandler->ErrorMessage();
    aResult.MessageText = kSignedNotPrinted;
  }
}

bool kFiscalPrinterDevice::PrintRTServerReport(StringView aKind) {
  fCounters.Text.clear();
  kNFReceipt document;
  document.fLayout = u"DocumentLayout";
  const StringList& headers = fRTServerReceiptInfo.fHeaders;
  const auto addHeader = [&document](const String& aText, int32_t aSize) {
    auto line = std::make_unique<kReceiptMessageTextLine>(nullptr, &document);
    line->fValue = aText;
    line->fSize = aSize;
    line->fSection = rs_lead;
    document.fHeaderLines.Add(std::move(line));
  };
  for (size_t i = 0; i < headers.size(); ++i) addHeader(headers[i], i == 0 ? 2 : 1);
  addHeader(String(), 1);
  BeginNoFiscalReceipt(document);

  const kRTServerTillReportInfo& till = fRTServerTillReportInfo;
  const bool closing = aKind == u"Z";
  const auto row = [this](const String& aText, qxReceiptMessageLineAlignment aAlignment, bool aBold) {
    kReceiptMessageTextLine line;
    line.fValue = aText;
    line.fSize = 1;
    line.fAlignment = aAlignment;
    if (aBold) line.fEffects.Include(le_bold);
    PrintNoFiscalMessageTextLine(nullptr, line);
    fCounters.Text += u"\r\n" + aText;
  };
  // An amount at the right margin, its label filling the rest of the line.
  const auto amount = [this, &row](const String& aLabel, Currency aValue) {
    const String value = FormatLocaleNumber(aValue, 2, false);
    const int32_t room = fLineLength > static_cast<int32_t>(value.size())
                             ? fLineLength - static_cast<int32_t>(value.size()) : 0;
    row(PadText(aLabel, room) + value, la_left, false);
  };
  const auto blank = [&row] { row(String(), la_left, false); };

  row(String(aKind) + u"-REPORT", la_center, true);
  if (closing) {
    blank();
    row(u"Data Chiusura:    " + PrintedDateTime(till.fzRepDateTime, false), la_left, false);
    row(u"Numero Chiusura:  " + IntToStr(till.fzRepNumber), la_left, false);
  }
  blank();
  row(u"Server:           " + till.fServerSerialNumber, la_left, false);
  row(u"Cassa:            " + till.fTillSerialNumber, la_left, false);
  blank();
  row(u"Documenti Emessi: " + IntToStr(till.fnRecNumber), la_left, false);
  blank();
  row(u"EURO", la_right, false);
  amount(u"Totale Giorno", till.fDailyAmount);
  blank();
  amount(u"Totale Vendite", till.fSalesAmount);
  amount(u"Totale Resi", till.fRefundsAmount);
  amount(u"Totale Annulli", till.fVoidsAmount);
  blank();
  row(PrintedDateTime(Now(), true), la_center, false);
  blank();
  EndNoFiscalReceipt(document);
  return true;
}

// A till report of the RT server: the till login when needed, aCall ("XReport" or "CloseTill"),
// the till totals kept and printed as the aKind report, then aFill with them. The till report
// decides the answer, without the server's reason; a failure of the printed text is only in
// the log.
template <typename Result, typename Fill>
Result kFiscalPrinterDevice::RTServerTillReport(kReceiptPrinterHandler& aHandler, StringView aLabel,
                                                StringView aCall, bool (kRTServer_Epson::*aReport)(),
                                                StringView aKind, Fill&& aFill) {
  bool done = false;
  Result r = RunOperation<Result>(aLabel, [&](Result& aResult) {
    OpenRTServerTill(aHandler);
    Log(let_info, u"RTServer:" + String(aCall));
    done = ((*fRTServer).*aReport)();
    if (!done) {
      LogRTServerFailure(aCall, String());
      return;
    }
    fRTServerTillReportInfo = fRTServer->TillReportInfo();
    PrintRTServerReport(aKind);
    aFill(aResult, fRTServerTillReportInfo);
  });
  r.Error = !done;
  r.ErrorText.clear();
  return r;
}

_int_PRINTXR_result kFiscalPrinterDevice::RTServerXReport(kReceiptPrinterHandler& aHandler) {
  return RTServerTillReport<_int_PRINTXR_result>(
      aHandler, u"PrintXReport", u"XReport", &kRTServer_Epson::XReport, u"X",
      [](_int_PRINTXR_result& x, const kRTServerTillReportInfo& till) {
        x.XReportNumber = u"1";
        x.XReportDateTime = Now();
        x.EJNumber = u"0";
        x.EJClosingNumber = IntToStr(till.fzRepNumber);
        x.DeviceSerialNumber = till.fTillSerialNumber;
        x.ServerSerialNumber = till.fServerSerialNumber;
      });
}

_int_PRINTZR_result kFiscalPrinterDevice::RTServerZReport(kReceiptPrinterHandler& aHandler) {
  return RTServerTillReport<_int_PRINTZR_result>(
      aHandler, u"PrintZReport", u"CloseTill", &kRTServer_Epson::CloseTill, u"Z",
      [this](_int_PRINTZR_result& z, const kRTServerTillReportInfo& till) {
        z.ZReportNumber = IntToStr(till.fzRepNumber);
        z.ZReportDateTime = till.fzRepDateTime;
        z.EJNumber = u"0";
        z.EJClosingNumber = IntToStr(till.fzRepNumber);
        z.DeviceSerialNumber = till.fTillSerialNumber;
        z.ServerSerialNumber = till.fServerSerialNumber;
        z.DayTotalAmount = till.fDailyAmount;
        z.DayRefundsAmount = till.fRefundsAmount;
        z.DayVoidsAmount = till.fVoidsAmount;
        z.DayReceiptsNumber = till.fnRecNumber;
        z.Text = fCounters.Text;
      });
}

}  // namespace qx
