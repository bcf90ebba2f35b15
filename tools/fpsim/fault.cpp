#include "fpsim/fault.h"

#include "fpsim/field_text.h"
#include "support/error.h"

namespace qx::fpsim {

namespace {

struct KindName {
  FaultKind kind;
  const char* name;
};

constexpr KindName kKindNames[] = {
    {FaultKind::Silence, "silence"},         {FaultKind::AckThenSilence, "ack-silence"},
    {FaultKind::Resend, "resend"},           {FaultKind::Busy, "busy"},
    {FaultKind::Error, "error"},             {FaultKind::StrayBytes, "stray"},
    {FaultKind::SplitAnswer, "split"},       {FaultKind::SlowAnswer, "slow"},
    {FaultKind::DropConnection, "drop"},     {FaultKind::WrongChecksum, "bad-checksum"},
    {FaultKind::WrongEcho, "echo"},          {FaultKind::LostAnswer, "lost"},
    {FaultKind::ActThenSilence, "act-silence"}, {FaultKind::ActThenDrop, "act-drop"},
};

[[noreturn]] void Bad(std::string_view aFaultText, std::string_view aWhy) {
  throw Error("fault '" + std::string(aFaultText) + "': " + std::string(aWhy));
}

int Number(std::string_view aFaultText, std::string_view aText, int aMax) {
  int64_t value = 0;
  if (!ParseDigits(aText, value) || value > aMax) Bad(aFaultText, "'" + std::string(aText) + "' is not a valid number");
  return static_cast<int>(value);
}

std::string HexBytes(std::string_view aFaultText, std::string_view aHex) {
  if (aHex.empty() || aHex.size() % 2 != 0) Bad(aFaultText, "stray bytes are pairs of hexadecimal digits");
  std::string bytes;
  for (size_t i = 0; i < aHex.size(); i += 2) {
    int value = 0;
    for (char c : aHex.substr(i, 2)) {
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) Bad(aFaultText, "stray bytes are pairs of hexadecimal digits");
      value = value * 16 + digit;
    }
    bytes += static_cast<char>(value);
  }
  return bytes;
}

bool IsCommand(std::string_view aText) {
  int64_t ignored = 0;
  return aText.size() == 4 && ParseDigits(aText, ignored);
}

}  // namespace

bool FaultExecutesFrame(FaultKind aKind) {
  switch (aKind) {
    case FaultKind::Busy:
    case FaultKind::StrayBytes:
    case FaultKind::SplitAnswer:
    case FaultKind::SlowAnswer:
    case FaultKind::WrongChecksum:
    case FaultKind::WrongEcho:
    case FaultKind::LostAnswer:
    case FaultKind::ActThenSilence:
    case FaultKind::ActThenDrop:
      return true;
    default:
      return false;
  }
}

std::string FaultKindName(FaultKind aKind) {
  for (const KindName& k : kKindNames)
    if (k.kind == aKind) return k.name;
  return "?";
}

Fault ParseFault(std::string_view aFaultText) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t colon = aFaultText.find(':', start);
    parts.push_back(aFaultText.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (parts.size() < 2 || parts.size() > 3) Bad(aFaultText, "expected COMMAND:KIND[=ARGS][:COUNT]");

  Fault fault;
  if (parts[0] != "*") {
    if (!IsCommand(parts[0])) Bad(aFaultText, "the command is four digits or *");
    fault.command = std::string(parts[0]);
  }

  std::string_view kind = parts[1];
  std::string_view args;
  if (const size_t eq = kind.find('='); eq != std::string_view::npos) {
    args = kind.substr(eq + 1);
    kind = kind.substr(0, eq);
  }
  bool known = false;
  for (const KindName& k : kKindNames) {
    if (kind == k.name) {
      fault.kind = k.kind;
      known = true;
    }
  }
  if (!known) Bad(aFaultText, "unknown fault kind '" + std::string(kind) + "'");

  std::string_view first = args, second;
  if (const size_t slash = args.find('/'); slash != std::string_view::npos) {
    first = args.substr(0, slash);
    second = args.substr(slash + 1);
  }
  switch (fault.kind) {
    case FaultKind::Busy:
      fault.value = first.empty() ? 1 : Number(aFaultText, first, 1000);
      fault.pauseMs = second.empty() ? 50 : Number(aFaultText, second, 600000);
      break;
    case FaultKind::Error:
      if (first.empty()) Bad(aFaultText, "error needs a code, as in error=23");
      fault.value = Number(aFaultText, first, 99);
      break;
    case FaultKind::StrayBytes:
      fault.text = first.empty() ? std::string("\xFF") : HexBytes(aFaultText, first);
      break;
    case FaultKind::SplitAnswer:
      fault.value = first.empty() ? 2 : Number(aFaultText, first, 1000);
      fault.pauseMs = second.empty() ? 20 : Number(aFaultText, second, 600000);
      if (fault.value < 1) fault.value = 1;
      break;
    case FaultKind::SlowAnswer:
      fault.pauseMs = first.empty() ? 500 : Number(aFaultText, first, 600000);
      break;
    case FaultKind::WrongEcho:
      if (!IsCommand(first)) Bad(aFaultText, "echo needs a four-digit command, as in echo=4201");
      fault.text = std::string(first);
      break;
    case FaultKind::ActThenSilence:
      // "MS" (0 or none: until the faults are cleared) or "N/frames".
      if (second.empty()) {
        fault.pauseMs = first.empty() ? 0 : Number(aFaultText, first, 600000);
      } else {
        if (second != "frames") Bad(aFaultText, "act-silence takes milliseconds or N/frames, as in act-silence=2/frames");
        fault.value = Number(aFaultText, first, 1000000);
        if (fault.value < 1) Bad(aFaultText, "act-silence needs at least one frame (act-silence=0 is until cleared)");
      }
      break;
    default:
      if (!args.empty()) Bad(aFaultText, "this fault takes no arguments");
      break;
  }

  if (parts.size() == 3) {
    if (parts[2] == "always")
      fault.count = -1;
    else
      fault.count = Number(aFaultText, parts[2], 1000000);
  }
  return fault;
}

void FaultPlan::Add(const Fault& aFault) {
  if (aFault.count != 0) fFaults.push_back(aFault);
}

void FaultPlan::Clear() {
  fFaults.clear();
  fSilence = {};
}

void FaultPlan::StartSilence(const Fault& aFault, int64_t aNowMs) {
  fSilence.active = true;
  fSilence.framesLeft = aFault.value;
  fSilence.untilMs = aFault.pauseMs > 0 ? aNowMs + aFault.pauseMs : -1;
}

bool FaultPlan::Silenced(int64_t aNowMs) {
  if (!fSilence.active) return false;
  if (fSilence.untilMs >= 0 && aNowMs >= fSilence.untilMs) {
    fSilence = {};
    return false;
  }
  if (fSilence.framesLeft > 0 && --fSilence.framesLeft == 0) fSilence.active = false;
  return true;
}

std::optional<Fault> FaultPlan::Take(std::string_view aCommand) {
  for (auto it = fFaults.begin(); it != fFaults.end(); ++it) {
    if (!it->command.empty() && it->command != aCommand) continue;
    Fault fault = *it;
    if (it->count > 0 && --it->count == 0) fFaults.erase(it);
    return fault;
  }
  return std::nullopt;
}

}  // namespace qx::fpsim
