#pragma once

#include <string>

#include "query/requests.h"

namespace orla::reports {

// The fuel sold on complementary sale documents, per sale type and product. With a shift the
// period applies to the till period's opening date, without one to the fiscal date.
std::string MovimentacaoDeCombustiveisPorVendaComplementarSQL(
    const query::ComplementarySaleRequest& request);

}  // namespace orla::reports
