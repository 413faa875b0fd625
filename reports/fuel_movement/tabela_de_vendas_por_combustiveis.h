#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "host/value.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kTabelaDeVendasPorCombustiveis;

struct FuelTableRequest {
  Period period;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  int32_t Filtro_TipoVisao = 0;
  host::Value* legend = nullptr;  // GetSQL's extra slot
};

// Fills ##Tabela with volume and amount per day and fuel, puts each fuel under its short
// label, appends "label - description" per fuel to the request's legend and gives the query
// that reads the table back.
std::string TabelaDeVendasPorCombustiveisSQL(host::Database& oDB, const FuelTableRequest& request);

}  // namespace orla::reports
