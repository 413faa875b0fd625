#pragma once

#include <cstdint>
#include <string>

#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kRankingDeVendas;

struct RankingRequest {
  int32_t OrderListIndex = 0;
  int32_t ClassificationListIndex = 0;
  Period period;
  std::string Filtro_IDProduto;
  std::string Filtro_QtdeRegistros;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoAgrupamento = 0;
  int32_t Filtro_TipoOrdenacao = 0;
};

// The first N clients or products by the chosen measure, on fiscal sale documents only.
std::string RankingDeVendasSQL(const RankingRequest& request);

}  // namespace orla::reports
