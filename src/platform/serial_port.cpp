// The parts of the serial port that are the same on every platform; the system calls are in
// linux/serial_port.cpp and windows/serial_port.cpp.
#include "platform/serial_port.h"

namespace qx {

TComPort::TComPort(uint32_t ncom) : fComNumber(ncom) {}

TComPort::TComPort(uint32_t ncom, uint32_t baud) : fComNumber(ncom), fBaudRate(baud) {}

TComPort::TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity)
    : fComNumber(ncom), fBaudRate(baud), fDataBits(data), fStopBits(stop), fParity(parity) {}

TComPort::~TComPort() {
  if (fIsOpen) Close();
}

String TComPort::PortName() const {
  return fDevicePath.empty() ? u"COM" + IntToStr(fComNumber) : fDevicePath;
}

bool TComPort::WriteText(std::string_view aText) {
  return PortWrite(aText.data(), static_cast<uint32_t>(aText.size())) == aText.size();
}

}  // namespace qx
