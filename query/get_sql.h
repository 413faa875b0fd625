// The one entry through which eleven operations obtain their query: a report kind and a
// loosely typed argument list, converted to what the kind's builder takes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "host/database.h"
#include "host/value.h"
#include "query/requests.h"

namespace orla::query {

// The report kinds, 0 to 10; any other number selects nothing.
enum class ReportKind : int32_t {
  DetalhesDosMovimentosPorProdutos = 0,
  MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV = 1,
  MovimentacaoDeCombustiveisPorVendaComplementar = 2,
  RankingDeVendas = 3,
  ResumoPorClassificacaoFiscal = 4,
  ResumoPorGrupoDeProduto = 5,
  ResumoPorProduto = 6,
  TabelaDeVendasPorBico = 7,
  TabelaDeVendasPorCombustiveis = 8,
  TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto = 9,
  VendasPorTiposDeRecebimento = 10,
};

// A1 to A15; a caller fills A1 upwards and leaves the rest missing.
using SqlArguments = std::array<std::optional<host::Value>, 15>;

// The query builder of each kind. A kind whose report has not landed has none and gives
// empty text, as a kind outside 0 to 10 does.
struct QueryBuilders {
  std::function<std::string(const MovementDetailsByProductRequest&)>
      DetalhesDosMovimentosPorProdutosSQL{};
  std::function<std::string(host::Database&, const ReadingsMovementRequest&)>
      MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL{};
  std::function<std::string(const ComplementarySaleRequest&)>
      MovimentacaoDeCombustiveisPorVendaComplementarSQL{};
  std::function<std::string(const RankingRequest&)> RankingDeVendasSQL{};
  std::function<std::string(host::Database&, const TaxSummaryRequest&)>
      ResumoPorClassificacaoFiscalSQL{};
  std::function<std::string(host::Database&, const SummaryRequest&)> ResumoPorGrupoDeProdutoSQL{};
  std::function<std::string(host::Database&, const SummaryRequest&)> ResumoPorProdutoSQL{};
  std::function<std::string(host::Database&, const SalesTableRequest&)> TabelaDeVendasPorBicoSQL{};
  std::function<std::string(host::Database&, const SalesTableRequest&)>
      TabelaDeVendasPorCombustiveisSQL{};
  std::function<std::string(host::Database&, const PaymentFormTableRequest&)>
      TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL{};
  std::function<std::string(host::Database&, const ReceiptTypeRequest&)>
      VendasPorTiposDeRecebimentoSQL{};
};

// The builders of the reports in this library (reports/query_builders.cpp).
const QueryBuilders& LibraryQueryBuilders();

// The query text of the kind's builder, unchanged. Arguments are converted with the runtime's
// coercions before the builder runs; a position the kind reads but the caller left missing is
// a type mismatch. `extra` is passed on for kind 8 only.
std::string GetSQL(int32_t ReportKind, int32_t OrderListIndex, int32_t ClassificationListIndex,
                   const SqlArguments& arguments, host::Database* oDB, host::Value* extra = nullptr,
                   const QueryBuilders& builders = LibraryQueryBuilders());

}  // namespace orla::query
