#include <gmock/gmock.h>

#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAreArray;

struct PaymentFormRow {
  const char* name;
  std::vector<NamedValue> filters;
  std::string layout;
  std::vector<std::string> parameters;  // the nine Append calls, in order
  std::string query;
};

std::vector<std::string> Parameters(bool ignoreCC, bool fuels, bool others,
                                    const std::string& products, bool ignoreOT, bool financial) {
  auto flag = [](bool value) { return value ? "true" : "false"; };
  return {
      "Command.Parameters.Append(IsIgnorarDescontoCC, 11, 1, 0, " + std::string(flag(ignoreCC)) +
          ")",
      "Command.Parameters.Append(IsCombustiveis, 11, 1, 0, " + std::string(flag(fuels)) + ")",
      "Command.Parameters.Append(IsOutrosProdutos, 11, 1, 0, " + std::string(flag(others)) + ")",
      "Command.Parameters.Append(IDProdutos, 200, 1, 4000, \"" + products + "\")",
      "Command.Parameters.Append(dtInicial, 7, 1, 0, 2024-03-01)",
      "Command.Parameters.Append(dtFinal, 7, 1, 0, 2024-03-31)",
      "Command.Parameters.Append(IsIgnorarDescontoOT, 11, 1, 0, " + std::string(flag(ignoreOT)) +
          ")",
      "Command.Parameters.Append(IDRetorno, 200, 2, 200)",
      "Command.Parameters.Append(IsVisaoFinanceira, 11, 1, 0, " + std::string(flag(financial)) +
          ")",
  };
}

const std::string kByGroup =
    "SELECT a.Grupo AS Produto,a.FP AS Forma_PG,SUM(a.Valor) AS Valor FROM ###VendasF a WITH "
    "(NOLOCK) WHERE (WorkStationID = 'WS-1') GROUP BY a.Grupo,a.FP";
const std::string kByDay =
    "SELECT a.DtMov,a.FP AS Forma_PG,SUM(a.Valor) AS Valor FROM ###VendasF a WITH (NOLOCK) WHERE "
    "(WorkStationID = 'WS-1') GROUP BY a.DtMov,a.FP";
const std::string kFormsByGroup =
    "SELECT a.Grupo,a.FP,SUM(a.Qtde) Qtde,SUM(a.Valor) Valor FROM ###VendasF a WITH (NOLOCK) "
    "WHERE (a.WorkStationID = 'WS-1') GROUP BY a.Grupo,a.FP";

TEST_F(FrameTest, PaymentFormTablesRunTheProcedureThenReadTheirRowsByReportType) {
  const PaymentFormRow rows[] = {
      {"type 0: groups",
       {},
       "rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       Parameters(false, true, true, "", false, false),
       kByGroup},
      {"type 1: days, fiscal; quotes and blanks leave the product list",
       {{"Filtro_TipoRelatorio", int32_t{1}}, {"Filtro_IDProduto", "'12', '15'"}},
       "rptTabelaDeVendasPorDtMovPorFormaDePagto",
       Parameters(false, true, true, "12,15", false, false),
       kByDay},
      {"type 2: days, the financial view",
       {{"Filtro_TipoRelatorio", int32_t{2}},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsExibirCombustiveis", false}},
       "rptTabelaDeVendasPorDtMovPorFormaDePagto",
       Parameters(true, false, true, "", false, true),
       kByDay},
      {"type 3: forms by group, with the quantity",
       {{"Filtro_TipoRelatorio", int32_t{3}},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "rptVendasPorFormasDePagtoPorGrupoDeProdutos",
       Parameters(false, true, false, "", true, false),
       kFormsByGroup},
      {"an unknown type reads by day, fiscal",
       {{"Filtro_TipoRelatorio", int32_t{-4}}, {"Filtro_IDProduto", "7"}},
       "rptTabelaDeVendasPorDtMovPorFormaDePagto",
       Parameters(false, true, true, "7", false, false),
       kByDay},
  };
  for (const PaymentFormRow& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
    EXPECT_TRUE(Run("TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", row.filters));
    std::vector<std::string> expected = {
        "CreateReport(" + row.layout + ")",
        "SetHeaderLine(0, [12.345.678/0001-90] - Posto Orla Ltda)",
        "SetHeaderLine(1, " + Held().headerLines[1] + ")",
        "DB_Open",
        "GetConnectionString",
        "Command.ActiveConnection = fake",
        "Command.CommandTimeout = 0",
        "Command.CommandType = 4",
        "Command.CommandText = _VendasPorGrupoDeProdutosPorFormaDePagto"};
    expected.insert(expected.end(), row.parameters.begin(), row.parameters.end());
    expected.insert(expected.end(), {"Command.Execute", "OpenRecordSet(" + row.query + ")",
                                     "ShowReport(data=yes, mode=1, 0, 0, bind=true)",
                                     row.layout + ".SetDataSource", "DB_Close"});
    EXPECT_THAT(platform->log, ElementsAreArray(expected));
  }
}

}  // namespace
}  // namespace orla::service
