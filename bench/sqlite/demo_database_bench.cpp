// How long generating a year of the demo station takes, and how long representative
// one-month report statements take on that year through the T-SQL adapter.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "demo/generator.h"
#include "sqlite/database.h"

namespace {

using orla::sqlite::Database;

std::filesystem::path Scratch(const std::string& name) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("orla-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  return folder / name;
}

const std::filesystem::path& YearDatabase() {
  static const std::filesystem::path file = [] {
    const auto path = Scratch("year.db");
    orla::demo::Generate(path, orla::demo::GeneratorOptions{});
    return path;
  }();
  return file;
}

// The fiscal sales table by nozzle for March 2024, as the library writes it.
const std::string kNozzleTableMarch =
    "SELECT b.Data_Abertura,('T' + b.Caixa) AS Caixa,('B' + a.Código_Produto) AS "
    "Código_Produto,SUM(a.Qtde) AS QtdeVendida,SUM(a.Valor_Venda - 0 + 0) AS ValorVenda FROM "
    "[Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON "
    "a.IDCaixa = b.Código WHERE ((ECF = 1) OR ((ECF = 0) AND (NFConsumidor_Modelo IS NOT NULL)) "
    "OR ((ECF = 0) AND (NF = 1) AND (IsNFAvulsa = 0) AND (IsNFTerceiro = 0) AND (S010_ID IN "
    "(SELECT S010_ID FROM S010_CFOP WHERE (S010_IsVenda = 1))) AND (Código_Venda NOT IN (SELECT "
    "b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Itens] "
    "b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora "
    "BETWEEN '2024/03/01 00:00:00' AND '2024/03/31 23:59:59') GROUP BY b.Codigo_Venda))) OR "
    "((ECF = 0) AND (NF = 1) AND (IsNFAvulsa = 1) AND (IsNFTerceiro = 0) AND "
    "(IsMovimentacaoFisicaDoEstoque = 1) AND (S010_ID IN (SELECT S010_ID FROM S010_CFOP WHERE "
    "(S010_IsVenda = 1))) AND (Código_Venda NOT IN (SELECT b.Codigo_Venda FROM "
    "[T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Itens] b WITH (NOLOCK) ON "
    "a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora BETWEEN '2024/03/01 "
    "00:00:00' AND '2024/03/31 23:59:59') GROUP BY b.Codigo_Venda)))) AND (a.Tipo = 'C') AND "
    "(a.IsEstornado = 0) AND (a.Transferência = 0) AND (Data_ECF BETWEEN '20240301 00:00:00' AND "
    "'20240331 23:59:59') GROUP BY b.Data_Abertura,'T' + b.Caixa,'B' + a.Código_Produto";

// The fiscal movement details by product for March 2024: every sale line of the month.
const std::string kDetailsMarch =
    "SELECT a.Data_ECF AS Data_Movimento,a.Hora_Movimento,b.Caixa,a.Código_ECF AS "
    "IDECF,a.Número_Cupom_Fiscal AS COO,CASE WHEN a.Tipo = 'C' THEN 'B' + a.Código_Produto ELSE "
    "a.IDProduto END AS IDProduto,a.Descrição AS Descricao,a.Qtde,a.Valor_Unitario AS "
    "ValorVendaUnitario,a.Valor_Custo AS ValorCustoUnitario,0 AS Valor_Acrescimo,0 AS "
    "Valor_Desconto,(a.Qtde * a.Valor_Custo) AS ValorDeCusto,a.Valor_Venda AS "
    "ValorDeVendaBruto,(a.Valor_Venda - 0 + 0) AS ValorDeVendaLiquido,(a.Valor_Venda - 0 + 0 - "
    "(a.Qtde * a.Valor_Custo)) AS ValorDeLucroBruto,a.Situação_Tributária AS "
    "SituacaoTributaria,a.Alíquota AS AliquotaICMS,a.Funcionário AS IDFuncionario FROM "
    "[Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON "
    "a.IDCaixa = b.Código WHERE ((ECF = 1) OR ((ECF = 0) AND (NFConsumidor_Modelo IS NOT NULL))) "
    "AND (a.IsEstornado = 0) AND (a.Transferência = 0) AND (Data_ECF BETWEEN '20240301 00:00:00' "
    "AND '20240331 23:59:59') AND ((a.Situação_Tributária IN ('FF','II','NN','TT'))) ORDER BY "
    "a.Data_ECF ASC,a.Hora_Movimento ASC";

void BM_GenerateYear(benchmark::State& state) {
  int64_t lines = 0;
  for (auto _ : state) {
    lines = orla::demo::Generate(Scratch("generated.db"), orla::demo::GeneratorOptions{}).saleLines;
  }
  state.counters["sale_lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_GenerateYear)->Unit(benchmark::kSecond)->Iterations(1);

void RunQuery(benchmark::State& state, const std::string& sql) {
  Database db(YearDatabase());
  db.DB_Open();
  std::size_t rows = 0;
  for (auto _ : state) {
    orla::host::RecordsetRef recordset = db.OpenRecordSet(sql);
    rows = 0;
    for (; !recordset->Eof().AsBoolean(); recordset->MoveNext()) {
      ++rows;
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_NozzleTableFiscalMarch(benchmark::State& state) {
  RunQuery(state, kNozzleTableMarch);
}
BENCHMARK(BM_NozzleTableFiscalMarch)->Unit(benchmark::kMillisecond);

void BM_MovementDetailsMarch(benchmark::State& state) {
  RunQuery(state, kDetailsMarch);
}
BENCHMARK(BM_MovementDetailsMarch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(Scratch("").parent_path(), ignored);
  return 0;
}
