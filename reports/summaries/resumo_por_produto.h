#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// The summary by product. The financial view fills ##VendasNosBicos first and leaves it
// filled.
std::string ResumoPorProdutoSQL(host::Database& oDB, const query::SummaryRequest& request);

}  // namespace orla::reports
