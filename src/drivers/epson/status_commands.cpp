// The printer's state, clock and day, and the S14 and S15 parameters.
#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "platform/clock.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

bool IsOneOf(char16_t c, StringView aSet) { return aSet.find(c) != StringView::npos; }

// A clock set more days than this from the computer's gets a warning in the log.
constexpr double kClockWarningDays = 1;

}  // namespace

bool kFiscalPrinter_EPSFPNAT::IsDayOpen() {
  if (!ExecuteCommand(u"2050", u"2400", u"IsDayOpen")) return false;
  return StrToIntDef(ResponseField(16, 24), 0) != 0;
}

bool kFiscalPrinter_EPSFPNAT::GetStatus(bool& aDayOpened, TDateTime& aDateTime, bool& aPaperEnd, bool& aPaperNearEnd,
                                        bool& aCoverOpen, bool& aFiscalReceiptOpen, bool& aReceiptOpen,
                                        bool& aTrainingMode, String& aFirmwareVersion, String& aSerialNumber,
                                        String& aFiscalMode) {
  // A printer may still be answering an earlier command: ask again until the echo is ours, but
  // not forever: a printer that never echoes this command is treated as one that does not answer.
  bool chain = false;
  for (int attempt = 1;; ++attempt) {
    chain = ExecuteCommand(u"2050", u"2400", u"GetStatus-GetDailyData[Receipts]");
    if (!chain || fFullResponseData.substr(0, 4) == u"2050") break;
    if (attempt == kMaxEchoAttempts) {
      fIOHandler->SetCustomError(kTimeoutErrorCode, u"Timeout Error");
      chain = false;
      break;
    }
    platform::SleepMs(fEchoPauseMs);
  }
  aDayOpened = chain && StrToIntDef(ResponseField(16, 24), 0) != 0;
  if (chain) {
    chain = GetDateTime(aDateTime);
    if (chain) chain = GetPrinterStatus(aPaperEnd, aPaperNearEnd, aCoverOpen, aFiscalReceiptOpen, aReceiptOpen,
                                        aFirmwareVersion);
  }
  aTrainingMode = GetS14Value(1) == u"1";

  String serialCharacter;
  if (StartsText(u"1.", aFirmwareVersion) || StartsText(u"2.", aFirmwareVersion)) {
    aFiscalMode = u"MF";
  } else if (!chain) {
    // The printer did not answer the status questions before the RT status: nothing is known
    // of its mode or serial number, and the failure is this call's answer.
    return false;
  } else if (ExecuteCommand(u"1138", u"01", u"GetStatus-RTStatus")) {
    serialCharacter = ResponseField(3, 3);
    const String mainState = ResponseField(4, 5);
    if (mainState == u"01") {
      aFiscalMode = u"MF";
    } else if (mainState == u"02") {
      aFiscalMode = u"RT";
    } else {
      throw Error(u"Unknown RTMain Value:" + mainState);
    }
    if (!aTrainingMode) aTrainingMode = ResponseField(39, 39) == u"1";
  } else if (fIOHandler->ErrorCode() == kTimeoutErrorCode) {
    // Silence is no refusal: the printer stopped answering.
    return false;
  } else {
    // An older printer without the RT status command refuses it: memory-fiscal mode, and its
    // refusal is not an error of this call.
    aFiscalMode = u"MF";
    fIOHandler->ResetCustomError();
    chain = true;
  }

  bool result = false;
  if (chain) {
    result = ExecuteCommand(u"3217", u"01", u"GetStatus-GetSerial");
    if (result)
      aSerialNumber = ResponseField(11, 12) + serialCharacter + ResponseField(9, 10) + ResponseField(3, 8);
  }
  fIOHandler->Debug(let_info, u"FiscalMode=" + aFiscalMode);
  fIOHandler->Debug(let_info, String(u"TrainingMode=") + (aTrainingMode ? u"True" : u"False"));
  fIOHandler->Debug(let_info, u"SerialNumber=" + aSerialNumber);
  return result;
}

bool kFiscalPrinter_EPSFPNAT::GetDateTime(TDateTime& aDateTime) {
  if (!ExecuteCommand(u"4201", u"", u"GetDateTime")) return false;
  DateTimeParts p;
  p.Day = StrToInt(ResponseField(1, 2));
  p.Month = StrToInt(ResponseField(3, 4));
  p.Year = 2000 + StrToInt(ResponseField(5, 6));
  p.Hour = StrToInt(ResponseField(7, 8));
  p.Minute = StrToInt(ResponseField(9, 10));
  aDateTime = EncodeDateTime(p);
  return true;
}

bool kFiscalPrinter_EPSFPNAT::SetDateTime(TDateTime aDateTime) {
  const DateTimeParts p = DecodeDateTime(aDateTime);
  // The printer keeps the year in two digits: a date of another century would be set as a
  // wrong date of this one.
  if (aDateTime < 0 || p.Year < 2000 || p.Year > 2099)
    throw Error(u"The date " + DateTimeToText(false, aDateTime) + u" cannot be set: the printer keeps the years 2000 to 2099");
  // A clock set far from the computer's is most likely a mistyped date; the fiscal memory
  // records it for good, so the technician finds it in the log.
  const double days = aDateTime - fComputerClock();
  if (days > kClockWarningDays || days < -kClockWarningDays)
    fIOHandler->Debug(let_info, u"Warning: the printer's clock is set to " + DateTimeToText(false, aDateTime) + u", " +
                                    IntToStr(static_cast<int64_t>(days < 0 ? -days : days)) +
                                    u" days from the computer's clock");
  const String data =
      NumberField(p.Day) + NumberField(p.Month) + NumberField(p.Year % 100) + NumberField(p.Hour) + NumberField(p.Minute) + u"00";
  return ExecuteCommand(u"4001", data, u"SetDateTime");
}

