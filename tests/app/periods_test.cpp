#include "app/periods.h"

#include <ostream>

#include <gtest/gtest.h>

#include "reports/report_list.h"

namespace orla::app {

void PrintTo(const Period& period, std::ostream* out) {
  *out << period.first.ToIso() << " to " << period.last.ToIso();
}

namespace {

host::DateTime Day(int year, int month, int day) {
  return *host::DateTime::FromParts(year, month, day);
}

TEST(PresetPeriod, AwkwardDays) {
  struct Row {
    const char* why;
    Preset preset;
    host::DateTime day;
    Period expected;
  };
  const Row rows[] = {
      {"yesterday of New Year's Day is last year's",
       Preset::Ontem,
       Day(2024, 1, 1),
       {Day(2023, 12, 31), Day(2023, 12, 31)}},
      {"a week begins on Monday",
       Preset::SemanaAtual,
       Day(2024, 3, 4),
       {Day(2024, 3, 4), Day(2024, 3, 4)}},
      {"and Sunday is its last day",
       Preset::SemanaAtual,
       Day(2024, 3, 10),
       {Day(2024, 3, 4), Day(2024, 3, 10)}},
      {"last week seen on a Sunday",
       Preset::SemanaPassada,
       Day(2024, 3, 10),
       {Day(2024, 2, 26), Day(2024, 3, 3)}},
      {"last week across the year",
       Preset::SemanaPassada,
       Day(2024, 1, 3),
       {Day(2023, 12, 25), Day(2023, 12, 31)}},
      {"the month so far on its first day",
       Preset::MesAtual,
       Day(2024, 3, 1),
       {Day(2024, 3, 1), Day(2024, 3, 1)}},
      {"last month in a leap year",
       Preset::MesPassado,
       Day(2024, 3, 31),
       {Day(2024, 2, 1), Day(2024, 2, 29)}},
      {"last month in a common year",
       Preset::MesPassado,
       Day(2023, 3, 15),
       {Day(2023, 2, 1), Day(2023, 2, 28)}},
      {"last month in January",
       Preset::MesPassado,
       Day(2024, 1, 15),
       {Day(2023, 12, 1), Day(2023, 12, 31)}},
      {"the year so far on its last day",
       Preset::AnoAtual,
       Day(2024, 12, 31),
       {Day(2024, 1, 1), Day(2024, 12, 31)}},
      {"last year on New Year's Day",
       Preset::AnoPassado,
       Day(2024, 1, 1),
       {Day(2023, 1, 1), Day(2023, 12, 31)}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(PresetPeriod(row.preset, row.day), row.expected);
  }
  // On the 1st "hoje" and "mes-atual" name the same dates; a form that ran today meant today.
  EXPECT_EQ(PresetOf({Day(2024, 3, 1), Day(2024, 3, 1)}, Day(2024, 3, 1)), Preset::Hoje);
  EXPECT_EQ(PresetOf({Day(2024, 3, 1), Day(2024, 3, 2)}, Day(2024, 3, 1)), std::nullopt);
}

TEST(ReportPeriod, DatesGivenWinOverThePresetAndTheDefaults) {
  const reports::ReportDescriptor& report = *reports::FindReport("VendasPorTiposDeRecebimento");
  const host::DateTime today = Day(2024, 3, 15);
  // The report's defaults: the month so far.
  EXPECT_EQ(ReportPeriod(report, {}, today), (Period{Day(2024, 3, 1), today}));
  EXPECT_EQ(ReportPeriod(report, {{"Filtro_DataInicial", "10/03/2024"}}, today, Preset::Ontem),
            (Period{Day(2024, 3, 10), Day(2024, 3, 14)}));
  EXPECT_EQ(ReportPeriod(report, {{"Filtro_DataFinal", "31/02/2024"}}, today), std::nullopt);
}

}  // namespace
}  // namespace orla::app
