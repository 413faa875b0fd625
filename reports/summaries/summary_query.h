// What the three sales summaries share: their parameters, the condition of period, product and
// shift, the product-kind filter, the surcharge, discount and special-price complement
// expressions, the amount columns and the fuel part of the financial view, which comes from
// ##VendasNosBicos.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/database.h"
#include "query/get_sql.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

// What the builders of the summaries by product and by product group receive.
struct SummaryRequest {
  Period period;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t Filtro_TipoVisao = 0;
};

}  // namespace orla::reports

namespace orla::reports::summary {

// The request of the summaries by product and by group from GetSQL's A1 to A9.
SummaryRequest RequestAt(const query::BuilderArguments& a);

// In the financial view the product filter reaches only the sale lines of the other products.
inline constexpr Parameter kProductFilter =
    WithHelp(kIDProduto,
             "Só as vendas deste produto; vazio para todos os produtos. Na visão financeira, o "
             "filtro vale só para os outros produtos: os combustíveis vêm das leituras das "
             "bombas.");

inline constexpr std::string_view kWorkingTables[] = {"##VendasNosBicos"};

// The summaries by product and by group take the same filters.
inline constexpr Parameter kParameters[] = {kDataInicial,
                                            kDataFinal,
                                            kProductFilter,
                                            kIDTurnoForcingView,
                                            kIgnorarADVendaComplementar,
                                            kIgnorarADOutrosTipos,
                                            kExibirCombustiveis,
                                            kExibirOutrosProdutos,
                                            kTipoVisao};
inline constexpr Rule kRules[] = {kPeriodInOrder, kProductKindsBothOff};
inline constexpr ExampleValue kExample[] = {
    {kDataInicial.name, "01/03/2024"}, {kDataFinal.name, "31/03/2024"}, {kTipoVisao.name, "0"}};

// The sale lines (c) with their product (b), its group (a) and their till period (d).
inline constexpr std::string_view kGroupSalesFrom =
    "FROM [Grupos] a WITH (NOLOCK) INNER JOIN [Produtos] b WITH (NOLOCK) ON a.Código = b.Grupo "
    "INNER JOIN [Movimentações em Vendas] c WITH (NOLOCK) ON b.Código = c.IDProduto LEFT JOIN "
    "[Movimentações] d WITH (NOLOCK) ON c.IDCaixa = d.Código ";

// The columns each summary names the condition chain and the amounts after.
struct Aliases {
  std::string_view product;  // the sale line's product column, as "b.IDProduto"
  std::string_view shift;    // the till's column, as "c.Caixa"
  std::string_view sale;     // the sale line's alias prefix, as "b."
};

// The filters of the three summaries, as their builders receive them.
struct Filters {
  const Period& period;
  const std::string& productId;
  const std::string& shiftId;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  int32_t view = 0;  // 0 the financial view, any other the fiscal one
};

struct Pieces {
  // The period on the view's date column, then the product and the shift when given.
  std::string condition;
  // A condition on "{c}", the product kind; empty when both kinds are shown.
  std::string productKinds;
  std::string surcharge;
  std::string discount;
  // The special-client price difference alone, which the financial view adds to the sale.
  std::string complement;
};

Pieces BuildPieces(const Filters& filters, const Aliases& aliases);

inline bool IsFinancial(int32_t view) {
  return view == 0;
}

// `keyword` + the product-kind filter on `column` + " ", or nothing when both kinds are shown.
std::string ProductKindClause(std::string_view keyword, const Pieces& pieces,
                              std::string_view column);

// "SUM(x.Qtde) AS Qtde,...,SUM(x.Valor_Venda) AS Valor_Venda " on the sale lines of `sale`.
// With the complement (the financial view) it joins the net amount and the sale amount.
std::string AmountColumns(std::string_view sale, const Pieces& pieces, bool withComplement);

// "WHERE " + the fiscal-sale condition on `sale` for the period + the lines that count.
std::string FiscalSaleWhere(std::string_view sale, const Period& period);

// "WHERE " + the non-fuel lines of a till period that count.
std::string TillSaleWhere(std::string_view sale);

// The outer head of the financial view after its own leading columns ("lista.Tipo,...,"):
// the amount columns summed over the list, up to "FROM ".
std::string FinancialHead(std::string_view leadingColumns);

// "(SELECT 'C' AS Tipo," + the fuel's own leading columns + its amounts from the nozzle
// readings, grouped by fuel.
std::string FuelPart(std::string_view leadingColumns);

// Fills ##VendasNosBicos for the period, the shift and the two A/D switches.
void FillNozzleSales(host::Database& oDB, const Filters& filters);

}  // namespace orla::reports::summary