bool kFiscalPrinter_EPSFPNAT::GetDrawerStatus(int32_t, bool& aIsOpen) {
  const bool result = ExecuteCommand(u"1074", u"01", u"GetDrawerStatus");
  aIsOpen = result && ResponseField(15, 15) == u"0";
  return result;
}

bool kFiscalPrinter_EPSFPNAT::SetTrainingMode(bool aOn) { return SetS14Value(1, aOn ? u"1" : u"0"); }

bool kFiscalPrinter_EPSFPNAT::Reset() {
  fIOHandler->SetTemporaryReadTimeout(3000);
  const bool result = ExecuteCommand(u"1088", u"01", u"Reset");
  fIOHandler->ResetTemporaryReadTimeout();
  return result;
}

bool kFiscalPrinter_EPSFPNAT::GetPrinterStatus(bool& aPaperEnd, bool& aPaperNearEnd, bool& aCoverOpen,
                                               bool& aFiscalReceiptOpen, bool& aReceiptOpen,
                                               String& aFirmwareVersion) {
  if (!ExecuteCommand(u"1074", u"01", u"GetStatus-GetPrinterStatus")) return false;
  aFirmwareVersion = ResponseField(3, 7);
  fFirmwareVersion = aFirmwareVersion;
  const String status = PadRight(ResponseField(13, 17), 5);
  aPaperEnd = status[0] == u'3';
  aCoverOpen = status[0] == u'3';
  aPaperNearEnd = status[0] == u'2';
  aFiscalReceiptOpen = IsOneOf(status[3], u"0345789");
  aReceiptOpen = IsOneOf(status[3], u"26");
  return true;
}

bool kFiscalPrinter_EPSFPNAT::CloseOpenDocument() {
  bool paperEnd = false, paperNearEnd = false, coverOpen = false, fiscalOpen = false, receiptOpen = false;
  String firmware;
  const bool result = GetPrinterStatus(paperEnd, paperNearEnd, coverOpen, fiscalOpen, receiptOpen, firmware);
  if (result && (fiscalOpen || receiptOpen)) Reset();
  return result;
}

// A fiscal or a non-fiscal document: only one can be open at a time.
bool kFiscalPrinter_EPSFPNAT::ReadDocumentOpen(bool& aOpen) {
  bool paperEnd = false, paperNearEnd = false, coverOpen = false, fiscalOpen = false, receiptOpen = false;
  String firmware;
  // Asked after a command that got no answer: sent even though the printer was silent.
  const SilenceProbe probe(*this);
  try {
    if (!GetPrinterStatus(paperEnd, paperNearEnd, coverOpen, fiscalOpen, receiptOpen, firmware)) return false;
  } catch (const Error& e) {
    // Asked to settle an outcome: a line that is gone is no answer, never a raised error.
    fIOHandler->SetCustomError(-1, e.Message());
    return false;
  }
  aOpen = fiscalOpen || receiptOpen;
  return true;
}

// "1070": positions 3-6 the number the next document gets, 7-10 the closing that will close it.
bool kFiscalPrinter_EPSFPNAT::ReadDocumentNumbers(qxDocumentNumbers& aNumbers) {
  const SilenceProbe probe(*this);
  try {
    if (!ExecuteCommand(u"1070", u"01", u"ReadDocumentNumbers")) return false;
  } catch (const Error& e) {
    fIOHandler->SetCustomError(-1, e.Message());
    return false;
  }
  int32_t next = 0, closing = 0;
  if (!TryStrToInt(ResponseField(3, 6), next) || !TryStrToInt(ResponseField(7, 10), closing) || next < 0 ||
      closing < 0) {
    fIOHandler->SetCustomError(-1, u"The printer's document numbers could not be read: [" + fResponseData + u"]");
    return false;
  }
  aNumbers.Next = next;
  aNumbers.Closing = closing;
  return true;
}

String kFiscalPrinter_EPSFPNAT::GetS14Value(int32_t aNumber) {
  if (!ExecuteCommand(u"4214", NumberField(aNumber), u"GetS14Value")) return String();
  return ResponseField(3, 3);
}

String kFiscalPrinter_EPSFPNAT::GetS15Value(int32_t aNumber) {
  if (!ExecuteCommand(u"4215", NumberField(aNumber), u"GetS15Value")) return String();
  return ResponseField(3, 4);
}

bool kFiscalPrinter_EPSFPNAT::SetS14Value(int32_t aNumber, StringView aValue) {
  if (GetS14Value(aNumber) == aValue) return true;
  return ExecuteCommand(u"4014", NumberField(aNumber) + String(aValue), u"SetS14Value");
}

bool kFiscalPrinter_EPSFPNAT::SetS15Value(int32_t aNumber, StringView aValue) {
  if (GetS15Value(aNumber) == aValue) return true;
  return ExecuteCommand(u"4015", NumberField(aNumber) + String(aValue), u"SetS15Value");
}

}  // namespace qx
