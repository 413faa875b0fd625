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

// A day as YYYYMMDD, to keep the table's rows short.
host::DateTime On(int day) {
  return Day(day / 10000, day / 100 % 100, day % 100);
}

TEST(PresetPeriod, AwkwardDays) {
  struct Row {
    const char* why;
    Preset preset;
    int day;
    int first;
    int last;
  };
  const Row rows[] = {
      {"yesterday of New Year's Day is last year's", Preset::Ontem, 20240101, 20231231, 20231231},
      {"a week begins on Monday", Preset::SemanaAtual, 20240304, 20240304, 20240304},
      {"and Sunday is its last day", Preset::SemanaAtual, 20240310, 20240304, 20240310},
      {"last week seen on a Sunday", Preset::SemanaPassada, 20240310, 20240226, 20240303},
      {"last week across the year", Preset::SemanaPassada, 20240103, 20231225, 20231231},
      {"the month so far on its first day", Preset::MesAtual, 20240301, 20240301, 20240301},
      {"last month in a leap year", Preset::MesPassado, 20240331, 20240201, 20240229},
      {"last month in a common year", Preset::MesPassado, 20230315, 20230201, 20230228},
      {"last month in January", Preset::MesPassado, 20240115, 20231201, 20231231},
      {"the year so far on its last day", Preset::AnoAtual, 20241231, 20240101, 20241231},
      {"last year on New Year's Day", Preset::AnoPassado, 20240101, 20230101, 20231231},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(PresetPeriod(row.preset, On(row.day)), (Period{On(row.first), On(row.last)}));
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
