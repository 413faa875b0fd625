// Every drill-down leads to sales: on the demo month, the first link of each kind a report's
// HTML carries opens its target, which finds rows to print. A key the target does not read as
// the report prints it (a shift's "T1", a day, a quoted payment form) would open it empty.
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "app/parameters.h"
#include "app/run.h"
#include "engine/render.h"
#include "engine/report.h"
#include "serve/request.h"
#include "tests/sqlite/test_databases.h"

namespace orla::app {
namespace {

TEST(DrillTest, EachKindOfLinkOpensItsTargetWithSales) {
  RunSetup setup;
  setup.database = testing::MarchDatabase();
  setup.clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 4, 15));
  auto run = [&](const std::string& name, const std::vector<Assignment>& parameters) {
    const reports::ReportDescriptor& operation = CheckOperation(name);
    return ExecuteRun(operation, CheckParameters(operation, parameters), setup);
  };
  const std::pair<std::string, std::string> kSources[] = {{"VendasPorTiposDeRecebimento", ""},
                                                          {"TabelaDeVendasPorBico", ""},
                                                          {"TabelaDeVendasPorCombustiveis", ""},
                                                          {"RankingDeVendas", "0"},
                                                          {"RankingDeVendas", "1"},
                                                          {"ResumoPorProduto", ""}};
  const std::regex link("href=\"#/(\\w+)\\?([^\"]*)&amp;run=1\"");
  for (const auto& [source, grouping] : kSources) {
    SCOPED_TRACE(source + grouping);
    std::vector<Assignment> parameters = {{"Filtro_DataInicial", "04/03/2024"},
                                          {"Filtro_DataFinal", "05/03/2024"}};
    if (!grouping.empty()) {
      parameters.push_back({"Filtro_TipoAgrupamento", grouping});
    }
    const RunResult summary = run(source, parameters);
    ASSERT_TRUE(summary.shown);
    std::ostringstream html;
    engine::Render(dynamic_cast<engine::Report&>(*summary.report), engine::Format::Html, html);
    const std::string text = html.str();
    std::set<std::string> kinds;
    for (auto m = std::sregex_iterator(text.begin(), text.end(), link); m != std::sregex_iterator();
         ++m) {
      std::map<std::string, std::string> values;
      ASSERT_TRUE(
          serve::DecodeForm(std::regex_replace((*m)[2].str(), std::regex("&amp;"), "&"), values));
      std::string kind = (*m)[1].str();
      std::vector<Assignment> target;
      for (const auto& [name, value] : values) {
        kind += " " + name;
        target.push_back({name, value});
      }
      if (kinds.insert(kind).second) {
        const RunResult details = run((*m)[1].str(), target);
        EXPECT_TRUE(details.result && details.shown) << (*m)[0].str();
      }
    }
    EXPECT_FALSE(kinds.empty()) << "no link";
  }
}

}  // namespace
}  // namespace orla::app
