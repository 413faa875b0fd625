#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto;

struct PaymentFormTableRequest {
  Period period;
  std::string Filtro_IDProduto;  // product codes, separated by commas
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoRelatorio = 0;
};

// Runs the database's `_VendasPorGrupoDeProdutosPorFormaDePagto` on a command object of its
// own, then gives the query that reads that run's rows back from `###VendasF`, shaped by the
// report type. Opens the connection and leaves it open; the operation closes it.
std::string TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL(
    host::Database& oDB, const PaymentFormTableRequest& request);

}  // namespace orla::reports
