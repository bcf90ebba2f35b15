// Sums and negations of amounts that stop with an error instead of wrapping around: a request
// may carry amounts at the very edge of the amount range.
#pragma once

#include "support/currency.h"

namespace qx {

// Raises "Amount <a> + <b> is out of range".
Currency CheckedAdd(Currency a, Currency b);
// Raises "Amount -(<a>) is out of range" for the one amount whose negation does not exist.
Currency CheckedNegate(Currency a);

}  // namespace qx
