#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// Fills ##Tabela with volume and amount per day and fuel, puts each fuel under its short
// label, appends "label - description" per fuel to the request's legend and gives the query
// that reads the table back.
std::string TabelaDeVendasPorCombustiveisSQL(host::Database& oDB,
                                             const query::SalesTableRequest& request);

}  // namespace orla::reports
