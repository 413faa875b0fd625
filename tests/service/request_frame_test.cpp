#include <gmock/gmock.h>

#include "host/errors.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct OperationRow {
  const char* name;
  const char* layout;  // with the default filters
  bool closesConnection;
};

const OperationRow kOperations[] = {
    {"ClienteEspecial", "rptClienteEspecial", false},
    {"DetalhesDosMovimentosPorClientes", "rptDetalhesDosMovimentosPorClientes", false},
    {"DetalhesDosMovimentosPorProdutos", "rptDetalhesDosMovimentosPorProdutos", false},
    {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
     "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", false},
    {"MovimentacaoDeCombustiveisPorVendaComplementar",
     "rptMovimentacaoDeCombustiveisPorCupomComplementar", false},
    {"RankingDeVendas", "rptRanking", false},
    {"ResumoPorClassificacaoFiscal", "rptResumoPorST", false},
    {"ResumoPorGrupoDeProduto", "rptResumoPorGrupoDeProdutos", false},
    {"ResumoPorProduto", "rptResumoPorProdutos", false},
    {"TabelaDeVendasPorBico", "rptTabelaDeVendasPorBicos", false},
    {"TabelaDeVendasPorCombustiveis", "rptTabelaDeVendasPorCombustiveis", false},
    {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
     "rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", true},
    {"VendasPorTiposDeRecebimento", "rptVendasPorTiposDeRecebimento", true},
};

constexpr const char* kRefusal = "MsgBox(Você precisa informar o período desejado! | 64 | Atenção)";

TEST_F(FrameTest, ARefusedPeriodShowsTheMessageAndDoesNothingElse) {
  for (const OperationRow& op : kOperations) {
    for (const auto& [initial, final] :
         {std::pair{"31/02/2024", "31/03/2024"}, std::pair{"01/03/2024", ""}, std::pair{"", ""}}) {
      SCOPED_TRACE(std::string(op.name) + " " + initial + ".." + final);
      platform->log.clear();
      Reports fresh;
      host::ReportRef slot;
      const bool result =
          CallByName(fresh, op.name, {&viewer, &form, &db, &company, nullptr}, slot,
                     {{"Filtro_DataInicial", initial}, {"Filtro_DataFinal", final}});
      EXPECT_FALSE(result);
      EXPECT_EQ(slot, nullptr);
      if (op.closesConnection) {
        EXPECT_THAT(platform->log, ElementsAre(kRefusal, "DB_Close"));
      } else {
        EXPECT_THAT(platform->log, ElementsAre(kRefusal));
      }
    }
  }
}

TEST_F(FrameTest, ARefusedRequestHandsBackThePreviousReport) {
  ASSERT_TRUE(Run("ResumoPorProduto"));
  const host::ReportRef first = oRPT;
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(Run("RankingDeVendas", {{"Filtro_DataInicial", "abc"}, {"Filtro_DataFinal", "x"}}));
  EXPECT_EQ(oRPT, first);
}

TEST_F(FrameTest, AnEmptyResultIsStillASuccessWithBothHeaderLinesWritten) {
  for (const OperationRow& op : kOperations) {
    const std::string name = op.name;
    SCOPED_TRACE(name);
    platform->log.clear();
    EXPECT_TRUE(Run(name));
    EXPECT_EQ(Held().Layout(), op.layout);
    EXPECT_EQ(Held().headerLines[0], "[12.345.678/0001-90] - Posto Orla Ltda");
    EXPECT_THAT(Held().headerLines[1], ::testing::StartsWith("Visão "));
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(calls.front(), "CreateReport");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MsgBox"), 1);
    EXPECT_EQ(calls.back(), op.closesConnection ? "DB_Close" : "MsgBox");
  }
}

TEST_F(FrameTest, AHostErrorDuringTheQueryIsReportedOnceAndGivesFalse) {
  db.onQuery = [](const std::string&) -> host::RecordsetRef {
    throw host::DatabaseError("disk I/O error", "SELECT 1");
  };
  for (const OperationRow& op : kOperations) {
    SCOPED_TRACE(op.name);
    platform->log.clear();
    EXPECT_FALSE(Run(op.name));
    const auto reported =
        std::count_if(platform->log.begin(), platform->log.end(),
                      [](const std::string& e) { return e.starts_with("ReportError"); });
    EXPECT_EQ(reported, 1);
    EXPECT_THAT(platform->log,
                ::testing::Contains(HasSubstr("ReportError(ORLA_Vendas, Reports." +
                                              std::string(op.name) + "(), true, true: ")));
    // The new layout with its header lines is what the caller gets.
    EXPECT_EQ(Held().Layout(), op.layout);
    EXPECT_EQ(Held().headerLines.size(), 2u);
    EXPECT_EQ(Calls().back(), op.closesConnection ? "DB_Close" : "ReportError");
  }
}

TEST_F(FrameTest, AMissingCompanyIsATrappedError) {
  EXPECT_FALSE(CallByName(instance, "ResumoPorProduto", {&viewer, &form, &db, nullptr, nullptr},
                          oRPT, {{"Filtro_DataInicial", "01/03/2024"}}));
  EXPECT_THAT(Calls(), ElementsAre("CreateReport", "ReportError"));
  EXPECT_NE(oRPT, nullptr);
}

TEST_F(FrameTest, AFailingCloseIsReportedOnceWithoutLooping) {
  db.failClose = true;
  for (const char* name :
       {"VendasPorTiposDeRecebimento", "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto"}) {
    SCOPED_TRACE(name);
    platform->log.clear();
    EXPECT_FALSE(Run(name));
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DB_Close"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ReportError"), 1);
    EXPECT_EQ(calls.back(), "ReportError");
    EXPECT_NE(oRPT, nullptr);
  }
}

TEST_F(FrameTest, OnARefusedPeriodAFailingCloseReachesTheCaller) {
  db.failClose = true;
  EXPECT_THROW(Run("VendasPorTiposDeRecebimento",
                   {{"Filtro_DataInicial", "31/02/2024"}, {"Filtro_DataFinal", "31/03/2024"}}),
               host::HostError);
}

TEST_F(FrameTest, AnErrorOfTheErrorReporterItselfReachesTheCaller) {
  db.onQuery = [](const std::string&) -> host::RecordsetRef {
    throw host::DatabaseError("disk I/O error", "SELECT 1");
  };
  platform->behaviour.reportErrorThrows = true;
  EXPECT_THROW(Run("ResumoPorProduto"), host::HostError);
}

TEST_F(FrameTest, AnUnknownLayoutIsATrappedError) {
  platform->behaviour.unknownLayoutThrows = true;
  EXPECT_FALSE(Run("RankingDeVendas"));
  EXPECT_THAT(platform->log, ElementsAre("CreateReport(rptRanking)",
                                         "ReportError(ORLA_Vendas, Reports.RankingDeVendas(), "
                                         "true, true: no layout rptRanking)"));
  EXPECT_EQ(oRPT, nullptr) << "nothing was held yet";
}

}  // namespace
}  // namespace orla::service
