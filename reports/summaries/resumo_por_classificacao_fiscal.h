#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// The summary by ICMS rate, tax-situation code and product group. The financial view fills
// ##VendasNosBicos first and leaves it filled.
std::string ResumoPorClassificacaoFiscalSQL(host::Database& oDB,
                                            const query::TaxSummaryRequest& request);

}  // namespace orla::reports
