// The three sales summaries against the recording fakes: the exact text of every statement
// they send, per view and per filter that changes the text. The fake ReportHelper writes the
// period as "({c} BETWEEN 'd1' AND 'd2')" and an identifier as "({c} = 'id')".
#include <gmock/gmock.h>

#include "tests/reports/expected_text.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::StartsWith;
using Filters = std::vector<NamedValue>;

using orla::testing::Amounts;
using orla::testing::AmountsOf;

// Both A/D switches set: nothing is adjusted, in either view.
const Amounts kUnadjusted = AmountsOf("", true, true, true);

std::string AmountColumns(std::string_view a, const Amounts& m, bool financial) {
  const std::string s(a);
  const std::string plus = financial ? " + " + m.gap : "";
  return "SUM(" + s + "Qtde) AS Qtde,SUM(" + s + "Valor_Custo * " + s + "Qtde) AS PM_Custo,SUM(" +
         s + "Valor_Venda - " + m.discount + " + " + m.surcharge + plus + ") AS PM_Venda,(SUM(" +
         s + "Valor_Venda - " + m.discount + " + " + m.surcharge + plus + ") - SUM(" + s +
         "Valor_Custo * " + s + "Qtde)) AS VL_Lucro,SUM(" + m.surcharge +
         ") AS Valor_Acrescimo,SUM(" + m.discount + ") AS Valor_Desconto,SUM(" + s + "Valor_Venda" +
         plus + ") AS Valor_Venda ";
}

const std::string kListHead =
    "SUM(lista.Qtde) AS Qtde,SUM(lista.PM_Custo) AS PM_Custo,SUM(lista.PM_Venda) AS "
    "PM_Venda,SUM(lista.VL_Lucro) AS VL_Lucro,SUM(lista.Valor_Acrescimo) AS "
    "Valor_Acrescimo,SUM(lista.Valor_Desconto) AS Valor_Desconto,SUM(lista.Valor_Venda) AS "
    "Valor_Venda FROM ";
const std::string kFuelAmounts =
    "SUM(QtdeVendida) AS Qtde,SUM(TotalCusto) AS PM_Custo,SUM((TotalVenda - ValorDesconto + "
    "ValorAcrescimo)) AS PM_Venda,(SUM((TotalVenda - ValorDesconto + ValorAcrescimo)) - "
    "SUM(TotalCusto)) AS VL_Lucro,SUM(ValorAcrescimo) AS Valor_Acrescimo,SUM(ValorDesconto) AS "
    "Valor_Desconto,SUM(TotalVenda) AS Valor_Venda FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY "
    "Combustivel ";
const std::string kProductsFrom =
    "FROM [Produtos] a WITH (NOLOCK) INNER JOIN [Movimentações em Vendas] b WITH (NOLOCK) ON "
    "a.Código = b.IDProduto LEFT JOIN [Movimentações] c WITH (NOLOCK) ON b.IDCaixa = c.Código ";
const std::string kGroupsFrom =
    "FROM [Grupos] a WITH (NOLOCK) INNER JOIN [Produtos] b WITH (NOLOCK) ON a.Código = b.Grupo "
    "INNER JOIN [Movimentações em Vendas] c WITH (NOLOCK) ON b.Código = c.IDProduto LEFT JOIN "
    "[Movimentações] d WITH (NOLOCK) ON c.IDCaixa = d.Código ";
const std::string kFiscalPeriod = "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024')";
const std::string kFinancialPeriod = "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024')";

struct QueryRow {
  std::string name;
  Filters filters;
  std::string expected;
};

class SummaryTest : public FrameTest {
 protected:
  // The text of the data call, which is the last statement sent before presentation.
  std::string FinalQuery(std::string_view dataCall) {
    for (auto entry = platform->log.rbegin(); entry != platform->log.rend(); ++entry) {
      if (entry->starts_with("OpenRecordSet(") || entry->starts_with("SQL_Execute(")) {
        EXPECT_TRUE(entry->starts_with(std::string(dataCall) + "(")) << *entry;
        return entry->substr(entry->find('(') + 1, entry->size() - entry->find('(') - 2);
      }
    }
    ADD_FAILURE() << "no query was sent";
    return {};
  }

  void ExpectQueries(std::string_view operation, std::string_view dataCall,
                     const std::vector<QueryRow>& rows) {
    for (const QueryRow& row : rows) {
      SCOPED_TRACE(row.name);
      platform->log.clear();
      EXPECT_TRUE(Run(operation, row.filters));
      EXPECT_EQ("-->|" + FinalQuery(dataCall) + "|<--", "-->|" + row.expected + "|<--");
    }
  }
};

