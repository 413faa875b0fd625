#pragma once

#include <string>

#include "query/requests.h"

namespace orla::reports {

// The first N clients or products by the chosen measure, on fiscal sale documents only.
std::string RankingDeVendasSQL(const query::RankingRequest& request);

}  // namespace orla::reports
