#include "query/get_sql.h"

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/fakes/host_fakes.h"

namespace orla::query {
namespace {

using testing::CallLog;
using testing::FakeDatabase;
using testing::ScopedFakePlatform;

// Builders that record what they received.
struct RecordingBuilders {
  std::vector<std::string> calls;
  RankingRequest ranking;
  TaxSummaryRequest taxSummary;
  MovementDetailsByProductRequest details;
  SalesTableRequest fuelTable;

  QueryBuilders Make() {
    QueryBuilders b;
    b.RankingDeVendasSQL = [this](const RankingRequest& r) {
      calls.push_back("ranking");
      ranking = r;
      return std::string("ranking sql");
    };
    b.VendasPorTiposDeRecebimentoSQL = [this](host::Database&, const ReceiptTypeRequest& r) {
      calls.push_back("receipt types " + r.period.Filtro_DataInicial + ".." +
                      r.period.Filtro_DataFinal);
      return std::string("receipt sql");
    };
    b.ResumoPorClassificacaoFiscalSQL = [this](host::Database&, const TaxSummaryRequest& r) {
      calls.push_back("tax summary");
      taxSummary = r;
      return std::string();
    };
    b.DetalhesDosMovimentosPorProdutosSQL = [this](const MovementDetailsByProductRequest& r) {
      calls.push_back("details");
      details = r;
      return std::string();
    };
    b.TabelaDeVendasPorCombustiveisSQL = [this](host::Database&, const SalesTableRequest& r) {
      calls.push_back("fuel table");
      fuelTable = r;
      return std::string();
    };
    return b;
  }
};

TEST(GetSQL, KindsOutsideTheRangeGiveEmptyTextAndCallNoBuilder) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  RecordingBuilders recording;
  const QueryBuilders builders = recording.Make();
  for (int32_t kind : {11, -1, 1000}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(GetSQL(kind, 0, 0, {"01/03/2024", "31/03/2024"}, &db, nullptr, builders), "");
  }
  EXPECT_TRUE(recording.calls.empty());
  EXPECT_TRUE(log.empty());
}

TEST(GetSQL, AKindWithoutItsBuilderGivesEmptyText) {
  ScopedFakePlatform platform;
  EXPECT_EQ(GetSQL(7, 0, 0, {}, nullptr, nullptr, QueryBuilders{}), "");
}

TEST(GetSQL, ReceiptTypesReadOnlyTheTwoDates) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  RecordingBuilders recording;
  EXPECT_EQ(GetSQL(10, 0, 0, {"01/03/2024", "31/03/2024"}, &db, nullptr, recording.Make()),
            "receipt sql");
  EXPECT_EQ(recording.calls, std::vector<std::string>{"receipt types 01/03/2024..31/03/2024"});
}

TEST(GetSQL, RankingGetsBothListIndexesAheadOfTheConvertedFilters) {
  ScopedFakePlatform platform;
  RecordingBuilders recording;
  // Loosely typed values, converted as the runtime converts variants.
  const SqlArguments arguments{"01/03/2024", "31/03/2024", "",  int32_t{25}, "True",
                               false,        int32_t{-1},  0.0, "7",         2.5};
  EXPECT_EQ(GetSQL(3, 2, 9, arguments, nullptr, nullptr, recording.Make()), "ranking sql");
  const RankingRequest& r = recording.ranking;
  EXPECT_EQ(r.OrderListIndex, 2);
  EXPECT_EQ(r.ClassificationListIndex, 9);
  EXPECT_EQ(r.period.Filtro_DataFinal, "31/03/2024");
  EXPECT_EQ(r.Filtro_QtdeRegistros, "25");
  EXPECT_TRUE(r.adjustments.Filtro_IsIgnorarADVendaComplementar);
  EXPECT_FALSE(r.adjustments.Filtro_IsIgnorarADOutrosTipos);
  EXPECT_TRUE(r.productKinds.Filtro_IsExibirCombustiveis);
  EXPECT_FALSE(r.productKinds.Filtro_IsExibirOutrosProdutos);
  EXPECT_EQ(r.Filtro_TipoAgrupamento, 7);
  EXPECT_EQ(r.Filtro_TipoOrdenacao, 2) << "2.5 rounds to even";
}

TEST(GetSQL, TaxSummaryAndDetailsReadTheirFourteenPositions) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  RecordingBuilders recording;
  const QueryBuilders builders = recording.Make();
  GetSQL(4, 0, 0,
         {"01/03/2024", "31/03/2024", "P1", "T1", true, false, true, false, "17,5", false, true,
          true, false, int32_t{1}},
         &db, nullptr, builders);
  EXPECT_EQ(recording.taxSummary.Filtro_IDTurno, "T1");
  EXPECT_TRUE(recording.taxSummary.taxSituation.Filtro_ST_IsFF);
  EXPECT_DOUBLE_EQ(recording.taxSummary.taxSituation.Filtro_ST_AL_ICMS, 17.5);
  EXPECT_TRUE(recording.taxSummary.adjustments.Filtro_IsIgnorarADOutrosTipos);
  EXPECT_FALSE(recording.taxSummary.productKinds.Filtro_IsExibirOutrosProdutos);
  EXPECT_EQ(recording.taxSummary.Filtro_TipoVisao, 1);

  GetSQL(0, 0, 0,
         {"01/03/2024", "31/03/2024", "F9", "P1", "T1", false, false, false, true, 12.0, false,
          false, true, true},
         nullptr, nullptr, builders);
  EXPECT_EQ(recording.details.Filtro_IDFuncionario, "F9");
  EXPECT_TRUE(recording.details.taxSituation.Filtro_ST_IsTT);
  EXPECT_DOUBLE_EQ(recording.details.taxSituation.Filtro_ST_AL_ICMS, 12.0);
}

TEST(GetSQL, TheExtraSlotReachesOnlyTheFuelTable) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  RecordingBuilders recording;
  host::Value legend{std::string()};
  GetSQL(8, 0, 0, {"01/03/2024", "31/03/2024", "", false, false, int32_t{0}}, &db, &legend,
         recording.Make());
  EXPECT_EQ(recording.fuelTable.legend, &legend);
}

TEST(GetSQL, AMissingPositionOrAnUnconvertibleValueRaises) {
  ScopedFakePlatform platform;
  RecordingBuilders recording;
  const QueryBuilders builders = recording.Make();
  try {
    GetSQL(3, 0, 0, {"01/03/2024", "31/03/2024", ""}, nullptr, nullptr, builders);
    FAIL() << "A4 is missing";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.Number(), host::error_number::kTypeMismatch);
    EXPECT_NE(e.Description().find("A4"), std::string::npos);
  }
  EXPECT_THROW(GetSQL(3, 0, 0,
                      {"01/03/2024", "31/03/2024", "", "40", "talvez", false, true, true,
                       int32_t{0}, int32_t{0}},
                      nullptr, nullptr, builders),
               host::HostError);
  EXPECT_TRUE(recording.calls.empty());
}

TEST(GetSQL, BuildersThatNeedTheDatabaseRefuseAnEmptyOne) {
  ScopedFakePlatform platform;
  RecordingBuilders recording;
  EXPECT_THROW(GetSQL(10, 0, 0, {"01/03/2024", "31/03/2024"}, nullptr, nullptr, recording.Make()),
               host::HostError);
}

}  // namespace
}  // namespace orla::query
