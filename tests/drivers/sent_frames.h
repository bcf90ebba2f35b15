// The frames a simulated printer received, as command code and data.
#pragma once

#include <string>
#include <vector>

#include "fpsim/simulator.h"

namespace qx::testing {

// Command and data of every frame received, in order (frame number, "E" and checksum left out).
inline std::vector<std::string> SentFrames(const fpsim::Simulator& aSimulator) {
  std::vector<std::string> out;
  for (const std::string& frame : aSimulator.FramesReceived()) out.push_back(frame.substr(4, frame.size() - 7));
  return out;
}

}  // namespace qx::testing
