// The steps some operations add to the frame: formulas, subreport binding, the title suffix.
#include <gmock/gmock.h>

#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using orla::testing::FakeRecordset;
using ::testing::ElementsAre;

constexpr const char* kReadingsLayout = "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV";

class ReadingsTest : public FrameTest {
 protected:
  void SetUp() override {
    platform->behaviour.sectionsByLayout[kReadingsLayout] = {{"Section6", "Resumo"},
                                                             {"Section7", "Previsao"}};
    rows = FakeRecordset::OneRow();
    db.onQuery = [this](const std::string&) { return rows; };
  }

  std::map<std::string, std::string> Forecast(std::vector<NamedValue> filters) {
    EXPECT_TRUE(Run("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", std::move(filters)));
    return Held().openedSubreports.at("Previsao")->formulas;
  }

  std::shared_ptr<FakeRecordset> rows;
};

TEST_F(ReadingsTest, BindsTheRowsToTheReportAndBothSubreportsItself) {
  EXPECT_TRUE(Run("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
                  {{"Filtro_DataInicial", "01/03/2024"},
                   {"Filtro_DataFinal", "10/03/2024"},
                   {"Filtro_TipoConfigPreVenda", int32_t{0}}}));
  const std::string layout = kReadingsLayout;
  EXPECT_THAT(
      platform->log,
      ElementsAre("CreateReport(" + layout + ")", ::testing::StartsWith("SetHeaderLine(0"),
                  ::testing::StartsWith("SetHeaderLine(1"),
                  "SetReportFormula(" + layout + ", QtdeDiasDeMovimento = 10)",
                  // The working table: no readings in the fakes, so no adjustment pass.
                  "IsOpened", "DB_Open", ::testing::HasSubstr("DROP TABLE ##VendasNosBicos"),
                  ::testing::StartsWith("SQL_Execute(CREATE TABLE ##VendasNosBicos"),
                  ::testing::StartsWith("SQL_Execute(INSERT INTO ##VendasNosBicos"),
                  ::testing::StartsWith("SQL_Execute(SELECT Bico,Combustivel,"),
                  layout + ".SetDataSource", layout + ".OpenSubreportByName(Resumo)",
                  "Resumo.SetDataSource", "SetReportFormula(Resumo, QtdeDiasDeMovimento = 10)",
                  layout + ".OpenSubreportByName(Previsao)", "Previsao.SetDataSource",
                  "SetReportFormula(Previsao, QtdeDiasDeMovimento = 10)",
                  "SetReportFormula(Previsao, DataInicial = '15/04/2024')",
                  "SetReportFormula(Previsao, DataFinal = '15/05/2024')",
                  "ShowReport(data=no, mode=1, 0, 0, bind=false)"));
  EXPECT_EQ(Held().dataSource, rows);
  EXPECT_EQ(Held().openedSubreports.at("Resumo")->dataSource, rows);
}

TEST_F(ReadingsTest, TheForecastWindowFollowsTheConfiguration) {
  // Today is 15/04/2024.
  EXPECT_THAT(Forecast({{"Filtro_DataInicial", "01/03/2024"},
                        {"Filtro_DataFinal", "10/03/2024"},
                        {"Filtro_TipoConfigPreVenda", int32_t{1}}}),
              ::testing::IsSupersetOf(
                  {std::pair<const std::string, std::string>{"DataInicial", "'11/03/2024'"},
                   {"DataFinal", "'10/04/2024'"}}));
  // A forecast end in the past moves to today + 30 when the window starts today...
  EXPECT_EQ(Forecast({{"Filtro_TipoConfigPreVenda", int32_t{0}},
                      {"Filtro_DataFinalPrevisao", "01/01/2024"},
                      {"Filtro_DataInicial", "01/03/2024"},
                      {"Filtro_DataFinal", "10/03/2024"}})
                .at("DataFinal"),
            "'15/05/2024'");
  // ...and stands otherwise, written in the short date form.
  EXPECT_EQ(Forecast({{"Filtro_TipoConfigPreVenda", int32_t{1}},
                      {"Filtro_DataFinalPrevisao", "2024-01-01"},
                      {"Filtro_DataInicial", "01/03/2024"},
                      {"Filtro_DataFinal", "10/03/2024"}})
                .at("DataFinal"),
            "'01/01/2024'");
  // An invalid forecast end is no error: the default window applies.
  EXPECT_EQ(Forecast({{"Filtro_TipoConfigPreVenda", int32_t{1}},
                      {"Filtro_DataFinalPrevisao", "31/02/2024"},
                      {"Filtro_DataInicial", "01/03/2024"},
                      {"Filtro_DataFinal", "31/03/2024"}})
                .at("DataFinal"),
            "'01/05/2024'");  // 01/04 + 30 days
}

TEST_F(ReadingsTest, DatesInReverseOrderCountTheSameDays) {
  Run("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
      {{"Filtro_DataInicial", "10/03/2024"}, {"Filtro_DataFinal", "01/03/2024"}});
  EXPECT_EQ(Held().formulas.at("QtdeDiasDeMovimento"), "10");
}

TEST_F(ReadingsTest, NoRowsBindNothing) {
  db.onQuery = [](const std::string&) { return FakeRecordset::Empty(); };
  EXPECT_TRUE(Run("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV"));
  EXPECT_TRUE(Held().openedSubreports.empty());
  EXPECT_EQ(Held().dataSource, nullptr);
  EXPECT_EQ(Calls().back(), "MsgBox");
}

TEST_F(FrameTest, TheRankingTitleNamesWhatIsRankedOnlyWhenThereAreRows) {
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{0}}});
  EXPECT_EQ(Held().title, "Título");
  db.onQuery = [](const std::string&) { return FakeRecordset::OneRow(); };
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{0}}});
  EXPECT_EQ(Held().title, "Título por Clientes");
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{3}}});
  EXPECT_EQ(Held().title, "Título por Produtos");
}

}  // namespace
}  // namespace orla::service
