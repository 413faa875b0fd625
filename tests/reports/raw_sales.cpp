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

std::optional<std::string> OptionalText(sqlite3_stmt* s, int i) {
  const auto* p = sqlite3_column_text(s, i);
  if (p == nullptr) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(p));
}
std::string Text(sqlite3_stmt* s, int i) {
  return OptionalText(s, i).value_or("");
}
std::optional<int64_t> OptionalInt(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) {
    return std::nullopt;
  }
  return sqlite3_column_int64(s, i);
}
bool Flag(sqlite3_stmt* s, int i) {
  return sqlite3_column_int(s, i) == 1;
}

}  // namespace

RawSales RawSales::Read(const std::filesystem::path& database) {
  RawSales raw;
  Reader reader(database);
  reader.Each(
      "SELECT \"Código\", \"Código_Venda\", IDCaixa, \"Código_ECF\", \"Número_Cupom_Fiscal\", "
      "Data_ECF, Hora_Movimento, Tipo, IDProduto, \"Código_Produto\", \"Descrição\", "
      "\"Situação_Tributária\", Placa, \"Funcionário\", NFConsumidor_Modelo, Qtde, "
      "Valor_Unitario, Valor_Custo, Valor_Venda, Valor_Desconto, Valor_Acrescimo, \"Alíquota\", "
      "ValorUnitarioClienteEspecial, IsClienteEspecial, Cliente, IDClienteEspecial, "
      "\"Número_NF\", \"Automação\", Cupom_Complementar, IsEstornado, \"Transferência\", "
      "Terceiros, ECF, NF, IsNFAvulsa, IsNFTerceiro, IsMovimentacaoFisicaDoEstoque, S010_ID "
      "FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        SaleLine l;
        l.code = sqlite3_column_int64(s, 0);
        l.sale = sqlite3_column_int64(s, 1);
        l.till = OptionalInt(s, 2);
        l.ecfNumber = sqlite3_column_int64(s, 3);
        l.coupon = sqlite3_column_int64(s, 4);
        l.fiscalDay = Text(s, 5).substr(0, 10);
        const std::string time = Text(s, 6);
        l.time = time.size() > 11 ? time.substr(11) : "";
        l.kind = Text(s, 7);
        l.product = sqlite3_column_int64(s, 8);
        l.productCode = Text(s, 9);
        l.description = Text(s, 10);
        l.taxSituation = Text(s, 11);
        l.plate = OptionalText(s, 12);
        l.employee = OptionalText(s, 13);
        l.consumerModel = OptionalText(s, 14);
        l.quantity = sqlite3_column_double(s, 15);
        l.unitPrice = sqlite3_column_double(s, 16);
        l.cost = sqlite3_column_double(s, 17);
        l.value = sqlite3_column_double(s, 18);
        l.discount = sqlite3_column_double(s, 19);
        l.surcharge = sqlite3_column_double(s, 20);
        l.rate = sqlite3_column_double(s, 21);
        if (sqlite3_column_type(s, 22) != SQLITE_NULL) {
          l.specialUnitPrice = sqlite3_column_double(s, 22);
        }
        l.isSpecial = Flag(s, 23);
        l.client = OptionalInt(s, 24);
        l.specialClient = OptionalInt(s, 25);
        l.invoiceNumber = OptionalInt(s, 26);
        l.automation = Flag(s, 27);
        l.complementary = Flag(s, 28);
        l.reversed = Flag(s, 29);
        l.transfer = Flag(s, 30);
        l.thirdParty = Flag(s, 31);
        l.ecf = Flag(s, 32);
        l.nf = Flag(s, 33);
        l.standalone = Flag(s, 34);
        l.thirdPartyNote = Flag(s, 35);
        l.movesStock = Flag(s, 36);
        l.cfop = OptionalInt(s, 37);
        raw.lines.push_back(std::move(l));
      });
  reader.Each(
      "SELECT \"Código\", Caixa, Data_Abertura, Data_Fechamento IS NOT NULL FROM "
      "\"Movimentações\"",
      [&](sqlite3_stmt* s) {
        raw.tills[sqlite3_column_int64(s, 0)] = {Text(s, 1), Text(s, 2).substr(0, 10), Flag(s, 3)};
      });
  reader.Each(
      "SELECT IDCaixa, L021_IDBico, L021_Combustivel, L021_VolumeVendido, L021_VPL, L021_CM "
      "FROM L021_MC_Leituras",
      [&](sqlite3_stmt* s) {
        raw.readings.push_back({sqlite3_column_int64(s, 0), Text(s, 1), Text(s, 2),
                                sqlite3_column_double(s, 3), sqlite3_column_double(s, 4),
                                sqlite3_column_double(s, 5)});
      });
  reader.Each("SELECT \"Código\", \"Descrição\" FROM Grupos",
              [&](sqlite3_stmt* s) { raw.groups[sqlite3_column_int64(s, 0)] = Text(s, 1); });
  reader.Each("SELECT \"Código\", \"Descrição\", Grupo FROM Produtos", [&](sqlite3_stmt* s) {
    const int64_t product = sqlite3_column_int64(s, 0);
    const auto group = OptionalInt(s, 2);
    raw.products[product] = {Text(s, 1), group.value_or(0)};
    if (group && raw.groups.count(*group) != 0) {
      raw.productGroups[product] = raw.groups.at(*group);
    }
  });
  reader.Each("SELECT \"Código\", Nome FROM Clientes",
              [&](sqlite3_stmt* s) { raw.clients[sqlite3_column_int64(s, 0)] = Text(s, 1); });
  reader.Each("SELECT \"Código\", Nome FROM \"Funcionários\"",
              [&](sqlite3_stmt* s) { raw.employees[Text(s, 0)] = Text(s, 1); });
  reader.Each(
      "SELECT IDVenda, IDECF, T011_FormaDePagto, T011_Percentual, T010_ID, T011_Valor, "
      "T011_Troco FROM T011_ImagemDosMeiosDePagtoUtilizados",
      [&](sqlite3_stmt* s) {
        raw.payments[sqlite3_column_int64(s, 0)].push_back(
            {sqlite3_column_int64(s, 1), Text(s, 2), sqlite3_column_double(s, 3),
             sqlite3_column_int64(s, 4), sqlite3_column_double(s, 5), sqlite3_column_double(s, 6)});
      });
  reader.Each(
      "SELECT T010_ID, T010_Descricao, IsCartaoCredito, IsCartaoDebito, IsCarteiraDigital, "
      "IsFrota, IsPix FROM T010_FormasDePagto",
      [&](sqlite3_stmt* s) {
        raw.forms[sqlite3_column_int64(s, 0)] = {Text(s, 1), Flag(s, 2), Flag(s, 3),
                                                 Flag(s, 4), Flag(s, 5), Flag(s, 6)};
      });
  reader.Each("SELECT IDVenda, T006_Motorista, T006_KM FROM T006_CupomNominalPorMovimento",
              [&](sqlite3_stmt* s) {
                raw.nominal[sqlite3_column_int64(s, 0)] = {Text(s, 1), sqlite3_column_int64(s, 2)};
              });
  reader.Each("SELECT S010_ID FROM S010_CFOP WHERE S010_IsVenda = 1",
              [&](sqlite3_stmt* s) { raw.saleCfops.insert(sqlite3_column_int64(s, 0)); });
  std::map<int64_t, Invoice> invoices;
  reader.Each(
      "SELECT m.Codigo, n.Modelo, m.Numero_Nota_Fiscal FROM NotasFiscais_Movimentos m JOIN "
      "\"Modelo - Notas Fiscais\" n ON n.\"Código\" = m.Codigo_Modelo",
      [&](sqlite3_stmt* s) {
        invoices[sqlite3_column_int64(s, 0)] = {Text(s, 1), sqlite3_column_int64(s, 2)};
      });
  std::map<int64_t, std::set<int64_t>> salesOfNote;
  reader.Each("SELECT Codigo_NF, Codigo_Venda FROM NotasFiscais_Itens", [&](sqlite3_stmt* s) {
    const int64_t note = sqlite3_column_int64(s, 0);
    const int64_t sale = sqlite3_column_int64(s, 1);
    salesOfNote[note].insert(sale);
    raw.invoicesOfSale[sale].push_back(invoices.at(note));
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
  if (line.ecf || line.ConsumerNote()) {
    return true;
  }
  if (!line.nf || line.thirdPartyNote || !line.cfop || saleCfops.count(*line.cfop) == 0) {
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
