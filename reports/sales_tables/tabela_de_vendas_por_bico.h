#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// Volume and value per business day, till and nozzle. The fiscal view reads the fiscally
// documented fuel sale lines; the financial view rebuilds ##VendasNosBicos and reads it.
std::string TabelaDeVendasPorBicoSQL(host::Database& oDB, const query::SalesTableRequest& request);

}  // namespace orla::reports
