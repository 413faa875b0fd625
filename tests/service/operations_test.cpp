#include "service/operations.h"

#include <gmock/gmock.h>

#include "host/errors.h"
#include "service/class_registry.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

int32_t ErrorNumberOf(auto&& call) {
  try {
    call();
  } catch (const host::HostError& e) {
    return e.Number();
  }
  return 0;
}

TEST(Operations, ParametersStandInTheirCallOrderWithTheirTypes) {
  orla::testing::ScopedFakePlatform platform;
  const OperationInfo* ranking = FindOperation("RankingDeVendas");
  ASSERT_NE(ranking, nullptr);
  ASSERT_EQ(ranking->parameters.size(), 12u);
  EXPECT_EQ(ranking->parameters[0].name, "OrderListIndex");
  EXPECT_EQ(ranking->parameters[5].name, "Filtro_QtdeRegistros");
  EXPECT_EQ(ranking->parameters[11].name, "Filtro_TipoOrdenacao");
  EXPECT_EQ(
      FindOperation("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV")->parameters[2].type,
      ParameterType::Int16);
  EXPECT_EQ(FindOperation("rankingdevendas"), nullptr) << "names are exact";
}

TEST(Operations, ResolvesNamedValuesWithDefaultsAndCoercions) {
  orla::testing::ScopedFakePlatform platform;
  const host::DateTime today = *host::DateTime::FromParts(2024, 4, 15);
  const ArgumentList arguments = ResolveArguments(
      *FindOperation("TabelaDeVendasPorBico"),
      {{"Filtro_IsIgnorarADOutrosTipos", "true"}, {"Filtro_TipoVisao", 0.0}}, today);
  EXPECT_EQ(arguments, (ArgumentList{"01/04/2024", "15/04/2024", "", false, true, int32_t{0}}));
}

TEST(Operations, BadNamesAndValuesRaiseBeforeAnythingRuns) {
  orla::testing::ScopedFakePlatform platform;
  const OperationInfo& op = *FindOperation("RankingDeVendas");
  const host::DateTime today;
  EXPECT_EQ(ErrorNumberOf([&] { ResolveArguments(op, {{"Filtro_IDCliente", "1"}}, today); }), 448);
  EXPECT_EQ(ErrorNumberOf([&] {
              ResolveArguments(op, {{"OrderListIndex", 1}, {"OrderListIndex", 2}}, today);
            }),
            448);
  EXPECT_EQ(ErrorNumberOf([&] {
              ResolveArguments(op, {{"OrderListIndex", "one"}}, today);
            }),
            host::error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([&] {
              ResolveArguments(op, {{"OrderListIndex", 1e12}}, today);
            }),
            host::error_number::kOverflow);
  EXPECT_EQ(ErrorNumberOf([&] {
              ResolveArguments(
                  *FindOperation("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV"),
                  {{"Filtro_TipoConfigPreVenda", int32_t{70000}}}, today);
            }),
            host::error_number::kOverflow);
  EXPECT_EQ(ErrorNumberOf([&] {
              ResolveArguments(op, {{"Filtro_IDProduto", host::Value()}}, today);
            }),
            host::error_number::kInvalidUseOfNull);
}

TEST_F(FrameTest, AnUnknownOperationRunsNothing) {
  EXPECT_EQ(ErrorNumberOf([&] { Run("Vendas"); }), host::error_number::kObjectDoesNotSupport);
  EXPECT_TRUE(platform->log.empty());
}

TEST(ClassRegistry, CreatesReportsByNameOrIdentifier) {
  EXPECT_NE(CreateObject("ORLA_Vendas.Reports"), nullptr);
  EXPECT_NE(CreateObject("orla_vendas.reports"), nullptr);
  EXPECT_NE(CreateObject("{404cfd46-736f-4d7e-a984-c2daf0d27a37}"), nullptr);
  EXPECT_NE(CreateObject("404CFD46-736F-4D7E-A984-C2DAF0D27A37"), nullptr);
  EXPECT_EQ(ErrorNumberOf([] { CreateObject("ORLA_Vendas.Other"); }),
            host::error_number::kCannotCreateObject);
}

}  // namespace
}  // namespace orla::service
