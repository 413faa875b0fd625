#pragma once

#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV;

struct ReadingsMovementRequest {
  Period period;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
};

// Rebuilds ##VendasNosBicos and gives the query of its movement per nozzle and fuel.
std::string MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
    host::Database& oDB, const ReadingsMovementRequest& request);

}  // namespace orla::reports
