#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kResumoPorClassificacaoFiscal;

struct TaxSummaryRequest {
  Period period;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  TaxSituationSwitches taxSituation;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoVisao = 0;
};

// The summary by ICMS rate, tax-situation code and product group. The financial view fills
// ##VendasNosBicos first and leaves it filled.
std::string ResumoPorClassificacaoFiscalSQL(host::Database& oDB, const TaxSummaryRequest& request);

}  // namespace orla::reports
