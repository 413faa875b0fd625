// Pieces of the expected statements taken from the shared fragments, whose own texts the
// fragment tests pin: a report's exact text then fails on how it puts the pieces together.
#pragma once

#include <string>
#include <string_view>

#include "query/fragments.h"

namespace orla::testing {

struct Amounts {
  std::string surcharge, discount, gap;  // gap: the discount's special-price gap alone
};

// The surcharge and discount on the sale columns of `a`, with the special-price gap or
// without it, leaving out the adjustments of the sales the switches name.
inline Amounts AmountsOf(std::string_view a, bool withGap, bool ignoreComplementary = false,
                         bool ignoreOthers = false) {
  std::string caption;
  std::string gap;
  const std::string surcharge =
      query::SurchargeExpression(ignoreComplementary, ignoreOthers, caption, !withGap);
  const std::string discount =
      query::DiscountExpression(ignoreComplementary, ignoreOthers, caption, !withGap, gap);
  return {query::Replace(surcharge, "{a}", a), query::Replace(discount, "{a}", a),
          query::Replace(gap, "{a}", a)};
}

}  // namespace orla::testing
