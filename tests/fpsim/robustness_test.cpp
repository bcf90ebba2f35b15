// Any byte stream: the printer refuses or ignores what it cannot read, never crashes, and keeps
// answering good frames afterwards.
#include <gtest/gtest.h>

#include <random>

#include "driver_side.h"
#include "fpsim/simulator.h"

namespace qx::fpsim {
namespace {

// What the printer may send without faults: ACK, resend, or a well-formed answer frame.
void ExpectPrinterBytes(const std::vector<Emission>& aOut) {
  for (const Emission& e : aOut) {
    ASSERT_FALSE(e.drop);
    if (e.bytes == std::string(1, kAck) || e.bytes == std::string(1, kResend)) continue;
    AnswerFrame answer;
    ASSERT_TRUE(ParseAnswerFrame(e.bytes, answer)) << HexBytes(e.bytes);
    EXPECT_TRUE(answer.checksumOk);
  }
}

TEST(Robustness, RandomBytesAreRefusedOrIgnored) {
  Simulator simulator;
  std::mt19937 random(20250305);
  std::string stream;
  for (int i = 0; i < 300000; ++i) {
    const unsigned pick = random() % 100;
    if (pick < 4) stream += kStx;
    else if (pick < 8) stream += kEtx;
    else if (pick < 10) stream += kAck;
    else stream += static_cast<char>(random() % 256);
  }
  for (size_t at = 0; at < stream.size();) {
    const size_t chunk = 1 + random() % 64;
    ExpectPrinterBytes(simulator.Feed(std::string_view(stream).substr(at, chunk)));
    at += chunk;
  }
  testing::DirectLink link(simulator);
  link.Send("4201");  // still answering
}

TEST(Robustness, WellFormedFramesWithRandomDataAreAnswered) {
  static const char* const kCommands[] = {
      "2050", "4201", "4001", "1074", "1138", "3217", "1088", "4214", "4215", "4014", "4015", "9205", "1085",
      "1078", "4025", "1089", "1052", "1135", "1080", "1081", "1090", "1083", "1086", "1084", "1087", "1070",
      "2052", "1063", "1064", "1075", "1065", "1062", "1050", "1047", "3098", "4038", "3103", "9218", "4205",
      "4005", "4237", "4037", "4202", "4002", "2001", "3001", "0000", "9999"};
  static const std::string kAlphabets[] = {"0123456789", "0123456789 ", "01 ABCDEFGHIJKLMNOPQRSTUVWXYZ"};
  const std::string item = "01" + std::string("Pane") + std::string(28, ' ') + "0001000" "000000150" "01" "1";
  const std::string payment = "01" + std::string(32, ' ') + "000000150" "000" "1";
  const std::pair<const char*, std::string> kSamples[] = {
      {"1085", "01"}, {"1080", item}, {"1081", item}, {"1084", payment}, {"1084", "01" "000001250" "2" "01" "1"},
      {"1083", "01" + std::string(32, ' ') + "000000010" "0" "00" "1"}, {"1090", "01" + std::string(32, ' ') + "000000010" "01" "01" "1"},
      {"9205", "199MEB012345" "05032025" "0001" "0001"}, {"1078", "0140001REFUND 0001 0001 05032025 99MEB012345"},
      {"1078", "0140001VOID 0001 0001 05032025 99MEB012345"}, {"3103", "0111050325050325" "0" "00"},
      {"4038", "0236092" + std::string(35, ' ')}, {"4002", "07" + std::string(20, 'X') + std::string(28, '0') + "11" + std::string(13, '0') + "  1" "00" "02"},
      {"4001", "050325090700"}, {"9218", "99MEB0120001000105032500"}, {"3001", "01"}, {"1063", "01"}, {"1065", "01"}};
  Simulator simulator;
  std::mt19937 random(7);
  for (int i = 1; i <= 30000; ++i) {
    std::string command = kCommands[random() % std::size(kCommands)];
    std::string data;
    const size_t length = random() % 90;
    const unsigned kind = random() % 6;
    if (kind >= 4) {  // a good command with a few characters changed, cut or lengthened
      const auto& sample = kSamples[random() % std::size(kSamples)];
      command = sample.first;
      data = sample.second;
      for (unsigned n = random() % 3; n > 0 && !data.empty(); --n) data[random() % data.size()] = "0123456789 A"[random() % 12];
      if (random() % 8 == 0) data.resize(random() % (data.size() + 3), '0');
    }
    for (size_t j = 0; kind < 4 && j < length; ++j) {
      if (kind == 3) {
        char c = static_cast<char>(random() % 256);
        if (c == kStx || c == kEtx) c = '0';
        data += c;
      } else {
        data += kAlphabets[kind][random() % kAlphabets[kind].size()];
      }
    }
    const std::vector<Emission> out = simulator.Feed(BuildRequestFrame(i, command, data));
    ASSERT_EQ(out.size(), 2u) << command << " " << data;
    EXPECT_EQ(out[0].bytes, std::string(1, kAck));
    ExpectPrinterBytes(out);
    simulator.Feed(std::string(1, kAck));
  }
}

TEST(Robustness, ServerSurvivesGarbageOnTheLine) {
  Simulator simulator;
  testing::WireLink line = testing::WireLink::Tcp(simulator.StartTcp());
  std::mt19937 random(11);
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random() % 256);
  line.Write(garbage);
  line.Write(std::string(1, kEtx));  // ends whatever frame the garbage left open
  line.ReadFor(100);
  line.Write(BuildRequestFrame(1, "4201", ""));
  const std::string answer = line.ReadUntil([](const std::string& b) {
    return b.size() > 2 && b.back() == kEtx && b.find(std::string(1, kStx) + "01E4201") != std::string::npos;
  });
  EXPECT_NE(answer.find("01E4201"), std::string::npos);
}

}  // namespace
}  // namespace qx::fpsim
