#include "fpsim/frame_codec.h"

#include "fpsim/field_text.h"

namespace qx::fpsim {

std::string FrameChecksum(std::string_view aBody) {
  unsigned sum = 0;
  for (char c : aBody) sum += static_cast<unsigned char>(c);
  return Digits(sum % 100, 2);
}

std::string BuildRequestFrame(int aFrameNumber, std::string_view aCommand, std::string_view aData) {
  std::string body = Digits(aFrameNumber < 0 ? 0 : aFrameNumber, 2);
  body += 'E';
  body += aCommand;
  body += aData;
  return std::string(1, kStx) + body + FrameChecksum(body) + std::string(1, kEtx);
}

FrameCheck ParseRequestInner(std::string_view aInner, RequestFrame& aFrame) {
  if (aInner.size() < 9) return FrameCheck::TooShort;
  const std::string_view body = aInner.substr(0, aInner.size() - 2);
  if (FrameChecksum(body) != aInner.substr(aInner.size() - 2)) return FrameCheck::BadChecksum;
  aFrame.frameNumber = std::string(body.substr(0, 2));
  aFrame.identifier = body[2];
  aFrame.command = std::string(body.substr(3, 4));
  aFrame.data = std::string(body.substr(7));
  return FrameCheck::Ok;
}

namespace {

std::string Wrap(std::string body, bool aCorruptChecksum) {
  std::string checksum = FrameChecksum(body);
  if (aCorruptChecksum) checksum = Digits((std::stoi(checksum) + 1) % 100, 2);
  return std::string(1, kStx) + body + checksum + std::string(1, kEtx);
}

std::string TwoCharacters(std::string_view aFrameNumber) {
  std::string number(aFrameNumber.substr(0, 2));
  while (number.size() < 2) number.insert(number.begin(), '0');
  return number;
}

}  // namespace

std::string BuildAnswerFrame(std::string_view aFrameNumber, std::string_view aEcho, std::string_view aData,
                             bool aCorruptChecksum) {
  std::string body = TwoCharacters(aFrameNumber);
  body += kAnswerMark;
  body += aEcho;
  body += aData;
  return Wrap(std::move(body), aCorruptChecksum);
}

std::string BuildErrorFrame(std::string_view aFrameNumber, int aCode, bool aCorruptChecksum) {
  std::string body = TwoCharacters(aFrameNumber);
  body += kAnswerMark;
  body += "ERR00";
  body += Digits(aCode < 0 ? 0 : aCode, 2);
  return Wrap(std::move(body), aCorruptChecksum);
}

bool ParseAnswerFrame(std::string_view aFrame, AnswerFrame& aAnswer) {
  aAnswer = AnswerFrame{};
  if (aFrame.size() < 2 || aFrame.front() != kStx || aFrame.back() != kEtx) return false;
  aAnswer.inner = std::string(aFrame.substr(1, aFrame.size() - 2));
  const std::string& in = aAnswer.inner;
  if (in.size() < 9) return false;
  aAnswer.full = in.substr(3, in.size() - 5);
  aAnswer.echo = in.substr(3, 4);
  aAnswer.data = in.substr(7, in.size() - 9);
  aAnswer.checksum = in.substr(in.size() - 2);
  aAnswer.checksumOk = FrameChecksum(std::string_view(in).substr(0, in.size() - 2)) == aAnswer.checksum;
  aAnswer.isError = in.compare(3, 3, "ERR") == 0;
  if (aAnswer.isError && in.size() >= 10) {
    int64_t code = 0;
    if (ParseDigits(std::string_view(in).substr(8, 2), code)) aAnswer.errorCode = static_cast<int>(code);
  }
  return true;
}

}  // namespace qx::fpsim
