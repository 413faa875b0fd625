#pragma once

#include <string>

#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kDetalhesDosMovimentosPorProdutos;

struct MovementDetailsByProductRequest {
  Period period;
  std::string Filtro_IDFuncionario;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  TaxSituationSwitches taxSituation;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
};

// Every sale line of the period, filtered by employee, product, shift, product kind and tax
// situation, in date and time order. With a shift, the period is taken on the till period's
// opening and the line must belong to a till period instead of standing on a fiscal document.
std::string DetalhesDosMovimentosPorProdutosSQL(const MovementDetailsByProductRequest& request);

// The tax-situation condition: the situations whose switches are set, in the order FF, II, NN,
// TT, and, with a rate other than 0, the TT lines at exactly that rate (which then replaces the
// TT switch). With no switch set and a rate of 0 it is empty: the report keeps every situation.
std::string TaxSituationCondition(const TaxSituationSwitches& switches);

}  // namespace orla::reports
