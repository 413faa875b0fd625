#include "tests/reports/raw_sales.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace orla::testing {

namespace {

class Reader {
 public:
  explicit Reader(const std::filesystem::path& file) {
    EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  }
  ~Reader() { sqlite3_close(db_); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  template <typename Row>
  void Each(const char* sql, Row&& row) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      row(statement);
    }
    sqlite3_finalize(statement);
  }

 private:
  sqlite3* db_ = nullptr;
};

std::string Text(sqlite3_stmt* s, int i) {
  const auto* p = sqlite3_column_text(s, i);
  return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p));
}
std::optional<int64_t> OptionalInt(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) {
    return std::nullopt;
  }
  return sqlite3_column_int64(s, i);
}
bool Flag(sqlite3_stmt* s, int i) {
  return sqlite3_column_int(s, i) != 0;
}

}  // namespace

RawSales RawSales::Read(const std::filesystem::path& database) {
  RawSales raw;
  Reader reader(database);
  reader.Each(
      "SELECT \"Código_Venda\", IDCaixa, \"Data_ECF\", Tipo, IDProduto, \"Descrição\", Qtde, "
      "Valor_Custo, Valor_Venda, Valor_Desconto, Valor_Acrescimo, ValorUnitarioClienteEspecial, "
      "Cliente, IDClienteEspecial, Cupom_Complementar, IsEstornado, \"Transferência\", ECF, "
      "NFConsumidor_Modelo IS NOT NULL, NF, IsNFAvulsa, IsNFTerceiro, "
      "IsMovimentacaoFisicaDoEstoque, S010_ID FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        SaleLine line;
        line.sale = sqlite3_column_int64(s, 0);
        line.till = OptionalInt(s, 1);
        line.fiscalDay = Text(s, 2).substr(0, 10);
        line.kind = Text(s, 3);
        line.product = sqlite3_column_int64(s, 4);
        line.description = Text(s, 5);
        line.quantity = sqlite3_column_double(s, 6);
        line.cost = sqlite3_column_double(s, 7);
        line.value = sqlite3_column_double(s, 8);
        line.discount = sqlite3_column_double(s, 9);
        line.surcharge = sqlite3_column_double(s, 10);
        if (sqlite3_column_type(s, 11) != SQLITE_NULL) {
          line.specialUnitPrice = sqlite3_column_double(s, 11);
        }
        line.client = OptionalInt(s, 12);
        line.specialClient = OptionalInt(s, 13);
        line.complementary = Flag(s, 14);
        line.reversed = Flag(s, 15);
        line.transfer = Flag(s, 16);
        line.ecf = Flag(s, 17);
        line.consumerNote = Flag(s, 18);
        line.nf = Flag(s, 19);
        line.standalone = Flag(s, 20);
        line.thirdParty = Flag(s, 21);
        line.movesStock = Flag(s, 22);
        line.cfop = OptionalInt(s, 23);
        raw.lines.push_back(std::move(line));
      });
  reader.Each("SELECT \"Código\", Caixa, Data_Abertura FROM \"Movimentações\"",
              [&](sqlite3_stmt* s) {
                raw.tills[sqlite3_column_int64(s, 0)] = {Text(s, 1), Text(s, 2).substr(0, 10)};
              });
  reader.Each(
      "SELECT p.\"Código\", g.\"Descrição\" FROM Produtos p JOIN Grupos g ON g.\"Código\" = "
      "p.Grupo",
      [&](sqlite3_stmt* s) { raw.productGroups[sqlite3_column_int64(s, 0)] = Text(s, 1); });
  reader.Each("SELECT \"Código\", Nome FROM Clientes",
              [&](sqlite3_stmt* s) { raw.clients[sqlite3_column_int64(s, 0)] = Text(s, 1); });
  reader.Each(
      "SELECT IDVenda, T011_FormaDePagto, T011_Percentual FROM "
      "T011_ImagemDosMeiosDePagtoUtilizados",
      [&](sqlite3_stmt* s) {
        raw.payments[sqlite3_column_int64(s, 0)].push_back(
            {Text(s, 1), sqlite3_column_double(s, 2)});
      });
  reader.Each("SELECT S010_ID FROM S010_CFOP WHERE S010_IsVenda = 1",
              [&](sqlite3_stmt* s) { raw.saleCfops.insert(sqlite3_column_int64(s, 0)); });
  std::map<int64_t, std::set<int64_t>> salesOfNote;
  reader.Each("SELECT Codigo_NF, Codigo_Venda FROM NotasFiscais_Itens", [&](sqlite3_stmt* s) {
    salesOfNote[sqlite3_column_int64(s, 0)].insert(sqlite3_column_int64(s, 1));
  });
  reader.Each("SELECT T008_IDNF, T008_DataHora FROM T008_Nfe_Solicitacoes WHERE T008_Tipo = 0",
              [&](sqlite3_stmt* s) {
                raw.requests.emplace_back(Text(s, 1).substr(0, 10),
                                          salesOfNote[sqlite3_column_int64(s, 0)]);
              });
  return raw;
}

bool RawSales::OnFiscalDocument(const SaleLine& line, const std::string& from,
                                const std::string& to) const {
  if (line.ecf || line.consumerNote) {
    return true;
  }
  if (!line.nf || line.thirdParty || !line.cfop || saleCfops.count(*line.cfop) == 0) {
    return false;
  }
  if (line.standalone && !line.movesStock) {
    return false;
  }
  for (const auto& [day, sales] : requests) {
    if (day >= from && day <= to && sales.count(line.sale) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace orla::testing
