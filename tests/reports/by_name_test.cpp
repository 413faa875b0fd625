#include "reports/by_name.h"

#include <gmock/gmock.h>

#include "host/errors.h"
#include "reports/report_list.h"
#include "tests/service/frame_fixture.h"

namespace orla::reports {
namespace {

using service::FrameTest;

using orla::testing::ErrorNumber;

TEST(ByName, ResolvesNamedValuesWithDefaultsAndCoercions) {
  orla::testing::ScopedFakePlatform platform;
  const host::DateTime today = *host::DateTime::FromParts(2024, 4, 15);
  const ArgumentList arguments = ResolveArguments(
      *FindReport("TabelaDeVendasPorBico"),
      {{"Filtro_IsIgnorarADOutrosTipos", "true"}, {"Filtro_TipoVisao", 0.0}}, today);
  EXPECT_EQ(arguments, (ArgumentList{"01/04/2024", "15/04/2024", "", false, true, int32_t{0}}));
  // Every other kind of default, of its parameter's type.
  EXPECT_EQ(ResolveArguments(*FindReport("ResumoPorClassificacaoFiscal"), {}, today),
            (ArgumentList{"01/04/2024", "15/04/2024", "", "", true, true, true, true, 0.0, false,
                          false, true, true, int32_t{1}}));
  EXPECT_EQ(ResolveArguments(*FindReport("RankingDeVendas"), {}, today).at(5), host::Value("40"));
}

TEST(ByName, BadNamesAndValuesRaiseBeforeAnythingRuns) {
  orla::testing::ScopedFakePlatform platform;
  const ReportDescriptor* ranking = FindReport("RankingDeVendas");
  const struct {
    const ReportDescriptor* report;
    std::vector<NamedValue> values;
    int32_t number;
  } cases[] = {
      {ranking, {{"Filtro_IDCliente", "1"}}, 448},
      {ranking, {{"OrderListIndex", 1}, {"OrderListIndex", 2}}, 448},
      {ranking, {{"OrderListIndex", "one"}}, host::error_number::kTypeMismatch},
      {ranking, {{"OrderListIndex", 1e12}}, host::error_number::kOverflow},
      {FindReport("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV"),
       {{"Filtro_TipoConfigPreVenda", int32_t{70000}}},
       host::error_number::kOverflow},
      {ranking, {{"Filtro_IDProduto", host::Value()}}, host::error_number::kInvalidUseOfNull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values[0].name);
    EXPECT_EQ(ErrorNumber([&] { ResolveArguments(*c.report, c.values, host::DateTime()); }),
              c.number);
  }
}

TEST_F(FrameTest, AnUnknownOperationRunsNothing) {
  EXPECT_EQ(ErrorNumber([&] { Run("Vendas"); }), host::error_number::kObjectDoesNotSupport);
  EXPECT_EQ(ErrorNumber([&] { Run("rankingdevendas"); }), host::error_number::kObjectDoesNotSupport)
      << "names are exact";
  EXPECT_TRUE(platform->log.empty());
}

}  // namespace
}  // namespace orla::reports
