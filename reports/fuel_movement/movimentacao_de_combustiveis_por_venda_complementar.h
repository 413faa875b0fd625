#pragma once

#include <string>

#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kMovimentacaoDeCombustiveisPorVendaComplementar;

struct ComplementarySaleRequest {
  Period period;
  std::string Filtro_IDTurno;
};

// The fuel sold on complementary sale documents, per sale type and product. With a shift the
// period applies to the till period's opening date, without one to the fiscal date.
std::string MovimentacaoDeCombustiveisPorVendaComplementarSQL(
    const ComplementarySaleRequest& request);

}  // namespace orla::reports
