#include "reports/shared_parameters.h"

namespace orla::reports {

Period PeriodAt(const query::BuilderArguments& a, int first) {
  return {a.Text(first), a.Text(first + 1)};
}

AdjustmentSwitches AdjustmentsAt(const query::BuilderArguments& a, int first) {
  return {a.Boolean(first), a.Boolean(first + 1)};
}

ProductKindSwitches ProductKindsAt(const query::BuilderArguments& a, int first) {
  return {a.Boolean(first), a.Boolean(first + 1)};
}

TaxSituationSwitches TaxSituationAt(const query::BuilderArguments& a, int first) {
  return {a.Boolean(first), a.Boolean(first + 1), a.Boolean(first + 2), a.Boolean(first + 3),
          a.Double(first + 4)};
}

}  // namespace orla::reports
