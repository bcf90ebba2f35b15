#include "transport/io_handler_tcp.h"

#include <algorithm>

#include "platform/clock.h"

namespace qx {

kIOHandler_TCP::kIOHandler_TCP(const kConnection& aConnection, StringView aDirectory, StringView aFileName)
    : kIOHandler(&aConnection, aDirectory, aFileName),
      fTCPClient(std::make_unique<TcpClient>(aConnection.Address(), static_cast<uint16_t>(aConnection.Port() & 0xFFFF),
                                             fConnectTimeout)) {}

kIOHandler_TCP::~kIOHandler_TCP() { fTCPClient.reset(); }

bool kIOHandler_TCP::GetConnected() {
  try {
    return fTCPClient->Connected();
  } catch (...) {
    return false;
  }
}

bool kIOHandler_TCP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"Host=" + fTCPClient->Host());
  Debug(let_info, u"Port=" + IntToStr(fTCPClient->Port()));
  fConnectFailure.clear();
  try {
    if (!GetConnected()) fTCPClient->Connect();
    const bool connected = GetConnected();
    if (!connected) {
      fConnectFailure = u"Connect Timeout";
      WriteLog(let_error, u"Connect Timeout", u"");
    }
    return connected;
  } catch (const Error& e) {
    fConnectFailure = e.Message();
  } catch (const std::exception& e) {
    fConnectFailure = FromUtf8(e.what());
  } catch (...) {
    fConnectFailure = u"Unknown error";
  }
  WriteLog(let_error, u"Connect Error", fConnectFailure);
  return false;
}

bool kIOHandler_TCP::LinkDropped() { return fTCPClient->LinkDropped(); }

String kIOHandler_TCP::LinkName() const { return fTCPClient->Host() + u":" + IntToStr(fTCPClient->Port()); }

bool kIOHandler_TCP::Disconnect() {
  fTCPClient->Disconnect();
  return !GetConnected();
}

void kIOHandler_TCP::ClearBuffers() { fTCPClient->ClearInput(); }

void kIOHandler_TCP::RefuseWriteOnLostLink() const {
  // Nothing goes out, and the log shows no write, once the connection is known to be gone.
  if (!fTCPClient->LostReason().empty()) throw Error(u"Connection lost: " + fTCPClient->LostReason());
}

bool kIOHandler_TCP::Write(StringView aMessage) {
  RefuseWriteOnLostLink();
  WriteLog(let_info, u"Write", aMessage);
  fTCPClient->SetReadTimeout(fReadTimeout);
  fTCPClient->Write(WireBytes(aMessage));
  return true;
}

String kIOHandler_TCP::ReadUpTo(const ByteList& aChars) {
  fTCPClient->SetReadTimeout(fReadTimeout);
  LogWaitingFor(aChars);
  const InputBuffer::Terminators terminators(aChars);
  String result;
  const int64_t start = platform::MonotonicMs();
  try {
    for (;;) {
      fTCPClient->WaitForInput();
      // The buffered bytes are taken as a run, as fast as one at a time with the clock read
      // after each; once the read time-out has passed, the next byte ends the read.
      const bool late = platform::MonotonicMs() - start > fReadTimeout;
      const bool complete =
          fTCPClient->Input().TakeUpTo(terminators, late ? 1 : kReadUpToMaxChars - result.size(), result);
      const bool timedOut = late || (!complete && result.size() >= kReadUpToMaxChars);
      if (complete || timedOut) {
        if (timedOut)
          WriteLog(let_error, u"Read Timeout", result);
        else
          WriteLog(let_info, u"Read", result);
        break;
      }
    }
  } catch (const Error& e) {
    WriteLog(let_error, u"ReadUpTo Unexpected error", e.Message());
  }
  return result;
}

String kIOHandler_TCP::ReadChars(int32_t aCharsNum) {
  fTCPClient->SetReadTimeout(fReadTimeout);
  String result;
  try {
    if (aCharsNum > 0) {
      const int64_t deadline = platform::MonotonicMs() + static_cast<int64_t>(fReadTimeout) * kReadCharsTimeoutFactor;
      result = FromLatin1(fTCPClient->ReadBytes(static_cast<size_t>(aCharsNum), deadline));
    }
    if (result.size() < static_cast<size_t>(std::max(aCharsNum, 0)))
      WriteLog(let_error, u"Read Timeout", result);
    else
      WriteLog(let_info, u"Read", result);
  } catch (const Error& e) {
    WriteLog(let_error, u"ReadChars Unexpected error", e.Message());
    result.clear();
  }
  return result;
}

String kIOHandler_TCP::ReadAll() {
  fTCPClient->SetReadTimeout(fReadTimeout);
  String result;
  const int64_t start = platform::MonotonicMs();
  try {
    for (;;) {
      fTCPClient->WaitForInput();
      const bool late = platform::MonotonicMs() - start > fReadTimeout;
      fTCPClient->Input().TakeChars(late ? 1 : fTCPClient->InputSize(), result);
      if (late) {
        WriteLog(let_error, u"Read Timeout", result);
        break;
      }
    }
  } catch (const TcpReadError& e) {
    if (e.ErrorKind() == TcpReadError::peer_closed)
      WriteLog(let_info, u"Read", result);
    else
      WriteLog(let_error, u"ReadAll Unexpected error", e.Message());
  } catch (const Error& e) {
    WriteLog(let_error, u"ReadAll Unexpected error", e.Message());
  }
  return result;
}

String kIOHandler_TCP::DecodeError(int32_t) { return String(); }

bool kIOHandler_TCP::InputBufferContainsData() { return fTCPClient->InputSize() > 0; }

void kIOHandler_TCP::SetParameter(StringView, StringView) {}

bool kIOHandler_TCP::WriteBytes(const std::vector<uint8_t>& aBytes) {
  RefuseWriteOnLostLink();
  const std::string bytes(aBytes.begin(), aBytes.end());
  WriteLog(let_info, u"Write", FromLatin1(bytes));
  fTCPClient->SetReadTimeout(fReadTimeout);
  fTCPClient->Write(bytes);
  return true;
}

std::vector<uint8_t> kIOHandler_TCP::ReadBytes(int32_t aCount) {
  fTCPClient->SetReadTimeout(fReadTimeout);
  if (aCount <= 0) return {};
  const int64_t deadline = platform::MonotonicMs() + static_cast<int64_t>(fReadTimeout) * kReadCharsTimeoutFactor;
  const std::string bytes = fTCPClient->ReadBytes(static_cast<size_t>(aCount), deadline);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace qx
