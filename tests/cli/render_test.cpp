// `render`: every layout from hand-written rows of its columns in every format, and a saved
// report that renders as it ran.
#include <fstream>

#include <gmock/gmock.h>

#include "engine/layout.h"
#include "layouts/layouts.h"
#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

using nlohmann::json;

// A plausible value for a field of this format, varied by row.
json SampleValue(const engine::FieldFormat& format, int row) {
  switch (format.kind) {
    case engine::FormatKind::Integer:
      return 10 + row;
    case engine::FormatKind::Number:
    case engine::FormatKind::Money:
    case engine::FormatKind::Quantity:
    case engine::FormatKind::Price:
    case engine::FormatKind::Percent:
      return 1234.5 + row * 10.25;
    case engine::FormatKind::Date:
      return "2024-03-0" + std::to_string(1 + row % 9);
    case engine::FormatKind::DateTime:
    case engine::FormatKind::Time:
      return "2024-03-0" + std::to_string(1 + row % 9) + " 10:1" + std::to_string(row % 10) + ":00";
    case engine::FormatKind::Boolean:
      return row % 2 == 0;
    case engine::FormatKind::Text:
      return row % 2 == 0 ? "GASOLINA ADITIVADA D'OURO" : "Óleo Diesel S-10 — Açaí";
  }
  return nullptr;
}

json SampleRows(const engine::Layout& layout, json& columns) {
  columns = json::array();
  std::vector<const engine::FieldDef*> stored;
  for (const engine::FieldDef& field : layout.fields) {
    if (!field.computed) {
      columns.push_back(field.id);
      stored.push_back(&field);
    }
  }
  json rows = json::array();
  for (int row = 0; row < 6; ++row) {
    json values = json::array();
    for (const engine::FieldDef* field : stored) {
      values.push_back(SampleValue(field->format, row / 2));
    }
    rows.push_back(values);
  }
  return rows;
}

json SampleReport(std::string_view name) {
  const std::shared_ptr<const engine::Layout> layout = engine::LoadLayout(name);
  json report{{"layout", name}};
  report["rows"] = SampleRows(*layout, report["columns"]);
  json subreports = json::array();
  for (const engine::Layout& subreport : layout->subreports) {
    json sub{{"name", subreport.name}};
    sub["rows"] = SampleRows(subreport, sub["columns"]);
    subreports.push_back(sub);
  }
  report["subreports"] = subreports;
  return report;
}

TEST_F(CliTest, EveryLayoutRendersInEveryFormatFromHandWrittenRows) {
  const std::vector<std::string_view> names = layouts::Names();
  ASSERT_EQ(names.size(), 17u);
  for (std::string_view name : names) {
    const std::filesystem::path input = Folder() / (std::string(name) + ".json");
    std::ofstream(input) << SampleReport(name).dump();
    for (const char* format : {"pdf", "html", "xlsx", "csv", "json", "txt"}) {
      SCOPED_TRACE(std::string(name) + " as " + format);
      const std::filesystem::path out = Folder() / (std::string(name) + "." + format);
      const CommandResult result = Main({"render", input.string(), "--out", out.string()});
      ASSERT_EQ(result.exitCode, 0) << result.err;
      EXPECT_GT(std::filesystem::file_size(out), 100u);
    }
  }
}

TEST_F(CliTest, ASavedReportRendersToTheSameTextItRanWith) {
  const std::filesystem::path saved = Folder() / "saved.json";
  const std::filesystem::path direct = Folder() / "direct.pdf";
  const std::filesystem::path again = Folder() / "again.pdf";
  const std::vector<std::string> march = {"VendasPorTiposDeRecebimento",
                                          "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> all = march;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  ASSERT_EQ(Run(with({"--out", saved.string()})).exitCode, 0);
  ASSERT_EQ(Run(with({"--out", direct.string()})).exitCode, 0);
  ASSERT_EQ(Main({"render", saved.string(), "--out", again.string()}).exitCode, 0);
  const std::string text = PdfText(direct);
  EXPECT_THAT(text, ::testing::HasSubstr("Vendas - Por Tipos de Recebimento"));
  EXPECT_THAT(text, ::testing::HasSubstr("Visão fiscal / De 01/03/24 até 31/03/24"));
  EXPECT_EQ(PdfText(again), text);
}

TEST_F(CliTest, AnUnknownLayoutOrColumnIsRefusedByName) {
  const std::filesystem::path input = Folder() / "bad.json";
  std::ofstream(input) << R"({"layout":"rptNada","columns":[],"rows":[]})";
  CommandResult result = Main({"render", input.string()});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_THAT(result.err, ::testing::HasSubstr("rptNada"));

  std::ofstream(input, std::ios::trunc)
      << R"({"layout":"rptRanking","columns":["Codigo","Apelido"],"rows":[[1,"x"]]})";
  result = Main({"render", input.string()});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_THAT(result.err, ::testing::HasSubstr("Apelido"));

  std::ofstream(input, std::ios::trunc) << "not json";
  EXPECT_EQ(Main({"render", input.string()}).exitCode, 2);
  EXPECT_EQ(Main({"render", (Folder() / "missing.json").string()}).exitCode, 2);
}

}  // namespace
}  // namespace orla::cli
