#include "query/get_sql.h"

#include "host/errors.h"
#include "host/platform.h"

namespace orla::query {

namespace {

// Reads A1..A15, numbered from 1 as the operations number them, with the runtime's coercions.
class ArgumentReader {
 public:
  explicit ArgumentReader(const SqlArguments& arguments)
      : arguments_(arguments), regional_(host::CurrentPlatform().Regional()) {}

  std::string Text(int position) const { return regional_.ToText(At(position)); }
  bool Boolean(int position) const { return regional_.ToBoolean(At(position)); }
  int32_t Int32(int position) const { return regional_.ToInt32(At(position)); }
  double Double(int position) const { return regional_.ToDouble(At(position)); }

  Period PeriodAt(int first) const { return {Text(first), Text(first + 1)}; }
  AdjustmentSwitches AdjustmentsAt(int first) const { return {Boolean(first), Boolean(first + 1)}; }
  ProductKindSwitches ProductKindsAt(int first) const {
    return {Boolean(first), Boolean(first + 1)};
  }
  TaxSituationSwitches TaxSituationAt(int first) const {
    return {Boolean(first), Boolean(first + 1), Boolean(first + 2), Boolean(first + 3),
            Double(first + 4)};
  }

 private:
  const host::Value& At(int position) const {
    const auto& argument = arguments_.at(static_cast<size_t>(position - 1));
    if (!argument) {
      throw host::HostError(host::error_number::kTypeMismatch,
                            "GetSQL: argument A" + std::to_string(position) + " is missing");
    }
    return *argument;
  }

  const SqlArguments& arguments_;
  const host::RegionalSettings& regional_;
};

SummaryRequest ToSummaryRequest(const ArgumentReader& a) {
  return {a.PeriodAt(1), a.Text(3), a.Text(4), a.AdjustmentsAt(5), a.ProductKindsAt(7), a.Int32(9)};
}

SalesTableRequest ToSalesTableRequest(const ArgumentReader& a, host::Value* legend) {
  return {a.PeriodAt(1), a.Text(3), a.AdjustmentsAt(4), a.Int32(6), legend};
}

}  // namespace

std::string GetSQL(int32_t ReportKind, int32_t OrderListIndex, int32_t ClassificationListIndex,
                   const SqlArguments& arguments, host::Database* oDB, host::Value* extra,
                   const QueryBuilders& builders) {
  if (ReportKind < 0 || ReportKind > 10) {
    return {};
  }
  const SqlArguments copies = arguments;  // The builders work on private copies.
  const ArgumentReader a(copies);
  auto db = [oDB]() -> host::Database& { return host::Require(oDB, "oDB"); };
  const QueryBuilders& b = builders;

  switch (static_cast<query::ReportKind>(ReportKind)) {
    case ReportKind::DetalhesDosMovimentosPorProdutos:
      if (!b.DetalhesDosMovimentosPorProdutosSQL) {
        return {};
      }
      return b.DetalhesDosMovimentosPorProdutosSQL({a.PeriodAt(1), a.Text(3), a.Text(4), a.Text(5),
                                                    a.TaxSituationAt(6), a.AdjustmentsAt(11),
                                                    a.ProductKindsAt(13)});
    case ReportKind::MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV:
      if (!b.MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL) {
        return {};
      }
      return b.MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
          db(), {a.PeriodAt(1), a.Text(3), a.AdjustmentsAt(4)});
    case ReportKind::MovimentacaoDeCombustiveisPorVendaComplementar:
      if (!b.MovimentacaoDeCombustiveisPorVendaComplementarSQL) {
        return {};
      }
      return b.MovimentacaoDeCombustiveisPorVendaComplementarSQL({a.PeriodAt(1), a.Text(3)});
    case ReportKind::RankingDeVendas:
      if (!b.RankingDeVendasSQL) {
        return {};
      }
      return b.RankingDeVendasSQL({OrderListIndex, ClassificationListIndex, a.PeriodAt(1),
                                   a.Text(3), a.Text(4), a.AdjustmentsAt(5), a.ProductKindsAt(7),
                                   a.Int32(9), a.Int32(10)});
    case ReportKind::ResumoPorClassificacaoFiscal:
      if (!b.ResumoPorClassificacaoFiscalSQL) {
        return {};
      }
      return b.ResumoPorClassificacaoFiscalSQL(
          db(), {a.PeriodAt(1), a.Text(3), a.Text(4), a.TaxSituationAt(5), a.AdjustmentsAt(10),
                 a.ProductKindsAt(12), a.Int32(14)});
    case ReportKind::ResumoPorGrupoDeProduto:
      if (!b.ResumoPorGrupoDeProdutoSQL) {
        return {};
      }
      return b.ResumoPorGrupoDeProdutoSQL(db(), ToSummaryRequest(a));
    case ReportKind::ResumoPorProduto:
      if (!b.ResumoPorProdutoSQL) {
        return {};
      }
      return b.ResumoPorProdutoSQL(db(), ToSummaryRequest(a));
    case ReportKind::TabelaDeVendasPorBico:
      if (!b.TabelaDeVendasPorBicoSQL) {
        return {};
      }
      return b.TabelaDeVendasPorBicoSQL(db(), ToSalesTableRequest(a, nullptr));
    case ReportKind::TabelaDeVendasPorCombustiveis:
      if (!b.TabelaDeVendasPorCombustiveisSQL) {
        return {};
      }
      return b.TabelaDeVendasPorCombustiveisSQL(db(), ToSalesTableRequest(a, extra));
    case ReportKind::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto:
      if (!b.TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL) {
        return {};
      }
      return b.TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL(
          db(), {a.PeriodAt(1), a.Text(3), a.AdjustmentsAt(4), a.ProductKindsAt(6), a.Int32(8)});
    case ReportKind::VendasPorTiposDeRecebimento:
      if (!b.VendasPorTiposDeRecebimentoSQL) {
        return {};
      }
      return b.VendasPorTiposDeRecebimentoSQL(db(), {a.PeriodAt(1)});
  }
  return {};
}

}  // namespace orla::query
