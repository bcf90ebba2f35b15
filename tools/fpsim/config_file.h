// The simulator's settings file: one "key = value" per line, "#" starts a comment line, blank
// lines are ignored. Keys as in ApplySetting (printer_config.h).
#pragma once

#include <string>
#include <string_view>

#include "fpsim/printer_config.h"

namespace qx::fpsim {

// Applies every line of aText; raises qx::Error naming the line number on the first bad line.
void ApplyConfigText(SimulatorConfig& aConfig, std::string_view aText);
// Reads the file and applies it; raises qx::Error when it cannot be read.
void LoadConfigFile(SimulatorConfig& aConfig, const std::string& aPath);
// "key=value" as given on the command line.
void ApplySettingText(SimulatorConfig& aConfig, std::string_view aAssignment);

}  // namespace qx::fpsim
