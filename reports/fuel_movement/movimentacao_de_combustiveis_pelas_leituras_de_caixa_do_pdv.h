#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// Rebuilds ##VendasNosBicos and gives the query of its movement per nozzle and fuel.
std::string MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
    host::Database& oDB, const query::ReadingsMovementRequest& request);

}  // namespace orla::reports
