#include "app/file_names.h"

#include <gtest/gtest.h>

namespace orla::app {
namespace {

// A day as YYYYMMDD, to keep the table's rows short.
host::DateTime On(int day) {
  return *host::DateTime::FromParts(day / 10000, day / 100 % 100, day % 100);
}

TEST(ReportFileName, TitleInKebabCaseThenTheMonthOrTheDays) {
  struct Row {
    const char* title;
    int first;
    int last;
    const char* expected;
  };
  const Row rows[] = {
      {"Vendas - Por Tipos de Recebimento", 20240301, 20240331,
       "vendas-por-tipos-de-recebimento-2024-03.pdf"},
      {"Vendas - Ranking", 20240201, 20240229, "vendas-ranking-2024-02.pdf"},
      // Not the whole of February 2024, though the whole of February 2023 would be.
      {"Vendas - Ranking", 20240201, 20240228, "vendas-ranking-2024-02-01_2024-02-28.pdf"},
      {"Vendas - Ranking", 20240301, 20240430, "vendas-ranking-2024-03-01_2024-04-30.pdf"},
      {"Vendas - Ranking", 20240315, 20240315, "vendas-ranking-2024-03-15_2024-03-15.pdf"},
      {"Vendas - Movimentação de Combustíveis pelas Leituras de Caixa do PDV", 20240301, 20240331,
       "vendas-movimentacao-de-combustiveis-pelas-leituras-de-caixa-do-pdv-2024-03.pdf"},
      // Capitals with accents, signs of other scripts and stray bytes separate or fold.
      {"  ÇÃO — Résumé (R$) \xC3", 20240301, 20240331, "cao-resume-r-2024-03.pdf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(ReportFileName(row.title, {On(row.first), On(row.last)}, "pdf"), row.expected);
  }
}

}  // namespace
}  // namespace orla::app
