#pragma once

#include <string>

#include "host/database.h"
#include "query/requests.h"

namespace orla::reports {

// Runs the database's `_VendasPorGrupoDeProdutosPorFormaDePagto` on a command object of its
// own, then gives the query that reads that run's rows back from `###VendasF`, shaped by the
// report type. Opens the connection and leaves it open; the operation closes it.
std::string TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL(
    host::Database& oDB, const query::PaymentFormTableRequest& request);

}  // namespace orla::reports
