#include <gmock/gmock.h>

#include "tests/reports/expected_text.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;

const std::string kTable = "##VendaDetalhadaDadosComplementares";

// Spelled out here once; the other reports' expectations take it from the library's text.
std::string Documents() {
  return "((mev.ECF = 1) OR ((mev.ECF = 0) AND (mev.NFConsumidor_Modelo IS NOT NULL)) OR "
         "((mev.ECF = 0) AND (mev.NF = 1) AND (mev.IsNFAvulsa = 0) AND (mev.IsNFTerceiro = 0) AND "
         "(mev.S010_ID IN (SELECT S010_ID FROM S010_CFOP WHERE (S010_IsVenda = 1))) AND "
         "(mev.Código_Venda NOT IN (SELECT b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH "
         "(NOLOCK) INNER JOIN [NotasFiscais_Itens] b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF "
         "WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora BETWEEN '2024/03/01 00:00:00' AND "
         "'2024/03/31 23:59:59') GROUP BY b.Codigo_Venda))) OR ((mev.ECF = 0) AND (mev.NF = 1) "
         "AND (mev.IsNFAvulsa = 1) AND (mev.IsNFTerceiro = 0) AND "
         "(mev.IsMovimentacaoFisicaDoEstoque = 1) AND (mev.S010_ID IN (SELECT S010_ID FROM "
         "S010_CFOP WHERE (S010_IsVenda = 1))) AND (mev.Código_Venda NOT IN (SELECT "
         "b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN "
         "[NotasFiscais_Itens] b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = "
         "0) AND (a.T008_DataHora BETWEEN '2024/03/01 00:00:00' AND '2024/03/31 23:59:59') GROUP "
         "BY b.Codigo_Venda))))";
}

std::string Insert(const std::string& s, const std::string& d, const std::string& where,
                   const std::string& conditions) {
  const std::string teclado =
      "CASE WHEN ((mev.Tipo = 'C') AND (mev.Automação = 0)) THEN 1 ELSE 0 END";
  return "INSERT INTO " + kTable +
         " SELECT ISNULL(mev.Cliente, '') AS IDCliente,ISNULL(c.Nome, '') AS NomeCliente,"
         "mev.Data_ECF,mev.Hora_Movimento,mnf.Modelo,mev.Número_NF,mev.Código_Venda,0,"
         "mev.Descrição,tidmdpu.T011_FormaDePagto,mev.IsClienteEspecial," +
         teclado +
         " AS IsTeclado,mev.Cupom_Complementar,mev.Placa,mev.Funcionário,mev.Valor_Unitario,"
         "ROUND (mev.Valor_Custo,3) AS Valor_Custo,SUM(mev.Qtde) AS QtdeOrig,SUM(ROUND(mev.Qtde * "
         "(tidmdpu.T011_Percentual / 100), 3)) AS Qtde,SUM(ROUND(" +
         s + " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorAcrescimo,SUM(ROUND(" + d +
         " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorDesconto,SUM((mev.Valor_Venda - " + d +
         " + " + s + ")) AS ValorTotalOrig,SUM(ROUND((mev.Valor_Venda - " + d + " + " + s +
         ") * (tidmdpu.T011_Percentual / 100), 2)) AS ValorTotal,tidmdpu.T011_Percentual AS "
         "PercFormPgto,NULL,NULL FROM [Movimentações em Vendas] mev WITH (NOLOCK) INNER JOIN "
         "[T011_ImagemDosMeiosDePagtoUtilizados] tidmdpu WITH (NOLOCK) ON mev.Código_Venda = "
         "tidmdpu.IDVenda AND mev.Código_ECF = tidmdpu.IDECF INNER JOIN [NotasFiscais_Itens] nfi "
         "WITH (NOLOCK) ON mev.Código_Venda = nfi.Codigo_Venda INNER JOIN "
         "[NotasFiscais_Movimentos] nfm WITH (NOLOCK) ON nfm.Codigo = nfi.Codigo_NF INNER JOIN "
         "[Modelo - Notas Fiscais] mnf WITH (NOLOCK) ON mnf.Código = nfm.Codigo_Modelo LEFT JOIN "
         "[Clientes] c ON c.Código = mev.Cliente LEFT JOIN [Movimentações] mov WITH (NOLOCK) ON "
         "mev.IDCaixa = mov.Código WHERE " +
         where + " AND (mev.IsEstornado = 0) AND (mev.Transferência = 0) AND " + conditions +
         " GROUP BY ISNULL(mev.Cliente, ''),ISNULL(c.Nome, ''),mev.Data_ECF,mev.Hora_Movimento,"
         "mnf.Modelo,mev.Número_NF,mev.Código_Venda,mev.Descrição,tidmdpu.T011_FormaDePagto,"
         "mev.IsClienteEspecial," +
         teclado +
         ",mev.Cupom_Complementar,mev.Placa,mev.Funcionário,mev.Valor_Unitario,mev.Valor_Custo,"
         "tidmdpu.T011_Percentual ORDER BY mev.Data_ECF ASC,mev.Hora_Movimento ASC";
}

