#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "engine/render.h"
#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

using Json = nlohmann::json;
constexpr const char* kFuelMovement = "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV";

std::shared_ptr<Report> FuelMovement() {
  const auto report = CreateReport(kFuelMovement);
  report->SetHeaderLine(0, "[1] - Posto");
  report->SetHeaderLine(1, "Visão financeira / De 01/03/24 até 10/03/24");
  report->SetFormula("QtdeDiasDeMovimento", "10");
  const auto rows = testing::Recordset(
      {"Bico", "Combustivel", "QtdeVendida", "ValorDeVenda", "ValorDeCusto", "ValorDesconto",
       "ValorAcrescimo", "ValorDeVendaAtual"},
      {{"01", "GASOLINA COMUM", 1000.5, 5.899, 4.8, int64_t{10}, host::Value(), 5.999},
       {"02", "ETANOL", 0.0, 3.5, 2.75, 0.0, 1.25, 3.49}});
  report->SetDataSource(rows);
  for (const char* name : {"ResumoPorCombustivel", "PrevisaoDeVendas"}) {
    report->Subreport(name)->SetDataSource(rows);
    report->Subreport(name)->SetFormula("QtdeDiasDeMovimento", "10");
  }
  report->Subreport("PrevisaoDeVendas")->SetFormula("DataInicial", "'11/03/2024'");
  report->Subreport("PrevisaoDeVendas")->SetFormula("DataFinal", "'10/04/2024'");
  return report;
}

std::string ToJson(Report& report) {
  std::ostringstream out;
  WriteReportJson(report, out);
  return out.str();
}

TEST(JsonIoTest, WritesTheReportObject) {
  const auto report = FuelMovement();
  const Json doc = Json::parse(ToJson(*report));
  std::vector<std::string> keys;
  for (const auto& [key, value] : doc.items()) {
    keys.push_back(key);
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"columns", "filters", "formulas", "headerLines",
                                            "layout", "rows", "subreports", "title"}));
  EXPECT_EQ(doc["layout"], kFuelMovement);
  EXPECT_EQ(doc["headerLines"], Json::parse(R"(["[1] - Posto",
      "Visão financeira / De 01/03/24 até 10/03/24"])"));
  EXPECT_EQ(doc["formulas"], Json::parse(R"({"QtdeDiasDeMovimento": "10"})"));
  EXPECT_EQ(doc["columns"].size(), 8u);
  EXPECT_EQ(doc["rows"][0],
            Json::parse(R"(["01","GASOLINA COMUM",1000.5,5.899,4.8,10,null,5.999])"));
  ASSERT_EQ(doc["subreports"].size(), 2u);
  EXPECT_EQ(doc["subreports"][1]["name"], "PrevisaoDeVendas");
  EXPECT_EQ(doc["subreports"][1]["formulas"]["DataFinal"], "'10/04/2024'");
  EXPECT_EQ(doc["subreports"][1]["rows"].size(), 2u);
}

TEST(JsonIoTest, ReadsTheRunObjectOrAMinimalReport) {
  const auto whole = ReportFromJson(R"({"operation": "RankingDeVendas", "result": true,
    "report": {"layout": "rptRanking", "columns": ["Codigo", "Nome", "SomaDeQtde"],
               "rows": [["7", "Ana", 2]]},
    "shown": true, "messages": [], "errors": []})");
  EXPECT_EQ(whole->LayoutName(), "rptRanking");
  EXPECT_EQ(whole->Title(), "Vendas - Ranking");
  EXPECT_EQ(whole->HeaderLines()[0], "");
  EXPECT_TRUE(whole->Formulas().empty());
  std::ostringstream text;
  Render(*whole, Format::Text, text);
  EXPECT_NE(text.str().find("Ana"), std::string::npos);

  // A subreport without rows prints nothing.
  const auto noSub = ReportFromJson(std::string(R"({"layout": ")") + kFuelMovement +
                                    R"(", "columns": ["Bico"], "rows": [["01"]],
    "subreports": [{"name": "PrevisaoDeVendas", "formulas": {"DataInicial": "'01/04/2024'"}}]})");
  EXPECT_EQ(noSub->Subreport("PrevisaoDeVendas")->DataSource(), nullptr);
  EXPECT_EQ(noSub->Subreport("PrevisaoDeVendas")->Formulas().at(0).second, "'01/04/2024'");
  std::ostringstream out;
  Render(*noSub, Format::Text, out);
  EXPECT_EQ(out.str().find("Previsão"), std::string::npos);
}

