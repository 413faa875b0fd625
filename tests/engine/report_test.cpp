#include "engine/report.h"

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

constexpr const char* kFuelMovement = "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV";

// Runs `call` and gives the description of the host::LayoutError it raises.
template <typename Call>
std::string LayoutErrorOf(Call call) {
  try {
    call();
  } catch (const host::LayoutError& e) {
    EXPECT_EQ(e.Number(), host::error_number::kLayout);
    return e.Description();
  }
  ADD_FAILURE() << "no layout error";
  return {};
}

TEST(ReportTest, FindsTheSubreportsOfItsSectionsAndOpensThemByName) {
  const auto report = CreateReport(kFuelMovement);
  host::Report& engineReport = *report;
  for (const char* section : {"Section6", "Section7"}) {
    SCOPED_TRACE(section);
    const std::string name = engineReport.Section(section).ReportObjects(1)->SubreportName();
    const auto sub = engineReport.OpenSubreportByName(name);
    ASSERT_NE(sub, nullptr);
    // The same object every time, so that what the library binds is what prints.
    EXPECT_EQ(sub, engineReport.OpenSubreportByName(name));
    const auto rows = testing::Recordset({"Bico"}, {});
    sub->Database().SetDataSource(rows);
    EXPECT_EQ(report->Subreport(name)->DataSource(), rows);
    EXPECT_EQ(report->DataSource(), nullptr);
  }
  EXPECT_EQ(engineReport.Section("section6").ReportObjects(1)->SubreportName(),
            "ResumoPorCombustivel");
}

TEST(ReportTest, RaisesErrorsThatNameWhatIsMissing) {
  const auto report = CreateReport(kFuelMovement);
  host::Report& r = *report;
  const std::pair<std::string, std::string> cases[] = {
      {LayoutErrorOf([] { CreateReport("rptNaoExiste"); }), "rptNaoExiste"},
      {LayoutErrorOf([&] { r.Section("Section9"); }), "no section Section9"},
      {LayoutErrorOf([&] { r.Section("Section3").ReportObjects(1); }), "Section3"},
      {LayoutErrorOf([&] { r.Section("Section1").ReportObjects(1)->SubreportName(); }), "Section1"},
      {LayoutErrorOf([&] { r.Section("Section6").ReportObjects(2); }), "report object 2"},
      {LayoutErrorOf([&] { r.OpenSubreportByName("Resumo"); }), "no subreport Resumo"},
      {LayoutErrorOf([&] { report->SetFormula("Legenda", "'x'"); }), "no formula Legenda"},
      {LayoutErrorOf(
           [&] { report->Subreport("ResumoPorCombustivel")->SetFormula("DataInicial", "'x'"); }),
       "no formula DataInicial"},
  };
  for (const auto& [message, expected] : cases) {
    EXPECT_NE(message.find(expected), std::string::npos) << message;
  }
}

TEST(ReportTest, KeepsTitleHeaderLinesAndFormulas) {
  const auto report = CreateReport("rptRanking");
  host::Report& r = *report;
  r.SetReportTitle(r.ReportTitle() + " por Clientes");
  EXPECT_EQ(report->Title(), "Vendas - Ranking por Clientes");

  report->SetHeaderLine(1, "Visão fiscal");
  report->SetHeaderLine(0, "[1] - Posto");
  EXPECT_EQ(report->HeaderLines()[0], "[1] - Posto");
  EXPECT_EQ(report->HeaderLines()[1], "Visão fiscal");
  EXPECT_THROW(report->SetHeaderLine(2, "x"), host::HostError);

  const auto summary = CreateReport("rptResumoPorGrupoDeProdutos");
  summary->SetFormula("DataFinal", "'31/03/2024'");
  summary->SetFormula("período", "31");  // names ignore letter case
  summary->SetFormula("DataFinal", "'30/04/2024'");
  const std::vector<std::pair<std::string, std::string>> expected = {{"Período", "31"},
                                                                     {"DataFinal", "'30/04/2024'"}};
  EXPECT_EQ(summary->Formulas(), expected);
  // Each creation is a fresh report: what one holds, the next does not.
  EXPECT_TRUE(CreateReport("rptResumoPorGrupoDeProdutos")->Formulas().empty());
}

}  // namespace
}  // namespace orla::engine