std::vector<std::string> TableStatements(const std::string& insert) {
  return {
      "DB_Open",
      "SQL_Execute(IF OBJECT_ID('TempDB.dbo." + kTable + "') IS NOT NULL \r\nDROP TABLE " + kTable +
          ")",
      "SQL_Execute(CREATE TABLE " + kTable +
          " (ID INTEGER IDENTITY(1, 1) NOT NULL PRIMARY KEY,IDCliente VARCHAR(6),NomeCliente "
          "VARCHAR(200),Data_Movimento DATETIME,Hora_Movimento DATETIME,Modelo VARCHAR(6),"
          "Número_NF INT,Código_Venda INT,IsCVRepeat BIT,Descrição VARCHAR(200),"
          "T011_FormaDePagto VARCHAR(200),IsClienteEspecial BIT,IsTeclado BIT,Cupom_Complementar "
          "BIT,Placa VARCHAR(20),Funcionário VARCHAR(6),Valor_Unitario MONEY,Valor_Custo MONEY,"
          "QtdeOrig MONEY,Qtde MONEY,ValorAcrescimo MONEY,ValorDesconto MONEY,ValorTotalOrig "
          "MONEY,ValorTotal MONEY,PercFormPgto FLOAT,Motorista VARCHAR(50),KM INT))",
      "SQL_Execute(" + insert + ")",
      "SQL_Execute(UPDATE " + kTable +
          " SET Motorista = lista.T006_Motorista,KM = CASE WHEN lista.T006_KM = 0 THEN NULL ELSE "
          "lista.T006_KM END FROM (SELECT a.IDVenda,a.T006_Motorista,a.T006_KM FROM "
          "[T006_CupomNominalPorMovimento] a WITH (NOLOCK) WHERE (a.IDVenda IN (SELECT DISTINCT "
          "Código_Venda FROM " +
          kTable + " WITH (NOLOCK)))) lista WHERE (Código_Venda = lista.IDVenda))",
      "SQL_Execute(UPDATE " + kTable +
          " SET T011_FormaDePagto =CASE WHEN T011_FormaDePagto = 'Cheque a Prazo' THEN "
          "'Ch.Prazo' WHEN T011_FormaDePagto = 'Cheque a Vista' THEN 'Ch.Vista' WHEN "
          "T011_FormaDePagto = 'Crédito em Haver' THEN 'Créd.' WHEN T011_FormaDePagto = "
          "'Dinheiro' THEN 'Dinh.' WHEN T011_FormaDePagto = 'Requisição' THEN 'Req.' WHEN "
          "T011_FormaDePagto = 'Ticket Abastecimento' THEN 'Ticked Ab.' WHEN T011_FormaDePagto = "
          "'Vale Frete' THEN 'Vl.Frete' ELSE T011_FormaDePagto END)",
      "SQL_Execute(UPDATE " + kTable +
          " SET IsCVRepeat = CASE WHEN (lst.CountRepeat > 1) THEN 1 ELSE 0 END FROM (SELECT "
          "COUNT (a.Código_Venda) AS CountRepeat,a.Código_Venda AS IDVenda FROM " +
          kTable +
          " a WITH (NOLOCK) GROUP BY a.Código_Venda) AS lst WHERE (Código_Venda = "
          "lst.IDVenda))",
  };
}

const std::string kDetails =
    "SELECT ID,IDCliente,NomeCliente,Data_Movimento,Hora_Movimento,Modelo,Número_NF,"
    "Código_Venda,IsCVRepeat,Descrição,T011_FormaDePagto,IsClienteEspecial,IsTeclado,"
    "Cupom_Complementar,Placa,Funcionário,Valor_Unitario,Valor_Custo,QtdeOrig,Qtde,"
    "ValorAcrescimo,ValorDesconto,ValorTotalOrig,ValorTotal,PercFormPgto,Motorista,KM FROM " +
    kTable + " WITH (NOLOCK)";

const std::string kSummaryTail =
    "SUM(QtdeOrig) AS QtdeOrig,SUM(Qtde) AS Qtde,SUM(ValorAcrescimo) AS ValorAcrescimo,"
    "SUM(ValorDesconto) AS ValorDesconto,SUM(ValorTotalOrig) AS ValorTotalOrig,SUM(ValorTotal) "
    "AS ValorTotal FROM " +
    kTable + " WITH (NOLOCK) GROUP BY ";
