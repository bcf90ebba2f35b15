#include "support/error.h"

namespace qx {

Error::Error(String aMessage) : fMessage(std::move(aMessage)), fUtf8(ToUtf8(fMessage)) {}

Error::Error(std::string_view aUtf8Message) : fMessage(FromUtf8(aUtf8Message)), fUtf8(aUtf8Message) {}

}  // namespace qx
