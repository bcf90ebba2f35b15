// What a person standing at the till sees besides the paper: the customer display's two lines
// and the cash drawer. The watcher compares the printer's state with what it showed last and
// returns readable lines for what changed.
#pragma once

#include <string>
#include <vector>

#include "fpsim/printer_model.h"

namespace qx::fpsim {

// The customer display: two lines of twenty characters.
constexpr size_t kDisplayLines = 2;
constexpr size_t kDisplayLineLength = 20;

// "display |FIRST LINE          |" and "        |SECOND LINE         |".
std::vector<std::string> DisplayPanel(const std::string& aDisplayText);

class PanelWatcher {
 public:
  // The lines to show for what changed since the last call (nothing for the initial state).
  std::vector<std::string> Changes(const PrinterState& aState);

 private:
  std::string fDisplay;
  bool fDrawerOpen = false;
};

}  // namespace qx::fpsim
