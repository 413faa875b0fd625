// The fuel movement by readings against the recording fakes: the working table, the query, the
// binding to the report and both subreports, and the forecast window.
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

constexpr std::string_view kOperation = "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV";

TEST_F(FrameTest, ReadingsMovementCalls) {
  const auto rows = [this] {
    platform->behaviour.sectionsByLayout["rpt" + std::string(kOperation)] = {
        {"Section6", "Resumo"}, {"Section7", "Previsao"}};
    db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  };
  const auto configured = [](int32_t configuration, const char* forecastEnd, const char* from,
                             const char* to) {
    std::vector<NamedValue> values{{"Filtro_TipoConfigPreVenda", configuration},
                                   {"Filtro_DataInicial", from},
                                   {"Filtro_DataFinal", to}};
    if (forecastEnd != nullptr) {
      values.push_back({"Filtro_DataFinalPrevisao", forecastEnd});
    }
    return values;
  };
  orla::testing::ExpectedTexts expected(
      "reports/fuel_movement/expected/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv"
      ".txt");
  ExpectCalls(expected, kOperation,
              {
                  {"no readings: nothing bound", {}},
                  // The period and the till go to the working table.
                  {"a shift, both adjustments ignored",
                   {{"Filtro_IDTurno", "3"}, kIgnoreComplementary, kIgnoreOthers}},
                  {"rows: the report and both subreports bound by the operation",
                   configured(0, nullptr, "01/03/2024", "10/03/2024"), rows},
              });
  // Today is 15/04/2024.
  ExpectCalls(expected, kOperation,
              {
                  {"window from the day after the period",
                   configured(1, nullptr, "01/03/2024", "10/03/2024"), rows},
                  // A forecast end in the past moves to today + 30 when the window starts today...
                  {"a past end, window from today",
                   configured(0, "01/01/2024", "01/03/2024", "10/03/2024"), rows},
                  // ...and stands otherwise, written in the short date form.
                  {"a past end, window after the period",
                   configured(1, "2024-01-01", "01/03/2024", "10/03/2024"), rows},
                  // An invalid forecast end is no error: the default window applies.
                  {"an invalid end", configured(1, "31/02/2024", "01/03/2024", "31/03/2024"), rows},
                  {"dates in reverse order count the same days",
                   configured(0, nullptr, "10/03/2024", "01/03/2024"), rows},
              },
              [](const std::string& call) { return call.starts_with("SetReportFormula("); });
}

}  // namespace
}  // namespace orla::service