const std::string kAveragedSummary =
    "SELECT Descrição,ROUND(SUM(Valor_Unitario) / COUNT(Valor_Unitario), 3) AS Valor_Unitario,"
    "ROUND(SUM(Valor_Custo) / COUNT(Valor_Custo), 3) AS Valor_Custo," +
    kSummaryTail + "Descrição ORDER BY Descrição ASC";
const std::string kSummaryByPriceAndCost =
    "SELECT Descrição,Valor_Unitario AS Valor_Unitario,Valor_Custo AS Valor_Custo," + kSummaryTail +
    "Descrição,Valor_Unitario,Valor_Custo ORDER BY Descrição ASC";
const std::string kSummaryByPrice = "SELECT Descrição,Valor_Unitario AS Valor_Unitario," +
                                    kSummaryTail +
                                    "Descrição,Valor_Unitario ORDER BY Descrição ASC";

const orla::testing::Amounts kRecorded = orla::testing::AmountsOf("mev.", false);
const std::string kFiscalPeriod = "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024')";

std::vector<std::string> Sequence(const std::string& insert, const std::string& details,
                                  const std::string& summary) {
  std::vector<std::string> log = TableStatements(insert);
  log.push_back("OpenRecordSet(" + details + ")");
  log.push_back("OpenRecordSet(" + summary + ")");
  return log;
}

// The log between the header lines and the presentation.
std::vector<std::string> DataCalls(const orla::testing::CallLog& log) {
  return {log.begin() + 3, log.end() - 1};
}

