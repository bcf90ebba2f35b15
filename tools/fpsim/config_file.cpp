#include "fpsim/config_file.h"

#include <fstream>
#include <sstream>

#include "fpsim/field_text.h"
#include "support/error.h"

namespace qx::fpsim {

void ApplySettingText(SimulatorConfig& aConfig, std::string_view aAssignment) {
  const size_t eq = aAssignment.find('=');
  if (eq == std::string_view::npos) throw Error("expected key = value, not '" + std::string(aAssignment) + "'");
  ApplySetting(aConfig, TrimBlanks(aAssignment.substr(0, eq)), TrimBlanks(aAssignment.substr(eq + 1)));
}

void ApplyConfigText(SimulatorConfig& aConfig, std::string_view aText) {
  size_t start = 0;
  int number = 0;
  while (start <= aText.size()) {
    size_t end = aText.find('\n', start);
    if (end == std::string_view::npos) end = aText.size();
    std::string line(aText.substr(start, end - start));
    ++number;
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    try {
      ApplySettingText(aConfig, trimmed);
    } catch (const Error& e) {
      throw Error("line " + std::to_string(number) + ": " + e.what());
    }
  }
}

void LoadConfigFile(SimulatorConfig& aConfig, const std::string& aPath) {
  std::ifstream file(aPath, std::ios::binary);
  if (!file) throw Error("cannot read the settings file " + aPath);
  std::ostringstream text;
  text << file.rdbuf();
  try {
    ApplyConfigText(aConfig, text.str());
  } catch (const Error& e) {
    throw Error(aPath + ": " + e.what());
  }
}

}  // namespace qx::fpsim
