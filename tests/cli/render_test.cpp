// `render`: a saved report renders as it ran, and a bad one is refused by name.
#include <fstream>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

using nlohmann::json;

TEST_F(CliTest, ASavedReportRendersToTheSameTextItRanWith) {
  const std::filesystem::path saved = Folder() / "saved.json";
  const std::filesystem::path direct = Folder() / "direct.pdf";
  const std::filesystem::path again = Folder() / "again.pdf";
  const std::vector<std::string> march = {"VendasPorTiposDeRecebimento",
                                          "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
  ASSERT_EQ(Run(With(march, {"--out", saved.string()})).exitCode, 0);
  ASSERT_EQ(Run(With(march, {"--out", direct.string(), "--user", "ana"})).exitCode, 0);
  ASSERT_EQ(Main({"render", saved.string(), "--out", again.string(), "--user", "ana"}).exitCode, 0);
  const std::string text = PdfText(direct);
  EXPECT_THAT(text, ::testing::HasSubstr("Vendas - Por Tipos de Recebimento"));
  EXPECT_THAT(text, ::testing::HasSubstr("Visão fiscal / De 01/03/24 até 31/03/24"));
  EXPECT_THAT(text, ::testing::HasSubstr(" por ana"));
  // The same foot too: ctest fixes the print time (SOURCE_DATE_EPOCH).
  EXPECT_EQ(PdfText(again), text);
}

// What the document names is checked where it is read (the engine's tests); here, that a
// refusal exits 2 naming it.
TEST_F(CliTest, AnUnknownLayoutOrABadFileIsRefused) {
  const std::filesystem::path input = Folder() / "bad.json";
  std::ofstream(input) << R"({"layout":"rptNada","columns":[],"rows":[]})";
  const CommandResult result = Main({"render", input.string()});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_THAT(result.err, ::testing::HasSubstr("rptNada"));
  std::ofstream(input, std::ios::trunc) << "not json";
  EXPECT_EQ(Main({"render", input.string()}).exitCode, 2);
  EXPECT_EQ(Main({"render", (Folder() / "missing.json").string()}).exitCode, 2);
}

}  // namespace
}  // namespace orla::cli
