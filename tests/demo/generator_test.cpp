// The demo generator: the same arguments give the same rows, and the data keeps what a
// real station's data keeps, and has every case the reports filter on.
#include "demo/generator.h"

#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::demo {
namespace {

using host::Value;

// Every row of every table, in order, as text.
std::string Dump(const std::filesystem::path& file) {
  sqlite::Database db(file);
  host::RecordsetRef tables =
      db.OpenRecordSet("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
  std::string dump;
  for (; !tables->Eof().AsBoolean(); tables->MoveNext()) {
    const std::string table = tables->Field("name").AsText();
    dump += "\n" + table + "\n";
    host::RecordsetRef rows = db.OpenRecordSet("SELECT * FROM [" + table + "]");
    for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
      for (std::size_t i = 0; i < rows->Columns().size(); ++i) {
        dump += rows->FieldAt(i).Describe() + "|";
      }
      dump += "\n";
    }
  }
  return dump;
}

TEST(DemoGenerator, SameArgumentsGiveTheSameData) {
  GeneratorOptions options;
  options.days = 2;
  options.seed = 99;
  const auto first = orla::testing::ScratchFile("first.db");
  const auto second = orla::testing::ScratchFile("second.db");
  const auto other = orla::testing::ScratchFile("other.db");
  int calls = 0;
  Generate(first, options, [&](int done, int days) {
    EXPECT_EQ(done, ++calls);
    EXPECT_EQ(days, 2);
  });
  EXPECT_EQ(calls, 2);
  Generate(second, options);
  options.seed = 100;
  Generate(other, options);
  const std::string dump = Dump(first);
  EXPECT_GT(dump.size(), 100000u);
  EXPECT_TRUE(dump == Dump(second));
  EXPECT_FALSE(dump == Dump(other));
}

class DemoMonth : public ::testing::Test {
 protected:
  DemoMonth() : db_(orla::testing::MarchDatabase()) {}
  Value One(const std::string& sql) { return db_.OpenRecordSet(sql)->FieldAt(0); }
  sqlite::Database db_;
};

TEST_F(DemoMonth, ReadingsAgreeWithFuelLines) {
  // Per closed till period and nozzle: the volume is the lines' quantity, and volume times
  // the reading's price is their value, give or take each line's rounding to the cent.
  EXPECT_EQ(One("SELECT COUNT(*) FROM [L021_MC_Leituras] r LEFT JOIN (SELECT IDCaixa, "
                "Código_Produto, SUM(Qtde) AS Volume, SUM(Valor_Venda) AS Valor, COUNT(*) AS "
                "Linhas FROM [Movimentações em Vendas] WHERE Tipo = 'C' AND IsEstornado = 0 "
                "GROUP BY IDCaixa, Código_Produto) v ON v.IDCaixa = r.IDCaixa AND "
                "v.Código_Produto = r.L021_IDBico WHERE ABS(r.L021_VolumeVendido - "
                "ISNULL(v.Volume, 0)) > 0.0005 OR ABS(r.L021_VolumeVendido * r.L021_VPL - "
                "ISNULL(v.Valor, 0)) > 0.005 * ISNULL(v.Linhas, 0) + 0.000001"),
            Value(int64_t{0}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM [L021_MC_Leituras] WHERE ABS(L021_EncerranteFinal - "
                "L021_EncerranteInicial - L021_VolumeVendido) > 0.0005"),
            Value(int64_t{0}));
  // Each nozzle's totalizer runs on from one closing to the next.
  host::RecordsetRef readings = db_.OpenRecordSet(
      "SELECT L021_IDBico, L021_EncerranteInicial, L021_EncerranteFinal FROM [L021_MC_Leituras] "
      "ORDER BY L021_IDBico, IDCaixa");
  std::map<std::string, double> last;
  int64_t count = 0;
  for (; !readings->Eof().AsBoolean(); readings->MoveNext(), ++count) {
    const std::string nozzle = readings->FieldAt(0).AsText();
    if (last.contains(nozzle)) {
      EXPECT_NEAR(readings->FieldAt(1).AsDouble(), last[nozzle], 0.0005) << nozzle;
    }
    last[nozzle] = readings->FieldAt(2).AsDouble();
  }
  EXPECT_EQ(last.size(), 8u);
  EXPECT_EQ(count, 8 * (31 * 3 - 1));
  // The last till period is still open and was not read.
  EXPECT_EQ(One("SELECT COUNT(*) FROM [Movimentações] m INNER JOIN [L021_MC_Leituras] r ON "
                "r.IDCaixa = m.Código WHERE m.Data_Fechamento IS NULL"),
            Value(int64_t{0}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM [Movimentações] WHERE Data_Fechamento IS NULL"),
            Value(int64_t{1}));
}

TEST_F(DemoMonth, PaymentFormsPayTheSale) {
  EXPECT_EQ(One("SELECT COUNT(*) FROM (SELECT IDVenda FROM "
                "[T011_ImagemDosMeiosDePagtoUtilizados] GROUP BY IDVenda HAVING "
                "ABS(SUM(T011_Percentual) - 100) > 0.000001) x"),
            Value(int64_t{0}));
  EXPECT_EQ(One("SELECT COUNT(DISTINCT Código_Venda) FROM [Movimentações em Vendas]"),
            One("SELECT COUNT(DISTINCT IDVenda) FROM [T011_ImagemDosMeiosDePagtoUtilizados]"));
  // What the forms received less the change is the sale's net value (a sale reversed whole
  // was paid in full, then refunded).
  EXPECT_EQ(One("SELECT COUNT(*) FROM (SELECT IDVenda, SUM(T011_Valor - T011_Troco) AS Pago FROM "
                "[T011_ImagemDosMeiosDePagtoUtilizados] GROUP BY IDVenda) p INNER JOIN (SELECT "
                "Código_Venda, SUM(CASE WHEN IsEstornado = 0 THEN Valor_Venda - Valor_Desconto "
                "+ Valor_Acrescimo ELSE 0 END) AS Vivo, SUM(Valor_Venda - Valor_Desconto + "
                "Valor_Acrescimo) AS Tudo, MIN(CAST(IsEstornado AS INT)) AS Estornada FROM "
                "[Movimentações em Vendas] GROUP BY Código_Venda) v ON v.Código_Venda = "
                "p.IDVenda WHERE ABS(p.Pago - CASE WHEN v.Estornada = 1 THEN v.Tudo ELSE v.Vivo "
                "END) > 0.005"),
            Value(int64_t{0}));
}

TEST_F(DemoMonth, EveryCaseTheReportsFilterOnIsPresent) {
  // Sale lines, unless the condition names its own table.
  const std::pair<const char*, std::string> cases[] = {
      {"coupon printer", "ECF = 1"},
      {"NFC-e", "NFConsumidor_Modelo = '65'"},
      {"SAT", "NFConsumidor_Modelo = '59'"},
      {"no document", "ECF = 0 AND NF = 0 AND NFConsumidor_Modelo IS NULL"},
      {"standalone note", "NF = 1 AND IsNFAvulsa = 1 AND IsMovimentacaoFisicaDoEstoque = 0"},
      {"third-party note", "IsNFTerceiro = 1"},
      {"non-sale CFOP", "S010_ID IN (SELECT S010_ID FROM [S010_CFOP] WHERE S010_IsVenda = 0)"},
      {"coupon with a note",
       "ECF = 1 AND Código IN (SELECT Codigo_Movimento FROM [NotasFiscais_Itens])"},
      {"special price above list", "ValorUnitarioClienteEspecial > Valor_Unitario"},
      {"special price below list",
       "ValorUnitarioClienteEspecial < Valor_Unitario AND ValorUnitarioClienteEspecial <> 0"},
      {"special client, no special price",
       "IsClienteEspecial = 1 AND ISNULL(ValorUnitarioClienteEspecial, 0) = 0"},
      {"complementary", "Cupom_Complementar = 1 AND Valor_Desconto + Valor_Acrescimo > 0"},
      {"reversed", "IsEstornado = 1"},
      {"transfer", "Transferência = 1"},
      {"third-party fuel", "Terceiros = 1 AND Tipo = 'C'"},
      {"third-party product", "Terceiros = 1 AND Tipo = 'P'"},
      {"keyed-in fuel", "Tipo = 'C' AND Automação = 0"},
      {"no till period", "IDCaixa IS NULL"},
      {"sale after midnight",
       "Data_ECF <> (SELECT m.Data_Abertura FROM [Movimentações] m WHERE m.Código = IDCaixa)"},
      {"sale by two employees",
       "Código_Venda IN (SELECT Código_Venda FROM [Movimentações em Vendas] GROUP BY Código_Venda "
       "HAVING COUNT(DISTINCT Funcionário) > 1)"},
      {"fuel with a quote", "Descrição = 'GASOLINA ADITIVADA D''OURO'"},
      {"note request 0", "[T008_Nfe_Solicitacoes] WHERE T008_Tipo = 0"},
      {"note request 1", "[T008_Nfe_Solicitacoes] WHERE T008_Tipo = 1"},
      {"two payment forms", "[T011_ImagemDosMeiosDePagtoUtilizados] WHERE T011_Percentual < 100"},
      {"change", "[T011_ImagemDosMeiosDePagtoUtilizados] WHERE T011_Troco > 0"},
      {"odometer", "[T006_CupomNominalPorMovimento] WHERE T006_KM > 0"},
      {"no odometer", "[T006_CupomNominalPorMovimento] WHERE T006_KM = 0"},
      {"fuel with an accent", "[L021_MC_Leituras] WHERE L021_Combustivel = 'ÓLEO DIESEL S-10'"},
  };
  for (const auto& [name, condition] : cases) {
    const std::string from = condition.starts_with("[") ? "" : "[Movimentações em Vendas] WHERE ";
    EXPECT_GT(One("SELECT COUNT(*) FROM " + from + condition).AsInteger(), 0) << name;
  }
  // Every tax situation, and TT at several rates.
  EXPECT_EQ(One("SELECT COUNT(DISTINCT Situação_Tributária) FROM [Movimentações em Vendas]"),
            Value(int64_t{4}));
  EXPECT_GE(One("SELECT COUNT(DISTINCT Alíquota) FROM [Movimentações em Vendas] WHERE "
                "Situação_Tributária = 'TT'")
                .AsInteger(),
            4);
  // Every invoice model, the unknown one included.
  EXPECT_EQ(One("SELECT COUNT(DISTINCT Codigo_Modelo) FROM [NotasFiscais_Movimentos]"),
            Value(int64_t{5}));
  // A busy station: hundreds of sales a day.
  EXPECT_GT(One("SELECT COUNT(DISTINCT Código_Venda) FROM [Movimentações em Vendas]").AsInteger(),
            31 * 400);
}

}  // namespace
}  // namespace orla::demo
