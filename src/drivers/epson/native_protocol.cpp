// One command exchange in the printer's native protocol: the frame, the handshake bytes, the
// three attempts against the deadline, the answer split and the printer's error codes.
#include <algorithm>

#include "drivers/epson/fiscal_printer_epsfpnat.h"
#include "platform/clock.h"
#include "support/error.h"
#include "support/text_functions.h"

namespace qx {

namespace {

constexpr char16_t kSTX = 0x02;
constexpr char16_t kETX = 0x03;
constexpr char16_t kACK = 0x06;
constexpr char16_t kResend = 0x0F;
constexpr char16_t kDC1 = 0x11;
const ByteList kTerminators = {0x06, 0x0F, 0x11, 0x03};

bool IsByte(const String& aText, char16_t aByte) { return aText.size() == 1 && aText[0] == aByte; }

// A value 0-99 as two digits, as NumberField gives it.
void AppendTwoDigits(String& aOut, int64_t aValue) {
  aOut += static_cast<char16_t>(u'0' + aValue / 10);
  aOut += static_cast<char16_t>(u'0' + aValue % 10);
}

// The data as the printer may take it: a character below 20h, from the text of a request, would
// end the frame, start another or pass for a handshake byte, so it goes out as a blank and the
// document still prints. The log names the command and the positions (from 1) in its data.
String WireData(StringView aData, StringView aLabel, kIOHandler& aIO) {
  String data(aData);
  String positions;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] >= 0x20) continue;
    data[i] = u' ';
    if (!positions.empty()) positions += u", ";
    positions += IntToStr(static_cast<int64_t>(i + 1));
  }
  if (!positions.empty())
    aIO.Debug(let_info, String(aLabel) + u": control characters sent as blanks at data positions " + positions);
  return data;
}

}  // namespace

String kFiscalPrinter_EPSFPNAT::CalcChecksum(StringView aText) {
  uint64_t sum = 0;
  for (const char16_t c : aText) sum += c;
  return NumberField(static_cast<int64_t>(sum % 100));
}

String kFiscalPrinter_EPSFPNAT::BuildFrame(StringView aText) {
  ++fFrameCounter;
  const int64_t number = fFrameCounter % 100;
  String frame;
  frame.reserve(aText.size() + 6);
  frame += kSTX;
  if (number >= 0)
    AppendTwoDigits(frame, number);
  else
    frame += NumberField(number);
  frame.append(aText);
  // The checksum is the sum of the bytes that go on the wire: a character that the transport
  // sends as another code (the euro sign is 80h in code page 1252) counts as that byte.
  const StringView body = StringView(frame).substr(1);
  uint64_t sum = 0;
  if (fIOHandler != nullptr) {
    for (const char byte : fIOHandler->WireBytes(body)) sum += static_cast<unsigned char>(byte);
  } else {
    for (const char16_t c : body) sum += c;
  }
  AppendTwoDigits(frame, static_cast<int64_t>(sum % 100));
  frame += kETX;
  return frame;
}

String kFiscalPrinter_EPSFPNAT::GetPrinterErrorText(int32_t aCode) {
  switch (aCode) {
    case 2: return u"CARTA SCONTRINO";
    case 3: return u"OFFLINE";
    case 7: return u"SLIP KO";
    case 8: return u"TASTO ERRATO";
    case 9: return u"DATA INFERIORE";
    case 10: return u"DATA ERRATA";
    case 11: return u"SEQUENZA ERRATA";
    case 12: return u"DATI INESISTENTI";
    case 13: return u"VALORE ERRATO";
    case 14: return u"PROG MATRICOLA";
    case 15: return u"GIA ESISTENTE";
    case 16: return u"NON PREVISTO";
    case 17: return u"IMPOSSIBILE ORA";
    case 18: return u"NON POSSIBILE";
    case 19: return u"SCRITTA INVALIDA";
    case 20: return u"SUPERA VALORE";
    case 21: return u"SUPERA LIMITE";
    case 22: return u"NON PROGRAMMATO";
    case 23: return u"CHIUDI SCONTRINO";
    case 24: return u"CHIUDI PAGAMENTO";
    case 25: return u"MANCA OPERATORE";
    case 26: return u"CASSA INFERIORE";
    case 27: return u"OLTRE PROGRAMMAZIONE";
    case 28: return u"P.C. NON CONNESSO";
    case 29: return u"MANCA MODULO";
    case 30: return u"CHECKSUM ERRATO";
    case 34: return u"MANCA ATTIVAZIONE";
    case 35: return u"SLIP:CONNESSIONE ?";
    case 37: return u"RIMUOVERE MODULO";
    case 38: return u"EFT-POS in ERRORE";
    default: return u"ERRORE SCONOSCIUTO";
  }
}

