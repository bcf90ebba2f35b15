#include "device/device_handler.h"

#include "documents/request_xml.h"
#include "documents/rpt_util.h"
#include "support/error.h"
#include "transport/io_handler_com.h"
#include "transport/io_handler_dll.h"
#include "transport/io_handler_opos.h"
#include "transport/io_handler_serial.h"
#include "transport/io_handler_http.h"
#include "transport/io_handler_spool.h"
#include "transport/io_handler_tcp.h"

namespace qx {

namespace {

String ParameterName(StringView aLine) {
  const size_t eq = aLine.find(u'=');
  return String(aLine.substr(0, eq));
}

const String* FindParameter(const StringList& aParameters, StringView aName) {
  const String name = LowerCase(aName);
  for (const String& line : aParameters) {
    if (ParameterName(line) == name) return &line;
  }
  return nullptr;
}

// The transports of this platform; the others have no implementation here yet.
String UnavailableTransport(qxConnectionType aType) {
  switch (aType) {
    case qxConnectionType::HTTP: return u"http";
    default: return u"";
  }
}

// The longest time-out a configuration may set: a printer answers within seconds, and a larger
// value (a mistyped one) would make a silent printer hang its caller for hours.
constexpr int32_t kMaxTimeoutMs = 600000;

// A time-out of the configuration; 0 or less keeps the default (the setters ignore it).
int32_t TimeoutValue(StringView aName, int32_t aValue) {
  if (aValue > kMaxTimeoutMs)
    throw Error(u"Connection " + String(aName) + u" " + IntToStr(aValue) + u" is not valid: at most " +
                IntToStr(kMaxTimeoutMs) + u" ms");
  return aValue;
}

}  // namespace

kDeviceHandler::kDeviceHandler() : fConnection(std::make_unique<kConnection>()) {}

kDeviceHandler::~kDeviceHandler() = default;

std::unique_ptr<pugi::xml_document> kDeviceHandler::Deserialize(StringView aXml) {
  std::unique_ptr<pugi::xml_document> doc = ParseRequestXml(aXml);
  const pugi::xml_node root = doc->document_element();
  fDriver = krptUtil::GetNodeValueAsString(root, "Driver");
  fMethod = krptUtil::GetNodeValueAsString(root, "Method");
  fDeviceHandle = krptUtil::GetNodeValueAsInteger(root, "Handle");
  fLogId = krptUtil::GetNodeValueAsString(root, "LogId");
  if (const pugi::xml_node connection = root.child("Connection")) ReadConnection(connection);
  if (const pugi::xml_node parameters = root.child("Parameters")) ReadParameters(parameters);
  if (ParameterExists(u"DeviceName")) fConnection->SetDeviceName(GetParameter(u"DeviceName"));
  if (ParameterExists(u"ConnectTimeout"))
    fConnection->SetConnectTimeOut(TimeoutValue(u"ConnectTimeout", StrToInt(GetParameter(u"ConnectTimeout"))));
  return doc;
}

void kDeviceHandler::ReadConnection(pugi::xml_node aConnection) {
  kConnection& c = *fConnection;
  c.SetConnectionType(kConnection::ConvertConnectionType(krptUtil::GetNodeValueAsString(aConnection, "Type")));
  c.SetConnectTimeOut(TimeoutValue(u"ConnectTimeout", krptUtil::GetNodeValueAsInteger(aConnection, "ConnectTimeout")));
  c.SetReadTimeOut(TimeoutValue(u"ReadTimeout", krptUtil::GetNodeValueAsInteger(aConnection, "ReadTimeout")));
  const qxConnectionType type = c.ConnectionType();
  const bool network = type == qxConnectionType::TCP || type == qxConnectionType::HTTP;
  if (type == qxConnectionType::OPOS) c.SetDeviceName(krptUtil::GetNodeValueAsString(aConnection, "DeviceName"));
  if (network) {
    c.SetAddress(krptUtil::GetNodeValueAsString(aConnection, "Address"));
    c.SetPort(krptUtil::GetNodeValueAsInteger(aConnection, "Port"));
  }
  if (network || type == qxConnectionType::Serial) {
    c.SetURL(krptUtil::GetNodeValueAsString(aConnection, "URL"));
    c.SetAuthType(kConnection::ConvertAuthType(krptUtil::GetNodeValueAsString(aConnection, "AuthType")));
    c.SetUser(krptUtil::GetNodeValueAsString(aConnection, "User"));
    c.SetPassword(krptUtil::GetNodeValueAsString(aConnection, "Password"));
  }
  if (type == qxConnectionType::Serial) {
    c.SetSerialPort(krptUtil::GetNodeValueAsString(aConnection, "SerialPort"));
    c.SetSpeed(krptUtil::GetNodeValueAsInteger(aConnection, "Speed"));
    c.SetDataBits(krptUtil::GetNodeValueAsInteger(aConnection, "DataBits"));
    c.SetParity(kConnection::ConvertParity(krptUtil::GetNodeValueAsString(aConnection, "Parity")));
    c.SetStopBits(krptUtil::GetNodeValueAsInteger(aConnection, "StopBits"));
  }
  // Values that the transports would otherwise take changed (a port number cut to 16 bits) or
  // that no line runs at; 0 is no port (HTTP: the URL's).
  if (network && (c.Port() < 0 || c.Port() > 65535))
    throw Error(u"Connection Port " + IntToStr(c.Port()) + u" is not valid: ports are 1 to 65535");
  if (type == qxConnectionType::Serial && c.Speed() <= 0)
    throw Error(u"Connection Speed " + IntToStr(c.Speed()) + u" is not valid");
  if (type == qxConnectionType::DLL) c.SetLibraryName(krptUtil::GetNodeValueAsString(aConnection, "LibraryName"));
  if (type == qxConnectionType::Spool) c.SetPrinterName(krptUtil::GetNodeValueAsString(aConnection, "PrinterName"));
}

void kDeviceHandler::ReadParameters(pugi::xml_node aParameters) {
  for (const pugi::xml_node node : aParameters.children()) {
    if (node.type() != pugi::node_element) continue;
    // A repeated name gets the first element's value, so the first one wins everywhere.
    const String value = krptUtil::GetNodeValueAsString(aParameters, node.name());
    fParameters.push_back(LowerCase(FromUtf8(node.name())) + u"=" + value);
  }
}

String kDeviceHandler::GetParameter(StringView aName) const {
  const String* line = FindParameter(fParameters, aName);
  if (line == nullptr) return String();
  return line->substr(line->find(u'=') + 1);
}

bool kDeviceHandler::ParameterExists(StringView aName) const { return FindParameter(fParameters, aName) != nullptr; }

bool kDeviceHandler::ParameterIsTrue(StringView aName) const { return LowerCase(GetParameter(aName)) == u"true"; }

std::unique_ptr<kIOHandler> kDeviceHandler::CreateIOHandler(StringView aLogDir) const {
  const String logName = fDriver + u"_" + fLogId;
  std::unique_ptr<kIOHandler> handler;
  switch (fConnection->ConnectionType()) {
    case qxConnectionType::Serial:
      handler = std::make_unique<kIOHandler_Serial>(*fConnection, aLogDir, logName);
      break;
    case qxConnectionType::TCP:
      handler = std::make_unique<kIOHandler_TCP>(*fConnection, aLogDir, logName);
      break;
    case qxConnectionType::HTTP:
      handler = std::make_unique<kIOHandler_HTTP>(fConnection.get(), aLogDir, logName);
      break;
    case qxConnectionType::OPOS:
      handler = std::make_unique<kIOHandler_OPOS>(*fConnection, aLogDir, logName);
      break;
    case qxConnectionType::DLL:
      handler = std::make_unique<kIOHandler_Dll>(*fConnection, aLogDir, logName);
      break;
    case qxConnectionType::Com:
      handler = std::make_unique<kIOHandler_Com>(fConnection.get(), aLogDir, logName);
      break;
    case qxConnectionType::Spool:
      handler = std::make_unique<kIOHandler_Spool>(*fConnection, aLogDir, logName);
      break;
    default:
      throw Error(u"Connection Type " + UnavailableTransport(fConnection->ConnectionType()) +
                  u" is not available on this platform");
  }
  handler->SetHexLog(ParameterIsTrue(u"HexLog"));
  return handler;
}

}  // namespace qx
