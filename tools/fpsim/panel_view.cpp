#include "fpsim/panel_view.h"

#include "fpsim/field_text.h"

namespace qx::fpsim {

std::vector<std::string> DisplayPanel(const std::string& aDisplayText) {
  std::vector<std::string> lines;
  for (size_t n = 0; n < kDisplayLines; ++n) {
    const std::string part = n * kDisplayLineLength < aDisplayText.size()
                                 ? aDisplayText.substr(n * kDisplayLineLength, kDisplayLineLength)
                                 : std::string();
    lines.push_back(std::string(n == 0 ? "display " : "        ") + "|" + PadCut(part, kDisplayLineLength) + "|");
  }
  return lines;
}

std::vector<std::string> PanelWatcher::Changes(const PrinterState& aState) {
  std::vector<std::string> lines;
  if (aState.display != fDisplay) {
    fDisplay = aState.display;
    lines = DisplayPanel(fDisplay);
  }
  if (aState.drawerOpen != fDrawerOpen) {
    fDrawerOpen = aState.drawerOpen;
    lines.push_back(fDrawerOpen ? "drawer  open" : "drawer  closed");
  }
  return lines;
}

}  // namespace qx::fpsim
