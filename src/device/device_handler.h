// The configuration part of a request: driver name, handle, log id, connection settings and the
// named parameters. It answers parameter queries and creates the transport the settings name.
#pragma once

#include <cstdint>
#include <memory>

#include <pugixml.hpp>

#include "support/text.h"
#include "transport/connection.h"

namespace qx {

class kIOHandler;

class kDeviceHandler {
 public:
  kDeviceHandler();
  virtual ~kDeviceHandler();
  kDeviceHandler(const kDeviceHandler&) = delete;
  kDeviceHandler& operator=(const kDeviceHandler&) = delete;

  // Parses the request and reads its configuration elements; returns the parsed document for
  // the request documents. Raises the parser's message or the configuration's own messages.
  std::unique_ptr<pugi::xml_document> Deserialize(StringView aXml);

  // The value of the first parameter of that name (any letter case); empty when there is none.
  String GetParameter(StringView aName) const;
  // Whether the parameter is present, also with an empty value.
  bool ParameterExists(StringView aName) const;
  // Whether the parameter's value is "true" in any letter case.
  bool ParameterIsTrue(StringView aName) const;

  // The transport for the connection settings, its log named Driver + "_" + LogId in aLogDir.
  std::unique_ptr<kIOHandler> CreateIOHandler(StringView aLogDir) const;

  String fDriver;
  String fMethod;
  std::unique_ptr<kConnection> fConnection;
  int32_t fDeviceHandle = 0;
  StringList fParameters;  // "name=value", names in lower case
  String fLogId;

 private:
  void ReadConnection(pugi::xml_node aConnection);
  void ReadParameters(pugi::xml_node aParameters);
};

}  // namespace qx
