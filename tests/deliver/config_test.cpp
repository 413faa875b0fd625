#include "deliver/config.h"

#include <gtest/gtest.h>

namespace orla::deliver {
namespace {

constexpr std::string_view kSmtp = R"([smtp]
server = "smtp://127.0.0.1:2525"
from = "relatorios@posto.example"
)";

TEST(Config, ReadsASubscriptionAsTheUserWroteIt) {
  const Config config = ParseConfig(std::string(kSmtp) + R"(
[[subscription]]
name = "vendas-de-ontem"
report = "VendasPorTiposDeRecebimento"
period = "ontem"
when = "diariamente 06:00"
folder = "relatorios"
email = "gerente@posto.example"

[[subscription]]
name = "ranking"
report = "RankingDeVendas"
parameters = { Filtro_QtdeRegistros = 10, Filtro_IsExibirCombustiveis = false }
formats = ["xlsx", "csv"]
when = "0 7 * * 1"
folder = "~/ranking"
empty = "pular"
)",
                                    "/srv/orla/assinaturas.toml");
  ASSERT_EQ(config.subscriptions.size(), 2u);
  const Subscription& daily = config.subscriptions[0];
  EXPECT_EQ(daily.folder, std::filesystem::path("/srv/orla/relatorios"));
  EXPECT_EQ(daily.formats, std::vector<engine::Format>{engine::Format::Pdf});
  EXPECT_EQ(daily.email, std::vector<std::string>{"gerente@posto.example"});
  EXPECT_EQ(daily.empty, EmptyPolicy::Warn);
  const Subscription& ranking = config.subscriptions[1];
  EXPECT_EQ(ranking.folder, std::filesystem::path(std::getenv("HOME")) / "ranking");
  EXPECT_EQ(ranking.parameters,
            (std::vector<std::pair<std::string, std::string>>{
                {"Filtro_IsExibirCombustiveis", "false"}, {"Filtro_QtdeRegistros", "10"}}));
  EXPECT_EQ(ranking.empty, EmptyPolicy::Skip);
}

// The message a file is refused with.
std::string Refusal(const std::string& text) {
  try {
    ParseConfig(text, "/srv/assinaturas.toml");
  } catch (const ConfigError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(Config, RefusesAMistakeWithItsLine) {
  struct Row {
    const char* mistake;
    std::string text;  // after [smtp], which takes lines 1 to 3
    int line;
    const char* says;
  };
  const std::string head = "\n[[subscription]]\nname = \"a\"\n";  // lines 4 to 6
  const std::string tail = "when = \"diariamente 06:00\"\nfolder = \"/tmp\"\n";
  const Row rows[] = {
      {"unknown report", head + "report = \"VendasPorTipo\"\n" + tail, 7, "unknown report"},
      {"unknown parameter",
       head + "report = \"RankingDeVendas\"\nparameters = { Filtro_TipoVisao = \"1\" }\n" + tail, 8,
       "has no parameter Filtro_TipoVisao"},
      {"unreadable date",
       head + "report = \"RankingDeVendas\"\nparameters = { Filtro_DataFinal = \"31/02/2024\" }\n" +
           tail,
       8, "not a date"},
      {"bad cron", head + "report = \"RankingDeVendas\"\nwhen = \"0 6 * * 9\"\nfolder = \"/tmp\"\n",
       8, "weekday field"},
      {"bad address",
       head + "report = \"RankingDeVendas\"\n" + tail + "email = [\"gerente@posto.example\",\n" +
           "  \"gerente.posto.example\"]\n",
       11, "not a mail address"},
      {"unknown period", head + "report = \"RankingDeVendas\"\nperiod = \"mês passado\"\n" + tail,
       8, "unknown period"},
      {"unknown format", head + "report = \"RankingDeVendas\"\nformats = [\"docx\"]\n" + tail, 8,
       "unknown format"},
      {"unknown key", head + "report = \"RankingDeVendas\"\nemails = [\"a@b\"]\n" + tail, 8,
       "unknown key 'emails'"},
      {"no way out", head + "report = \"RankingDeVendas\"\nwhen = \"diariamente 06:00\"\n", 5,
       "neither folder nor email"},
      {"a name twice",
       head + "report = \"RankingDeVendas\"\n" + tail + head + "report = \"RankingDeVendas\"\n" +
           tail,
       12, "comes earlier"},
      {"not TOML", head + "report = RankingDeVendas\n" + tail, 7, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mistake);
    const std::string message = Refusal(std::string(kSmtp) + row.text);
    EXPECT_TRUE(message.starts_with("/srv/assinaturas.toml:" + std::to_string(row.line) + ": "))
        << message;
    EXPECT_NE(message.find(row.says), std::string::npos) << message;
  }
  EXPECT_EQ(Refusal("[[subscription]]\nname = \"a\"\nreport = \"RankingDeVendas\"\n"
                    "when = \"diariamente 06:00\"\nemail = [\"a@b.example\"]\n"),
            "/srv/assinaturas.toml:1: subscription 'a' sends mail, but the file has no [smtp] "
            "(server, from, user)");
}

}  // namespace
}  // namespace orla::deliver
