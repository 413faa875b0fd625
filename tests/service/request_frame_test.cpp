#include <gmock/gmock.h>

#include "host/errors.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;

// What the other paths of every operation do is in its report's calls and in the fault sweep.
struct OperationRow {
  const char* name;
  bool closesConnection;
};

const OperationRow kOperations[] = {
    {"ClienteEspecial", false},
    {"DetalhesDosMovimentosPorClientes", false},
    {"DetalhesDosMovimentosPorProdutos", false},
    {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", false},
    {"MovimentacaoDeCombustiveisPorVendaComplementar", false},
    {"RankingDeVendas", false},
    {"ResumoPorClassificacaoFiscal", false},
    {"ResumoPorGrupoDeProduto", false},
    {"ResumoPorProduto", false},
    {"TabelaDeVendasPorBico", false},
    {"TabelaDeVendasPorCombustiveis", false},
    {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", true},
    {"VendasPorTiposDeRecebimento", true},
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
