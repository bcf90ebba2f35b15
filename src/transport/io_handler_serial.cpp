#include "transport/io_handler_serial.h"

#include <algorithm>

#include "platform/clock.h"
#include "support/error.h"

namespace qx {

namespace {

const char16_t* ParityText(TParity aParity) {
  switch (aParity) {
    case ptNone: return u"Parity=none";
    case ptOdd: return u"Parity=odd";
    case ptEven: return u"Parity=even";
    case ptMark: return u"Parity=mark";
    case ptSpace: return u"Parity=space";
  }
  return u"Parity=none";
}

const char16_t* StopBitsText(TStopBits aStopBits) {
  switch (aStopBits) {
    case sbOne: return u"StopBits=1";
    case sbOneHalf: return u"StopBits=1.5";
    case sbTwo: return u"StopBits=2";
  }
  return u"StopBits=1";
}

}  // namespace

kIOHandler_Serial::kIOHandler_Serial(const kConnection& aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler(&aConnection, aDirectory, aFileName) {
  const String& name = aConnection.SerialPort();
  const bool isPath = !name.empty() && name[0] == u'/';
  const uint32_t number =
      isPath ? 0 : static_cast<uint32_t>(StrToInt(StringView(name).substr(std::min<size_t>(3, name.size()), 3)));

  TParity parity = ptNone;
  switch (aConnection.Parity()) {
    case qxParity::None: parity = ptNone; break;
    case qxParity::Even: parity = ptEven; break;
    case qxParity::Odd: parity = ptOdd; break;
    default: throw Error(u"Parity invalid");
  }
  TStopBits stopBits = sbOne;
  switch (aConnection.StopBits()) {
    case 1: stopBits = sbOne; break;
    case 2: stopBits = sbTwo; break;
    default: throw Error(u"Stop Bits " + IntToStr(aConnection.StopBits()) + u" invalid");
  }
  fComPort = std::make_unique<TComPort>(number, static_cast<uint32_t>(aConnection.Speed()),
                                        static_cast<uint8_t>(aConnection.DataBits()), stopBits, parity);
  if (isPath) fComPort->SetDevicePath(name);
}

kIOHandler_Serial::~kIOHandler_Serial() { fComPort.reset(); }

bool kIOHandler_Serial::GetConnected() { return fComPort->ComIsOpen(); }

bool kIOHandler_Serial::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"Serial Driver Version: " + TComPort::DriverVersion());
  Debug(let_info, u"SerialPort=" + fComPort->PortName());
  Debug(let_info, u"Speed=" + IntToStr(fComPort->BaudRate()));
  Debug(let_info, ParityText(fComPort->Parity()));
  Debug(let_info, u"DataBits=" + IntToStr(fComPort->DataBits()));
  Debug(let_info, StopBitsText(fComPort->StopBits()));
  fInput.Clear();
  fComPort->Open();
  return fComPort->ComIsOpen();
}

bool kIOHandler_Serial::Disconnect() {
  fInput.Clear();
  fComPort->Close();
  return true;
}

void kIOHandler_Serial::ClearBuffers() {
  fInput.Clear();
  fComPort->ClearBuffers();
}

bool kIOHandler_Serial::Write(StringView aMessage) {
  WriteLog(let_info, u"Write", aMessage);
  fComPort->WriteText(WireBytes(aMessage));
  return true;
}

bool kIOHandler_Serial::FillInput(bool aLogErrors) {
  if (!fInput.Empty()) return true;
  char chunk[kInputChunk];
  uint32_t errorFlags = 0;
  const int32_t n = fComPort->ReadPending(chunk, kInputChunk, kByteWaitMs, errorFlags);
  if (aLogErrors && errorFlags != 0) WriteLog(let_error, u"Read Error", IntToStr(errorFlags));
  if (n > 0) fInput.Append(chunk, static_cast<size_t>(n));
  return !fInput.Empty();
}

String kIOHandler_Serial::ReadUpTo(const ByteList& aChars) {
  LogWaitingFor(aChars);
  const InputBuffer::Terminators terminators(aChars);
  String result;
  const int64_t start = platform::MonotonicMs();
  const int64_t hardLimit = static_cast<int64_t>(fReadTimeout) * kReadUpToTimeoutFactor;
  bool complete = false;
  bool timedOut = false;
  while (!complete && !timedOut) {
    const bool arrived = FillInput(true);
    const int64_t elapsed = platform::MonotonicMs() - start;
    if (arrived) {
      complete = fInput.TakeUpTo(terminators, kReadUpToMaxChars - result.size(), result);
      // A peer that neither pauses nor ends its reply.
      if (!complete && (elapsed > hardLimit || result.size() >= kReadUpToMaxChars)) timedOut = true;
    } else if (elapsed > fReadTimeout) {
      timedOut = true;
    }
  }
  if (timedOut)
    WriteLog(let_error, u"Read Timeout", result);
  else
    WriteLog(let_info, u"Read", result);
  return result;
}

String kIOHandler_Serial::ReadChars(int32_t aCharsNum) {
  String result;
  if (aCharsNum <= 0) {
    WriteLog(let_info, u"Read", result);
    return result;
  }
  const int64_t start = platform::MonotonicMs();
  bool timedOut = false;
  for (;;) {
    // ReadChars does not log read errors.
    if (FillInput(false)) fInput.TakeChars(static_cast<size_t>(aCharsNum) - result.size(), result);
    timedOut = platform::MonotonicMs() - start > fReadTimeout;
    if (timedOut || result.size() == static_cast<size_t>(aCharsNum)) break;
  }
  if (timedOut)
    WriteLog(let_error, u"Read Timeout", result);
  else
    WriteLog(let_info, u"Read", result);
  return result;
}

String kIOHandler_Serial::ReadAll() { throw Error(u"ReadAll Unsupported"); }

String kIOHandler_Serial::DecodeError(int32_t) { return String(); }

bool kIOHandler_Serial::InputBufferContainsData() { return !fInput.Empty() || fComPort->GetBytesPending() > 0; }

void kIOHandler_Serial::SetParameter(StringView, StringView) {}

}  // namespace qx
