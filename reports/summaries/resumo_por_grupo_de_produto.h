#pragma once

#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/summaries/summary_query.h"

namespace orla::reports {

extern const ReportDescriptor kResumoPorGrupoDeProduto;

// The summary by product group (and by fuel). The financial view fills ##VendasNosBicos
// first and leaves it filled.
std::string ResumoPorGrupoDeProdutoSQL(host::Database& oDB, const SummaryRequest& request);

}  // namespace orla::reports
