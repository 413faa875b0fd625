// What each report kind's query builder receives, converted from GetSQL's argument list.
// Field names are the operations' filter names.
#pragma once

#include <cstdint>
#include <string>

#include "host/value.h"

namespace orla::query {

struct Period {
  std::string Filtro_DataInicial;
  std::string Filtro_DataFinal;
};

// Leave the surcharges and discounts (A/D) of complementary sales, or of the other sales, out.
struct AdjustmentSwitches {
  bool Filtro_IsIgnorarADVendaComplementar = false;
  bool Filtro_IsIgnorarADOutrosTipos = false;
};

struct ProductKindSwitches {
  bool Filtro_IsExibirCombustiveis = true;
  bool Filtro_IsExibirOutrosProdutos = true;
};

struct TaxSituationSwitches {
  bool Filtro_ST_IsII = false;
  bool Filtro_ST_IsNN = false;
  bool Filtro_ST_IsFF = false;
  bool Filtro_ST_IsTT = false;
  double Filtro_ST_AL_ICMS = 0;
};

// Kind 0.
struct MovementDetailsByProductRequest {
  Period period;
  std::string Filtro_IDFuncionario;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  TaxSituationSwitches taxSituation;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
};

// Kind 1.
struct ReadingsMovementRequest {
  Period period;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
};

// Kind 2.
struct ComplementarySaleRequest {
  Period period;
  std::string Filtro_IDTurno;
};

// Kind 3.
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

// Kind 4.
struct TaxSummaryRequest {
  Period period;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  TaxSituationSwitches taxSituation;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoVisao = 0;
};

// Kinds 5 and 6.
struct SummaryRequest {
  Period period;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoVisao = 0;
};

// Kinds 7 and 8 (kind 8 also hands back the fuel legend through `legend`).
struct SalesTableRequest {
  Period period;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  int32_t Filtro_TipoVisao = 0;
  host::Value* legend = nullptr;
};

// Kind 9.
struct PaymentFormTableRequest {
  Period period;
  std::string Filtro_IDProduto;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoRelatorio = 0;
};

// Kind 10.
struct ReceiptTypeRequest {
  Period period;
};

}  // namespace orla::query