Filters Fiscal(Filters more = {}) {
  more.push_back({"Filtro_TipoVisao", int32_t{1}});
  return more;
}
Filters Financial(Filters more = {}) {
  more.push_back({"Filtro_TipoVisao", int32_t{0}});
  return more;
}
const Filters kNoAdjustments{{"Filtro_IsIgnorarADVendaComplementar", true},
                             {"Filtro_IsIgnorarADOutrosTipos", true}};
Filters With(Filters a, const Filters& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(SummaryTest, ByProductQueries) {
  const std::string head = "SELECT b.Tipo,b.Descrição,";
  const std::string fiscalWhere =
      "WHERE " + MarchDocuments("b.") + " AND (b.IsEstornado = 0) AND (b.Transferência = 0) ";
  const std::string fiscalTail = "GROUP BY b.Tipo,b.Descrição ORDER BY b.Descrição";
  auto financial = [&](const Amounts& m, const std::string& condition, const std::string& outer) {
    return "SELECT lista.Tipo,lista.Descrição," + kListHead +
           "(SELECT 'C' AS Tipo,Combustivel AS Descrição," + kFuelAmounts +
           "UNION ALL SELECT b.Tipo,a.Descrição," + AmountColumns("b.", m, true) + kProductsFrom +
           "WHERE (b.IDCaixa IS NOT NULL) AND (b.Tipo = 'P') AND (b.IsEstornado = 0) AND "
           "(b.Transferência = 0) AND " +
           condition + " GROUP BY b.Tipo,a.Descrição) lista " + outer +
           "GROUP BY lista.Tipo,lista.Descrição ORDER BY lista.Descrição";
  };
  ExpectQueries(
      "ResumoPorProduto", "SQL_Execute",
      {
          {"fiscal, every product: no kind condition", Fiscal(),
           head + AmountColumns("b.", AmountsOf("b.", false), false) + kProductsFrom + fiscalWhere +
               "AND " + kFiscalPeriod + " " + fiscalTail},
          {"fiscal, one product, fuels only",
           Fiscal({{"Filtro_IDProduto", "9"}, {"Filtro_IsExibirOutrosProdutos", false}}),
           head + AmountColumns("b.", AmountsOf("b.", false), false) + kProductsFrom + fiscalWhere +
               "AND " + kFiscalPeriod + " AND (b.IDProduto = '9') AND (b.Tipo = 'C') " +
               fiscalTail},
          {"fiscal, both A/D switches: the amounts are not adjusted", Fiscal(kNoAdjustments),
           head + AmountColumns("b.", kUnadjusted, false) + kProductsFrom + fiscalWhere + "AND " +
               kFiscalPeriod + " " + fiscalTail},
          {"financial, every product: no outer WHERE", Financial(),
           financial(AmountsOf("b.", true), kFinancialPeriod, "")},
          // A shift forces the financial view; hiding both kinds keeps the other products.
          {"a shift with view 1, both kinds hidden, no A/D",
           Fiscal(With(kNoAdjustments, {{"Filtro_IDTurno", "2"},
                                        {"Filtro_IDProduto", "9"},
                                        {"Filtro_IsExibirCombustiveis", false},
                                        {"Filtro_IsExibirOutrosProdutos", false}})),
           financial(kUnadjusted, kFinancialPeriod + " AND (b.IDProduto = '9') AND (c.Caixa = '2')",
                     "WHERE (lista.Tipo = 'P') ")},
      });
}

TEST_F(SummaryTest, ByProductGroupQueries) {
  const std::string lineOrGroup = "CASE WHEN Tipo = 'C' THEN c.Descrição ELSE a.Descrição END";
  const std::string fiscalHead = "SELECT c.Tipo," + lineOrGroup + " AS Descrição,";
  const std::string fiscalWhere =
      "WHERE " + MarchDocuments("c.") + " AND (c.IsEstornado = 0) AND (c.Transferência = 0) ";
  const std::string fiscalTail = "GROUP BY c.Tipo," + lineOrGroup + " ORDER BY " + lineOrGroup;
  auto financial = [&](const Amounts& m, const std::string& condition, const std::string& outer) {
    return "SELECT lista.Tipo,lista.Descrição," + kListHead +
           "(SELECT 'C' AS Tipo,Combustivel AS Descrição," + kFuelAmounts +
           "UNION ALL SELECT c.Tipo,a.Descrição," + AmountColumns("c.", m, true) + kGroupsFrom +
           "WHERE (c.IDCaixa IS NOT NULL) AND (c.Tipo = 'P') AND (c.IsEstornado = 0) AND "
           "(c.Transferência = 0) AND " +
           condition + " GROUP BY c.Tipo,a.Descrição) lista " + outer +
           "GROUP BY lista.Tipo,lista.Descrição ORDER BY lista.Descrição";
  };
  ExpectQueries(
      "ResumoPorGrupoDeProduto", "OpenRecordSet",
      {
          {"fiscal", Fiscal(),
           fiscalHead + AmountColumns("c.", AmountsOf("c.", false), false) + kGroupsFrom +
               fiscalWhere + "AND " + kFiscalPeriod + " " + fiscalTail},
          {"fiscal, one product, other products only",
           Fiscal({{"Filtro_IDProduto", "9"}, {"Filtro_IsExibirCombustiveis", false}}),
           fiscalHead + AmountColumns("c.", AmountsOf("c.", false), false) + kGroupsFrom +
               fiscalWhere + "AND " + kFiscalPeriod +
               " AND (c.IDProduto = '9') AND (c.Tipo = 'P') " + fiscalTail},
          {"financial", Financial(), financial(AmountsOf("c.", true), kFinancialPeriod, "")},
          {"financial, a shift, fuels only, no A/D",
           Financial(With(kNoAdjustments,
                          {{"Filtro_IDTurno", "2"}, {"Filtro_IsExibirOutrosProdutos", false}})),
           financial(kUnadjusted, kFinancialPeriod + " AND (d.Caixa = '2')",
                     "WHERE (lista.Tipo = 'C') ")},
      });
}

TEST_F(SummaryTest, ByTaxClassificationQueries) {
  const Amounts fiscalAmounts = AmountsOf("c.", false);
  auto fiscal = [&](const std::string& condition, const std::string& tail) {
    return "SELECT c.Alíquota AS AliquotaICMS,c.Situação_Tributária AS TipoST,a.Descrição AS "
           "Descricao," +
           AmountColumns("c.", fiscalAmounts, false) + kGroupsFrom + "WHERE " +
           MarchDocuments("c.") + " AND (c.IsEstornado = 0) AND (c.Transferência = 0) AND " +
           condition + " " + tail +
           "GROUP BY c.Alíquota,c.Situação_Tributária,a.Descrição ORDER BY a.Descrição ASC";
  };
  const Amounts financialAmounts = AmountsOf("c.", true);
  auto financial = [&](const std::string& condition, const std::string& outer) {
    return "SELECT lista.AliquotaICMS,lista.TipoST,lista.Descricao," + kListHead +
           "(SELECT 'C' AS Tipo,CAST(0 AS FLOAT) AS AliquotaICMS,'FF' AS TipoST,Combustivel AS "
           "Descricao," +
           kFuelAmounts +
           "UNION ALL SELECT 'P' AS Tipo,c.Alíquota AS AliquotaICMS,c.Situação_Tributária AS "
           "TipoST,a.Descrição AS Descricao," +
           AmountColumns("c.", financialAmounts, true) + kGroupsFrom +
           "WHERE (c.IDCaixa IS NOT NULL) AND (c.Tipo = 'P') AND (c.IsEstornado = 0) AND "
           "(c.Transferência = 0) AND " +
           condition + " GROUP BY c.Alíquota,c.Situação_Tributária,a.Descrição) lista " + outer +
           "GROUP BY lista.AliquotaICMS,lista.TipoST,lista.Descricao ORDER BY lista.Descricao ASC";
  };
  // Every tax switch is named: left out, a switch defaults to including its code.
  auto tax = [](bool ii, bool nn, bool ff, bool tt, double rate) {
    return Filters{{"Filtro_ST_IsII", ii},
                   {"Filtro_ST_IsNN", nn},
                   {"Filtro_ST_IsFF", ff},
                   {"Filtro_ST_IsTT", tt},
                   {"Filtro_ST_AL_ICMS", rate}};
  };
  const Filters none = tax(false, false, false, false, 0);
  const Filters ffAndNn = tax(false, true, true, false, 0);
  const Filters allCodes = tax(true, true, true, true, 0);
  const Filters iiAtARate = tax(true, false, false, false, 17.5);
  ExpectQueries(
      "ResumoPorClassificacaoFiscal", "OpenRecordSet",
      {
          {"fiscal, no tax filter", Fiscal(none), fiscal(kFiscalPeriod, "")},
          {"fiscal, FF and NN", Fiscal(ffAndNn),
           fiscal(kFiscalPeriod, "AND (c.Situação_Tributária IN ('FF','NN')) ")},
          {"fiscal, every code in its fixed order, fuels only",
           Fiscal(With(allCodes, {{"Filtro_IsExibirOutrosProdutos", false}})),
           fiscal(kFiscalPeriod,
                  "AND (c.Situação_Tributária IN ('FF','II','NN','TT')) AND (c.Tipo = 'C') ")},
          // The rate clause is OR-ed in without parentheses around the whole, so it stands
          // beside the period: kept as the queries have always been written.
          {"fiscal, II and a rate", Fiscal(iiAtARate),
           fiscal(kFiscalPeriod,
                  "AND (c.Situação_Tributária IN ('II')) OR ((c.Situação_Tributária = 'TT') AND "
                  "(c.Alíquota = 17.5)) ")},
          {"fiscal, TT with a rate: the rate clause alone",
           Fiscal(tax(false, false, false, true, 7)),
           fiscal(kFiscalPeriod, "AND ((c.Situação_Tributária = 'TT') AND (c.Alíquota = 7)) ")},
          {"fiscal, only TT at rate 0", Fiscal(tax(false, false, false, true, 0)),
           fiscal(kFiscalPeriod, "AND (c.Situação_Tributária IN ('TT')) ")},
          {"financial, no filter: no outer WHERE", Financial(none),
           financial(kFinancialPeriod, "")},
          {"financial, only the kind filter",
           Financial(With(none, {{"Filtro_IsExibirCombustiveis", false}})),
           financial(kFinancialPeriod, "WHERE (lista.Tipo = 'P') ")},
          {"financial, FF and NN", Financial(ffAndNn),
           financial(kFinancialPeriod, "WHERE (lista.TipoST IN ('FF','NN')) ")},
          {"a shift forces the financial view; II at a rate, fuels only",
           Fiscal(With(iiAtARate, {{"Filtro_IDTurno", "2"},
                                   {"Filtro_IDProduto", "9"},
                                   {"Filtro_IsExibirOutrosProdutos", false}})),
           financial(kFinancialPeriod + " AND (c.IDProduto = '9') AND (d.Caixa = '2')",
                     "WHERE (lista.TipoST IN ('II')) OR ((lista.TipoST = 'TT') AND "
                     "(lista.AliquotaICMS = 17.5)) AND (lista.Tipo = 'C') ")},
      });
}

// The statements of one request, in order.
std::vector<std::string> DatabaseCalls(const orla::testing::CallLog& log) {
  std::vector<std::string> calls;
  for (const std::string& entry : log) {
    if (entry.starts_with("SQL_Execute") || entry.starts_with("OpenRecordSet")) {
      calls.push_back(entry);
    }
  }
  return calls;
}

TEST_F(SummaryTest, OnlyTheFinancialViewFillsTheNozzleTableAndItDoesSoFirst) {
  struct Row {
    std::string operation, dataCall;
  };
  for (const Row& row : {Row{"ResumoPorProduto", "SQL_Execute(SELECT lista."},
                         Row{"ResumoPorGrupoDeProduto", "OpenRecordSet(SELECT lista."},
                         Row{"ResumoPorClassificacaoFiscal", "OpenRecordSet(SELECT lista."}}) {
    SCOPED_TRACE(row.operation);
    platform->log.clear();
    Run(row.operation, Financial());
    // No readings in the fake: the table is made and left empty.
    const std::vector<std::string> table = orla::testing::NozzleTableStatements(kFinancialPeriod);
    EXPECT_THAT(DatabaseCalls(platform->log),
                ::testing::ElementsAre(table[0], table[1], table[2], StartsWith(row.dataCall)));
    platform->log.clear();
    Run(row.operation, Fiscal());
    EXPECT_THAT(DatabaseCalls(platform->log), ::testing::SizeIs(1));
  }
}

TEST_F(SummaryTest, TheGroupSummaryCountsTheDaysOfThePeriodInclusively) {
  struct Row {
    std::string from, to, days;
  };
  for (const Row& row :
       {Row{"15/03/2024", "15/03/2024", "1"}, Row{"01/03/2024", "31/03/2024", "31"},
        Row{"28/02/2024", "01/03/2024", "3"},  // 2024 is a leap year
        Row{"31/03/2024", "01/03/2024", "31"}}) {
    SCOPED_TRACE(row.from + " - " + row.to);
    platform->log.clear();
    Run("ResumoPorGrupoDeProduto",
        {{"Filtro_DataInicial", row.from}, {"Filtro_DataFinal", row.to}});
    EXPECT_EQ(Held().formulas.at("Período"), row.days);
    // Whatever the period, the projection runs from today for thirty days.
    EXPECT_EQ(Held().formulas.at("DataInicial"), "'15/04/2024'");
    EXPECT_EQ(Held().formulas.at("DataFinal"), "'15/05/2024'");
    const std::vector<std::string> calls = Calls();
    EXPECT_LT(std::find(calls.begin(), calls.end(), "SetReportFormula"),
              std::find(calls.begin(), calls.end(), "OpenRecordSet"));
  }
}

}  // namespace
}  // namespace orla::service
