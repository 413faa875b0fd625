// Peak memory from query to PDF of a detail report, over one day, one month and a year of
// the demo station. There is no detail report builder yet, so the query is a plain detail
// SELECT over [Movimentações em Vendas] with the columns of rptDetalhesDosMovimentosPorProdutos,
// run through the embedded database (T-SQL adapter, recordset) and rendered with the
// engine's PDF renderer on that layout, the database left open meanwhile as a report that
// does not close it leaves it. Each period runs in a process of its own, which reports how
// long the first row took, and its peak resident set (VmHWM) before the query and at the end.
//
//   detail_memory_bench [DEMO.db]     (without a file, a year of 2024 is generated first)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "demo/generator.h"
#include "engine/render.h"
#include "engine/report.h"
#include "sqlite/database.h"

namespace {

long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

std::string DetailQuery(const std::string& from, const std::string& to) {
  return "SELECT a.Data_ECF AS Data_Movimento,a.Hora_Movimento,b.Caixa,a.Código_ECF AS IDECF,"
         "a.Número_Cupom_Fiscal AS COO,a.IDProduto,a.Descrição AS Descricao,a.Qtde,"
         "a.Valor_Unitario AS ValorVendaUnitario,a.Valor_Custo AS ValorCustoUnitario,"
         "a.Valor_Venda AS ValorDeVendaBruto,a.Valor_Desconto,a.Valor_Acrescimo,"
         "(a.Valor_Venda - a.Valor_Desconto + a.Valor_Acrescimo) AS ValorDeVendaLiquido,"
         "(a.Qtde * a.Valor_Custo) AS ValorDeCusto,(a.Valor_Venda - a.Valor_Desconto + "
         "a.Valor_Acrescimo - (a.Qtde * a.Valor_Custo)) AS ValorDeLucroBruto,"
         "a.Situação_Tributária AS SituacaoTributaria,a.Alíquota AS AliquotaICMS,"
         "a.Funcionário AS IDFuncionario FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT "
         "JOIN [Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE (a.IsEstornado = 0) "
         "AND (a.Transferência = 0) AND (a.Data_ECF BETWEEN '" +
         from + " 00:00:00' AND '" + to +
         " 23:59:59') ORDER BY a.Data_ECF ASC,a.Hora_Movimento ASC";
}

// One period, in this process: prints
// "rows pdf-bytes first-row-seconds all-rows-seconds seconds peak-before peak-after-rows
// peak-after".
int RunCase(const std::string& db, const std::string& from, const std::string& to) {
  orla::sqlite::Database database{std::filesystem::path(db)};
  database.DB_Open();
  auto report = orla::engine::CreateReport("rptDetalhesDosMovimentosPorProdutos");
  const long before = PeakKilobytes();
  const auto start = std::chrono::steady_clock::now();
  orla::host::RecordsetRef rows = database.OpenRecordSet(DetailQuery(from, to));
  rows->Eof();  // the first row, as the first page asks for it
  const double firstRow =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long count = 0;
  for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
    ++count;
  }
  const double allRows =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long afterRows = PeakKilobytes();
  rows->MoveFirst();
  report->SetDataSource(rows);
  const std::filesystem::path pdf =
      std::filesystem::temp_directory_path() / ("detail-" + std::to_string(getpid()) + ".pdf");
  orla::engine::Render(*report, orla::engine::Format::Pdf, pdf);
  database.DB_Close();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto bytes = std::filesystem::file_size(pdf);
  std::filesystem::remove(pdf);
  std::cout << count << ' ' << bytes << ' ' << firstRow << ' ' << allRows << ' ' << seconds << ' '
            << before << ' ' << afterRows << ' ' << PeakKilobytes() << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--case") {
    return RunCase(argv[2], argv[3], argv[4]);
  }
  std::string db;
  if (argc >= 2) {
    db = argv[1];
  } else {
    db = (std::filesystem::temp_directory_path() / "detail-memory-bench.db").string();
    orla::demo::GeneratorOptions options;  // a year from 2024-01-01
    orla::demo::Generate(db, options);
  }
  struct Period {
    const char* name;
    const char* from;
    const char* to;
  };
  const std::vector<Period> periods = {{"one day (2024-03-15)", "20240315", "20240315"},
                                       {"one month (March 2024)", "20240301", "20240331"},
                                       {"one year (2024)", "20240101", "20241231"}};
  std::printf("%-24s %8s %11s %9s %9s %8s %15s %13s %14s\n", "period", "rows", "PDF bytes",
              "first row", "all rows", "seconds", "peak before KB", "peak rows KB",
              "peak after KB");
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  for (const Period& period : periods) {
    // A fresh process for each period, so none inherits another's pages.
    const std::string command =
        "'" + self + "' --case '" + db + "' " + period.from + " " + period.to;
    FILE* child = popen(command.c_str(), "r");
    long rows = 0, before = 0, afterRows = 0, after = 0;
    unsigned long long bytes = 0;
    double firstRow = 0, allRows = 0, seconds = 0;
    if (child == nullptr ||
        std::fscanf(child, "%ld %llu %lf %lf %lf %ld %ld %ld", &rows, &bytes, &firstRow, &allRows,
                    &seconds, &before, &afterRows, &after) != 8 ||
        pclose(child) != 0) {
      std::fprintf(stderr, "the run over %s failed\n", period.name);
      return 1;
    }
    std::printf("%-24s %8ld %11llu %9.3f %9.3f %8.2f %15ld %13ld %14ld\n", period.name, rows, bytes,
                firstRow, allRows, seconds, before, afterRows, after);
  }
  return 0;
}
