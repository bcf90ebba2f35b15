#include "documents/amount_arithmetic.h"

#include <limits>

#include "support/error.h"

namespace qx {

Currency CheckedAdd(Currency a, Currency b) {
  int64_t sum = 0;
  if (__builtin_add_overflow(a.Raw(), b.Raw(), &sum))
    throw Error(u"Amount " + a.ToText() + u" + " + b.ToText() + u" is out of range");
  return Currency::FromRaw(sum);
}

Currency CheckedNegate(Currency a) {
  if (a.Raw() == std::numeric_limits<int64_t>::min()) throw Error(u"Amount -(" + a.ToText() + u") is out of range");
  return -a;
}

}  // namespace qx
