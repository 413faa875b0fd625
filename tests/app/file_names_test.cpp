#include "app/file_names.h"

#include <gtest/gtest.h>

namespace orla::app {
namespace {

host::DateTime Day(int year, int month, int day) {
  return *host::DateTime::FromParts(year, month, day);
}

TEST(ReportFileName, TitleInKebabCaseThenTheMonthOrTheDays) {
  struct Row {
    const char* title;
    Period period;
    const char* expected;
  };
  const Row rows[] = {
      {"Vendas - Por Tipos de Recebimento",
       {Day(2024, 3, 1), Day(2024, 3, 31)},
       "vendas-por-tipos-de-recebimento-2024-03.pdf"},
      {"Vendas - Ranking", {Day(2024, 2, 1), Day(2024, 2, 29)}, "vendas-ranking-2024-02.pdf"},
      // Not the whole of February 2024, though the whole of February 2023 would be.
      {"Vendas - Ranking",
       {Day(2024, 2, 1), Day(2024, 2, 28)},
       "vendas-ranking-2024-02-01_2024-02-28.pdf"},
      {"Vendas - Ranking",
       {Day(2024, 3, 1), Day(2024, 4, 30)},
       "vendas-ranking-2024-03-01_2024-04-30.pdf"},
      {"Vendas - Ranking",
       {Day(2024, 3, 15), Day(2024, 3, 15)},
       "vendas-ranking-2024-03-15_2024-03-15.pdf"},
      {"Vendas - Movimentação de Combustíveis pelas Leituras de Caixa do PDV",
       {Day(2024, 3, 1), Day(2024, 3, 31)},
       "vendas-movimentacao-de-combustiveis-pelas-leituras-de-caixa-do-pdv-2024-03.pdf"},
      // Capitals with accents, signs of other scripts and stray bytes separate or fold.
      {"  ÇÃO — Résumé (R$) \xC3", {Day(2024, 3, 1), Day(2024, 3, 31)}, "cao-resume-r-2024-03.pdf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(ReportFileName(row.title, row.period, "pdf"), row.expected);
  }
}

}  // namespace
}  // namespace orla::app
