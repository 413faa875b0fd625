#include "deliver/subscriptions_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "deliver/config.h"
#include "tests/engine/test_support.h"

namespace orla::deliver {
namespace {

namespace fs = std::filesystem;

using engine::testing::Slurp;

TEST(SubscriptionsFile, TheFormJoinsTheFileAsItStandsWithDatesThatMove) {
  const engine::testing::TempDir folder;
  const fs::path file = folder / "assinaturas.toml";
  const host::DateTime today = *host::DateTime::FromParts(2024, 3, 15, 10, 30);  // a Friday
  const std::string mine =
      "# minhas assinaturas\n[smtp]\nserver = \"smtp://localhost:25\"  # o do posto\n"
      "from = \"relatorios@posto.example\"";
  std::ofstream(file) << mine;
  ::chmod(file.c_str(), 0600);

  NewSubscription yesterday = SubscriptionFromJson(R"({
    "report": "ResumoPorProduto", "when": "diariamente 06:00", "email": "gerente@posto.example",
    "parameters": {"Filtro_DataInicial": "14/03/2024", "Filtro_DataFinal": "14/03/2024",
                   "Filtro_TipoVisao": "0", "Filtro_IsExibirCombustiveis": true,
                   "Filtro_IDProduto": ""}})");
  EXPECT_EQ(AddSubscription(file, yesterday, today), "vendas-resumo-por-produtos-ontem");
  // The form's defaults: the month so far, which the report's own defaults keep moving.
  const std::string name = AddSubscription(
      file, SubscriptionFromJson(R"({"report": "ResumoPorProduto", "when": "0 7 * * 1",
        "folder": "r", "parameters": {"Filtro_DataInicial": "01/03/2024",
        "Filtro_DataFinal": "15/03/2024"}})"),
      today);
  EXPECT_EQ(name, "vendas-resumo-por-produtos");

  const std::string text = Slurp(file);
  EXPECT_TRUE(text.starts_with(mine + "\n")) << text;
  const Config config = LoadConfig(file);
  ASSERT_EQ(config.subscriptions.size(), 2u);
  const Subscription& first = config.subscriptions[0];
  EXPECT_EQ(first.period, app::Preset::Ontem);
  // Only what differs from the report's defaults stays.
  EXPECT_EQ(first.parameters,
            (std::vector<std::pair<std::string, std::string>>{{"Filtro_TipoVisao", "0"}}));
  EXPECT_EQ(config.subscriptions[1].period, std::nullopt);
  EXPECT_TRUE(config.subscriptions[1].parameters.empty());
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // Refused whole, the file as it was.
  const std::vector<std::string> refused = {
      R"({"report": "ResumoPorProduto", "when": "diariamente 6h", "folder": "r"})",
      R"({"report": "ResumoPorProduto", "when": "diariamente 06:00", "folder": "r",
          "parameters": {"Filtro_DataInicial": "02/03/2024"}})",
      R"({"report": "ResumoPorProduto", "when": "diariamente 06:00", "folder": "r",
          "name": "vendas-resumo-por-produtos"})",
  };
  for (const std::string& json : refused) {
    SCOPED_TRACE(json);
    EXPECT_THROW(AddSubscription(file, SubscriptionFromJson(json), today), ConfigError);
    EXPECT_EQ(Slurp(file), text);
  }
  // A mistake of the user's own is told with its line.
  std::ofstream(file, std::ios::app) << "\n[[subscription]]\nname = 3\n";
  try {
    AddSubscription(file, yesterday, today);
    ADD_FAILURE() << "accepted";
  } catch (const ConfigError& e) {
    EXPECT_GT(e.Line(), 0) << e.what();
  }
}

}  // namespace
}  // namespace orla::deliver
