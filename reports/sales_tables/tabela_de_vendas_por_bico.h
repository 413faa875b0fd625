#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kTabelaDeVendasPorBico;

struct NozzleTableRequest {
  Period period;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  int32_t Filtro_TipoVisao = 0;
};

// Volume and value per business day, till and nozzle. The fiscal view reads the fiscally
// documented fuel sale lines; the financial view rebuilds ##VendasNosBicos and reads it.
std::string TabelaDeVendasPorBicoSQL(host::Database& oDB, const NozzleTableRequest& request);

}  // namespace orla::reports