bool kFiscalPrinter_EPSFPNAT::IsErrorAnswer(StringView aInnerAnswer) {
  return aInnerAnswer.size() >= 6 && aInnerAnswer.substr(3, 3) == u"ERR";
}

bool kFiscalPrinter_EPSFPNAT::AnswersCommand(StringView aInnerAnswer, StringView aCommand) {
  // An error answer carries no echo. The status reading asks with "2050" and handles answers
  // to other commands itself.
  if (IsErrorAnswer(aInnerAnswer) || aCommand == u"2050") return true;
  if (aInnerAnswer.size() < 7) return false;
  const StringView echo = aInnerAnswer.substr(3, 4);
  // The journal read's last answer echoes "3102": the journal has no more lines.
  return echo == aCommand || (aCommand == u"3103" && echo == u"3102");
}

bool kFiscalPrinter_EPSFPNAT::CheckAnswer(StringView aInnerAnswer) {
  if (IsErrorAnswer(aInnerAnswer)) {
    const int32_t code = StrToInt(aInnerAnswer.size() >= 9 ? aInnerAnswer.substr(8, 2) : StringView());
    fIOHandler->SetCustomError(code, GetPrinterErrorText(code));
    return false;
  }
  return true;
}

bool kFiscalPrinter_EPSFPNAT::ExecuteCommand(StringView aCommand, StringView aData, StringView aLabel) {
  kIOHandler& io = *fIOHandler;
  if (tQX_LogWriter* log = io.Logger()) log->Write(let_info, {u"*", aLabel, u"*"});
  fFullResponseData.clear();
  fResponseData.clear();
  if (fPrinterSilent && fSilenceProbes == 0) {
    // Every further command would only wait out its attempts as well.
    io.Debug(let_error, u"Command " + String(aCommand) + u" not sent: the printer did not answer");
    fLastUnanswered = false;  // never sent: the printer cannot have carried it out
    io.SetCustomError(kTimeoutErrorCode, u"Timeout Error");
    return false;
  }
  String text;
  text.reserve(1 + aCommand.size() + aData.size());
  text += u'E';
  text.append(aCommand);
  text.append(WireData(aData, aLabel, io));
  const String frame = BuildFrame(text);

  const int64_t start = platform::MonotonicMs();
  const int64_t busyWindow =
      std::max<int64_t>(fMinBusyWindowMs, static_cast<int64_t>(kBusyWindowTimeouts) * io.ReadTimeout());
  int64_t deadline = start + io.ReadTimeout();
  String lastRead;
  String inner;
  int attempt = 1;
  bool done = false;
  // Set for the pass after a late answer to an earlier command was read.
  bool stale = false;
  // The frame goes out at most kMaxFrameSends times: a printer that refuses it, or answers
  // nothing readable, as fast as it is sent would otherwise be sent it for all the time-outs.
  int sends = 0;
  int refusals = 0;
  bool capped = false;
  const auto send = [&] {
    if (sends == kMaxFrameSends) {
      io.Debug(let_error, u"Frame sent " + IntToStr(sends) + u" times without an answer");
      capped = true;
      return false;
    }
    io.Write(frame);
    ++sends;  // counted once it went out: a write that raises sent nothing
    return true;
  };
  // A transport that fails once the frame went out (a connection lost while the answer was
  // awaited) leaves the printer's side unknown: the command may have been carried out, so the
  // failure is this exchange's, without an answer, not a raised error that would hide that.
  try {
  while (!done && attempt <= 3) {
    if (!IsByte(lastRead, kACK) && !IsByte(lastRead, kDC1) && !stale) {
      io.ClearBuffers();
      if (!send()) break;
    }
    lastRead = io.ReadUpTo(kTerminators);
    stale = false;
    const int64_t now = platform::MonotonicMs();
    if (IsByte(lastRead, kResend)) {
      ++refusals;
      if (!send()) break;
    } else if (IsByte(lastRead, kDC1)) {
      // A busy printer restarts the wait, but only within the busy window of this exchange.
      if (now - start < busyWindow) deadline = now + io.ReadTimeout();
    } else if (lastRead.size() >= 2 && lastRead.front() == kSTX && lastRead.back() == kETX) {
      inner = lastRead.substr(1, lastRead.size() - 2);
      if (AnswersCommand(inner, aCommand)) {
        done = true;
      } else {
        // A late answer to an earlier command: delivered for the printer, but never taken for
        // this command's answer. The frame sent is still pending there, so the next pass waits
        // for its answer without sending it again; the deadline still runs.
        io.Debug(let_error, u"Discarded answer to " + inner.substr(std::min<size_t>(3, inner.size()), 4));
        if (fAckEnabled) io.Write(String(1, kACK));
        inner.clear();
        stale = true;
      }
    }
    // The read waits up to the read time-out, so an attempt whose wait is used up ends at the
    // deadline itself, not only after it. An ACK holds the attempt open, but like the busy byte
    // only within the busy window: a printer repeating ACK forever still ends the exchange.
    const bool held = IsByte(lastRead, kACK) && platform::MonotonicMs() - start < busyWindow;
    if (!done && platform::MonotonicMs() >= deadline && !held) {
      io.Debug(let_error, u"Timeout: #" + IntToStr(attempt));
      deadline = platform::MonotonicMs() + io.ReadTimeout();
      ++attempt;
      stale = false;
    }
  }
  } catch (const Error& e) {
    if (sends == 0) throw;
    fLastUnanswered = true;
    io.SetCustomError(-1, e.Message());
    return false;
  }

  fLastUnanswered = !done;
  if (!done && capped && refusals > 0) {
    io.SetCustomError(kTimeoutErrorCode, u"The printer refused the frame " + IntToStr(refusals) + u" times");
    return false;
  }
  if (!done) {
    // No answer frame within the attempts: the printer is taken to be silent for the rest of
    // this call. One that ran into the frame bound with unreadable answers is not silent.
    if (!capped) fPrinterSilent = true;
    io.SetCustomError(kTimeoutErrorCode, u"Timeout Error");
    return false;
  }
  // An answer, also to a probe: the printer is there again.
  fPrinterSilent = false;
  if (inner.size() > 5) {
    fFullResponseData = inner.substr(3, inner.size() - 5);
    fResponseData = inner.size() > 9 ? inner.substr(7, inner.size() - 9) : String();
  }
  // An error code that is no number raises here, before the acknowledgement: the exchange has
  // failed. Otherwise the answer is acknowledged before its content is judged, so an error answer
  // counts as delivered for the printer too. A failing acknowledgement is a transport failure of
  // this call like a failing frame write.
  const bool result = CheckAnswer(inner);
  if (fAckEnabled) io.Write(String(1, kACK));
  return result;
}

bool kFiscalPrinter_EPSFPNAT::NoteCommit(bool aResult) {
  if (aResult)
    fCommit = cms_Confirmed;
  else if (fLastUnanswered)
    fCommit = cms_Unanswered;
  return aResult;
}

String kFiscalPrinter_EPSFPNAT::NumberField(int64_t aValue, int32_t aWidth) {
  return FormatNumberField(static_cast<double>(aValue), aWidth, 0);
}

String kFiscalPrinter_EPSFPNAT::ResponseField(size_t aFirst, size_t aLast) const {
  if (aFirst < 1 || aFirst > fResponseData.size() || aLast < aFirst) return String();
  return fResponseData.substr(aFirst - 1, aLast - aFirst + 1);
}

}  // namespace qx
