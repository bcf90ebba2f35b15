#include "transport/tcp_client.h"

#include <algorithm>

#include "platform/clock.h"

namespace qx {

namespace {

constexpr size_t kChunk = 4096;
// ClearInput discards at most this much of a peer that keeps sending.
constexpr size_t kMaxDiscard = 1 << 20;

}  // namespace

TcpClient::TcpClient(StringView aHost, uint16_t aPort, int32_t aConnectTimeout)
    : fHost(aHost), fPort(aPort), fConnectTimeout(aConnectTimeout) {}

bool TcpClient::Connect() {
  Disconnect();
  String text;
  switch (fSocket.Connect(ToUtf8(fHost), fPort, fConnectTimeout, text)) {
    case platform::SocketStatus::ok: return true;
    case platform::SocketStatus::timed_out: return false;
    default: throw Error(text);
  }
}

namespace {

const char16_t kPeerClosed[] = u"Connection closed by peer";

}  // namespace

void TcpClient::Disconnect() {
  fSocket.Close();
  fInput.Clear();
  fPeerClosed = false;
  fLostReason.clear();
}

bool TcpClient::Connected() {
  if (!fSocket.IsOpen() || fPeerClosed || !fLostReason.empty()) return false;
  try {
    Fill(0);
  } catch (const TcpReadError& e) {
    if (e.ErrorKind() != TcpReadError::no_data) return false;
  } catch (...) {
    return false;
  }
  return true;
}

bool TcpClient::LinkDropped() {
  if (!fSocket.IsOpen()) return false;
  if (fLostReason.empty()) {
    try {
      Fill(0);
    } catch (...) {
      // Fill has noted what ended the connection; no data is no failure.
    }
  }
  return !fLostReason.empty();
}

void TcpClient::ClearInput() {
  fInput.Clear();
  // Bytes the system has already received are as stale as the buffered ones.
  size_t discarded = 0;
  char chunk[kChunk];
  while (fSocket.IsOpen() && !fPeerClosed && discarded < kMaxDiscard) {
    size_t n = 0;
    String text;
    const auto status = fSocket.Receive(chunk, sizeof chunk, 0, n, text);
    if (status == platform::SocketStatus::closed) {
      fPeerClosed = true;
      fLostReason = kPeerClosed;
    } else if (status == platform::SocketStatus::failed) {
      fLostReason = text;
    }
    if (status != platform::SocketStatus::ok) break;
    discarded += n;
  }
}

void TcpClient::Fill(int32_t aTimeoutMs) {
  if (fPeerClosed) throw TcpReadError(TcpReadError::peer_closed, kPeerClosed);
  char chunk[kChunk];
  size_t n = 0;
  String text;
  switch (fSocket.Receive(chunk, sizeof chunk, aTimeoutMs, n, text)) {
    case platform::SocketStatus::ok:
      fInput.Append(chunk, n);
      return;
    case platform::SocketStatus::timed_out:
      throw TcpReadError(TcpReadError::no_data, u"Read timed out");
    case platform::SocketStatus::closed:
      fPeerClosed = true;
      fLostReason = kPeerClosed;
      throw TcpReadError(TcpReadError::peer_closed, kPeerClosed);
    default:
      fLostReason = text;
      throw TcpReadError(TcpReadError::failed, text);
  }
}

void TcpClient::WaitForInput() {
  if (fInput.Empty()) Fill(fReadTimeout);
}

uint8_t TcpClient::ReadByte() {
  WaitForInput();
  return static_cast<uint8_t>(fInput.TakeBytes(1)[0]);
}

std::string TcpClient::ReadBytes(size_t aCount, int64_t aDeadlineMs) {
  while (InputSize() < aCount) {
    const int64_t left = aDeadlineMs - platform::MonotonicMs();
    if (left <= 0) throw TcpReadError(TcpReadError::no_data, u"Read timed out");
    Fill(static_cast<int32_t>(std::min<int64_t>(left, fReadTimeout)));
  }
  return fInput.TakeBytes(aCount);
}

void TcpClient::Write(std::string_view aBytes) {
  if (!fSocket.IsOpen()) throw Error(u"Not connected");
  // Bytes sent after the peer has gone would be lost without a trace, or reach a printer that
  // no longer expects them.
  if (!fLostReason.empty()) throw Error(u"Connection lost: " + fLostReason);
  String text;
  const auto status = fSocket.Send(aBytes.data(), aBytes.size(), fReadTimeout, text);
  if (status == platform::SocketStatus::failed) fLostReason = text;
  if (status != platform::SocketStatus::ok) throw Error(text);
}

}  // namespace qx