TEST_F(FrameTest, ClientDetailsBuildTheTableThenOpenDetailsAndSummary) {
  struct Row {
    const char* name;
    std::vector<NamedValue> filters;
    std::string layout;
    std::vector<std::string> calls;
  };
  const std::string everything =
      Insert(kRecorded.surcharge, kRecorded.discount, Documents(), kFiscalPeriod);
  const Row rows[] = {
      {"type 0: no order, averaged summary",
       {},
       "rptDetalhesDosMovimentosPorClientes",
       Sequence(everything, kDetails, kAveragedSummary)},
      {"type 1: no order, a summary line per price and cost",
       {{"Filtro_TipoRelatorio", int32_t{1}}, {"OrderListIndex", int32_t{3}}},
       "rptDetalhesDosMovimentosPorClientes",
       Sequence(everything, kDetails, kSummaryByPriceAndCost)},
      {"type 2 by date and time ascending: {CLASS} takes the direction too",
       {{"Filtro_TipoRelatorio", int32_t{2}}, {"OrderListIndex", int32_t{1}}},
       "rptDetalhesDosMovimentosPorClientesApresentarCliente",
       Sequence(everything, kDetails + "ORDER BY Data_Movimento ASC, Hora_Movimento ASC",
                kSummaryByPrice)},
      {"type 3: grouped by plate, no order",
       {{"Filtro_TipoRelatorio", int32_t{3}}, {"OrderListIndex", int32_t{0}}},
       "rptDetalhesDosMovimentosPorClientesApresentarClienteAgrupadoPorPlaca",
       Sequence(everything, kDetails, kSummaryByPrice)},
      {"a negative type takes the first layout and the price summary",
       {{"Filtro_TipoRelatorio", int32_t{-1}}},
       "rptDetalhesDosMovimentosPorClientes",
       Sequence(everything, kDetails, kSummaryByPrice)},
      {"every filter: a shift lifts the document condition; forms as given",
       {{"Filtro_IDTurno", "3"},
        {"Filtro_IDCliente", "12"},
        {"Filtro_IDProduto", "B01"},
        {"Filtro_IDFuncionario", "7"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_FormasDePagto", "'Dinheiro','Cheque a Vista'"}},
       "rptDetalhesDosMovimentosPorClientes",
       Sequence(Insert("0", "0", "(mev.IDCaixa IS NOT NULL)",
                       "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024') AND (mev.IDProduto "
                       "= 'B01') AND (mev.Cliente = '12') AND (mov.Caixa = '3') AND (mev.Tipo = "
                       "'P') AND (mev.Funcionário = '7') AND (tidmdpu.T011_FormaDePagto IN "
                       "('Dinheiro','Cheque a Vista'))"),
                kDetails, kAveragedSummary)},
      {"complementary adjustments only",
       {{"Filtro_IsIgnorarADOutrosTipos", true}},
       "rptDetalhesDosMovimentosPorClientes",
       Sequence(Insert(orla::testing::AmountsOf("mev.", false, false, true).surcharge,
                       orla::testing::AmountsOf("mev.", false, false, true).discount, Documents(),
                       kFiscalPeriod),
                kDetails, kAveragedSummary)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    EXPECT_TRUE(Run("DetalhesDosMovimentosPorClientes", row.filters));
    EXPECT_EQ(Held().Layout(), row.layout);
    const std::vector<std::string> calls = DataCalls(platform->log);
    ASSERT_EQ(calls.size(), row.calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ("-->|" + calls[i] + "|<--", "-->|" + row.calls[i] + "|<--") << "call " << i;
    }
    EXPECT_EQ(platform->log.back(),
              "MsgBox(Nenhum registro foi localizado para ser impresso!!! | 64 | Atenção)");
  }
}

TEST_F(FrameTest, ClientDetailsOfTypeTwoSortByTheChosenColumn) {
  const std::vector<std::pair<int32_t, std::string>> columns = {
      {0, "Placa"},
      {1, "Data_Movimento DESC, Hora_Movimento"},
      {2, "Motorista"},
      {3, "Descrição"},
      {4, "Qtde"},
      {5, "ValorTotal"},
      {6, "T011_FormaDePagto"},
      {7, "Funcionário"},
      // Chosen: without a known column the lines keep the order they were filled in, date
      // and time, in the direction asked ("ORDER BY  DESC" would be refused).
      {8, "Data_Movimento DESC, Hora_Movimento"},
      {-1, "Data_Movimento DESC, Hora_Movimento"},
  };
  for (const auto& [index, column] : columns) {
    SCOPED_TRACE(index);
    platform->log.clear();
    Run("DetalhesDosMovimentosPorClientes", {{"Filtro_TipoRelatorio", int32_t{2}},
                                             {"OrderListIndex", index},
                                             {"ClassificationListIndex", int32_t{4}}});
    EXPECT_THAT(platform->log,
                ::testing::Contains("OpenRecordSet(" + kDetails + "ORDER BY " + column + " DESC)"));
  }
}

TEST_F(FrameTest, ClientDetailsBindTheRowsAndTheSummaryThemselves) {
  platform->behaviour.sectionsByLayout["rptDetalhesDosMovimentosPorClientesApresentarCliente"] = {
      {"ReportFooterSection2", "ResumoPorProduto"}};
  auto details = orla::testing::FakeRecordset::OneRow();
  auto summary = orla::testing::FakeRecordset::OneRow();
  db.onQuery = [&](const std::string& sql) -> host::RecordsetRef {
    if (sql.starts_with("SELECT ID,")) {
      return details;
    }
    return sql.starts_with("SELECT Descrição") ? summary : nullptr;
  };
  EXPECT_TRUE(Run("DetalhesDosMovimentosPorClientes", {{"Filtro_TipoRelatorio", int32_t{2}}}));
  const std::vector<std::string> calls = Calls();
  EXPECT_THAT(std::vector<std::string>(calls.end() - 4, calls.end()),
              ElementsAre("rptDetalhesDosMovimentosPorClientesApresentarCliente.SetDataSource",
                          "rptDetalhesDosMovimentosPorClientesApresentarCliente."
                          "OpenSubreportByName",
                          "ResumoPorProduto.SetDataSource", "ShowReport"));
  EXPECT_EQ(platform->log.back(), "ShowReport(data=no, mode=1, 0, 0, bind=false)");
  EXPECT_EQ(Held().dataSource, details);
  EXPECT_EQ(Held().openedSubreports.at("ResumoPorProduto")->dataSource, summary);
}

TEST_F(FrameTest, ClientDetailsWithANullEofBindNothing) {
  auto details = orla::testing::FakeRecordset::OneRow();
  details->SetNullEof();
  db.onQuery = [&](const std::string&) -> host::RecordsetRef { return details; };
  EXPECT_TRUE(Run("DetalhesDosMovimentosPorClientes"));
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(
      std::count(calls.begin(), calls.end(), "rptDetalhesDosMovimentosPorClientes.SetDataSource"),
      0);
  // A null EOF is not True: PresentReport goes on and shows the report unbound.
  EXPECT_EQ(calls.back(), "ShowReport");
}

TEST_F(FrameTest, ClientDetailsWithoutTheSummarySectionFailAfterBindingTheRows) {
  db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  EXPECT_FALSE(Run("DetalhesDosMovimentosPorClientes"));
  EXPECT_THAT(platform->log, ::testing::Contains(::testing::HasSubstr(
                                 "Reports.DetalhesDosMovimentosPorClientes(), true, true: "
                                 "rptDetalhesDosMovimentosPorClientes has no section "
                                 "ReportFooterSection2")));
}

}  // namespace
}  // namespace orla::service