TEST(JsonIoTest, RefusesWhatTheLayoutDoesNotKnowNamingIt) {
  const std::string ranking = R"({"layout": "rptRanking", "columns": )";
  const std::string code = ranking + R"(["Codigo"], )";
  const std::pair<std::string, const char*> cases[] = {
      {R"({"layout": "rptNada", "columns": [], "rows": []})", "rptNada"},
      {ranking + R"(["Codigo", "Preco"], "rows": []})", "Preco"},
      {ranking + R"(["Margem"], "rows": []})", "Margem"},
      {ranking + R"([], "rows": [], "formulas": {"Legenda": "x"}})", "Legenda"},
      {ranking + R"([], "rows": [], "subreports": [{"name": "Sub"}]})", "Sub"},
      {code + R"("rows": [["1", "2"]]})", "one value"},
      {ranking + R"(["Codigo"]})", "\"rows\""},
      // The rows are checked when the document is read, whatever the order of its keys.
      {R"({"rows": [["1"], ["2", "3"]], "columns": ["Codigo"], "layout": "rptRanking"})",
       "one value per column (1)"},
      {code + R"("rows": [["1"], "2"]})", "one value"},
      {code + R"("rows": [{"Codigo": "1"}]})", "one value"},
      {code + R"("rows": [["1"], [{"a": [1]}]]})", R"(not {"a":[1]})"},
      {code + R"("rows": [[[1]], ["1", "2"]]})", "not [1]"},
      {code + R"("rows": [["1", "2"], [[1]]]})", "one value"},
      {code + R"("rows": [["1"]], "x": )", "not a JSON object"},
      {code + R"("rows": 3})", "must be lists"},
      {R"({"report": null})", "no report"},
      {"[1, 2]", "not a JSON object"},
  };
  for (const auto& [doc, name] : cases) {
    SCOPED_TRACE(doc);
    try {
      ReportFromJson(doc);
      ADD_FAILURE() << "accepted";
    } catch (const host::LayoutError& e) {
      EXPECT_NE(e.Description().find(name), std::string::npos) << e.Description();
    }
  }
}

// Rows are read from the document each time the report reads them: strings holding brackets,
// quotes and escapes, rows over several lines, and keys in any order.
TEST(JsonIoTest, ReadsRowsFromTheDocumentEveryTimeAlike) {
  const std::string doc = R"({"rows": [
      ["1", "Ana \"]\" [x]", 2.5],
      [  "2",
         "Bruno\\", 3],
      ["3", "Çé \u00e7\ud83d\ude00", null]
    ], "columns": ["Codigo", "Nome", "SomaDeQtde"], "layout": "rptRanking"})";
  const testing::TempDir dir;
  const std::filesystem::path file = dir / "rows.json";
  std::ofstream(file) << "{\"report\": " << doc << ", \"rows\": []}";
  for (const auto& report : {ReportFromJson(doc), ReportFromJsonFile(file)}) {
    host::Recordset& rows = *report->DataSource();
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass);
      rows.MoveFirst();
      std::vector<std::string> names;
      for (; !rows.Eof().AsBoolean(); rows.MoveNext()) {
        names.push_back(rows.Field("nome").AsText());
      }
      EXPECT_EQ(names,
                (std::vector<std::string>{"Ana \"]\" [x]", "Bruno\\", "Çé ç\xF0\x9F\x98\x80"}));
    }
    rows.MoveFirst();
    EXPECT_EQ(rows.FieldAt(2).AsDouble(), 2.5);
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace orla::engine
