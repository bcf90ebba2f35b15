// The requests that open the Epson driver on a serial port or a TCP address, with a hex log.
#pragma once

#include <cstdint>
#include <string>

namespace qx::testing {

inline std::string SerialRequest(const std::string& aDevice, int aReadTimeout, const std::string& aParameters = "") {
  return "<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>drv</LogId><Connection><Type>serial</Type><SerialPort>" +
         aDevice +
         "</SerialPort><Speed>115200</Speed><DataBits>8</DataBits><Parity>none</Parity><StopBits>1</StopBits>"
         "<ReadTimeout>" + std::to_string(aReadTimeout) + "</ReadTimeout></Connection><Parameters>" + aParameters +
         "<HexLog>true</HexLog></Parameters></R>";
}

inline std::string TcpRequest(uint16_t aPort, int aReadTimeout, const std::string& aParameters = "") {
  return "<R><Driver>QXRP_EPSFPNAT_20</Driver><LogId>drv</LogId><Connection><Type>tcp</Type>"
         "<Address>127.0.0.1</Address><Port>" + std::to_string(aPort) +
         "</Port><ConnectTimeout>2000</ConnectTimeout><ReadTimeout>" + std::to_string(aReadTimeout) +
         "</ReadTimeout></Connection><Parameters>" + aParameters + "<HexLog>true</HexLog></Parameters></R>";
}

}  // namespace qx::testing
