#include "tests/reports/fuel_movement/raw_fuel_data.h"

#include <cmath>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace orla::testing {

namespace {

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

double Round2(double value) {
  return std::round(value * 100.0) / 100.0;
}

}  // namespace

RawFuelData RawFuelData::Load(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  // Text columns carry the adapter's collation, which plain SQLite does not know: every
  // filter is applied here, in C++.
  auto each = [db](const char* sql, auto&& row) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      row(statement);
    }
    sqlite3_finalize(statement);
  };
  RawFuelData data;
  each(
      "SELECT \"Código\", \"Data_Abertura\", \"Caixa\", \"Data_Fechamento\" IS NOT NULL FROM "
      "\"Movimentações\"",
      [&](sqlite3_stmt* s) {
        data.tills[sqlite3_column_int64(s, 0)] = {Text(s, 1).substr(0, 10), Text(s, 2),
                                                  sqlite3_column_int(s, 3) == 1};
      });
  each(
      "SELECT IDCaixa, L021_IDBico, L021_Combustivel, L021_VolumeVendido, L021_VPL, L021_CM "
      "FROM L021_MC_Leituras",
      [&](sqlite3_stmt* s) {
        data.readings.push_back({sqlite3_column_int64(s, 0), Text(s, 1), Text(s, 2),
                                 sqlite3_column_double(s, 3), sqlite3_column_double(s, 4),
                                 sqlite3_column_double(s, 5)});
      });
  each(
      "SELECT IDCaixa, \"Código_Venda\", Data_ECF, Tipo, \"Código_Produto\", \"Descrição\", "
      "Qtde, Valor_Venda, Valor_Desconto, Valor_Acrescimo, ValorUnitarioClienteEspecial, "
      "Cupom_Complementar, IsEstornado, \"Transferência\", Terceiros, ECF, NFConsumidor_Modelo "
      "IS NOT NULL, NF, IsNFAvulsa, IsNFTerceiro, IsMovimentacaoFisicaDoEstoque, S010_ID FROM "
      "\"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        RawSaleLine line;
        line.till = OptionalInt(s, 0);
        line.sale = sqlite3_column_int64(s, 1);
        line.ecfDay = Text(s, 2).substr(0, 10);
        line.tipo = Text(s, 3);
        line.code = Text(s, 4);
        line.description = Text(s, 5);
        line.qty = sqlite3_column_double(s, 6);
        line.value = sqlite3_column_double(s, 7);
        line.discount = sqlite3_column_double(s, 8);
        line.surcharge = sqlite3_column_double(s, 9);
        line.special = sqlite3_column_double(s, 10);
        line.complementary = sqlite3_column_int(s, 11) == 1;
        line.reversed = sqlite3_column_int(s, 12) == 1;
        line.transfer = sqlite3_column_int(s, 13) == 1;
        line.thirdParty = sqlite3_column_int(s, 14) == 1;
        line.ecf = sqlite3_column_int(s, 15) == 1;
        line.consumerNote = sqlite3_column_int(s, 16) == 1;
        line.nf = sqlite3_column_int(s, 17) == 1;
        line.nfLoose = sqlite3_column_int(s, 18) == 1;
        line.nfThirdParty = sqlite3_column_int(s, 19) == 1;
        line.movesStock = sqlite3_column_int(s, 20) == 1;
        line.cfop = OptionalInt(s, 21);
        if (line.tipo == "C") {
          data.lines.push_back(std::move(line));
        }
      });
  each("SELECT S010_ID, S010_IsVenda FROM S010_CFOP", [&](sqlite3_stmt* s) {
    if (sqlite3_column_int(s, 1) == 1) {
      data.saleCfops.insert(sqlite3_column_int64(s, 0));
    }
  });
  each(
      "SELECT a.T008_DataHora, b.Codigo_Venda, a.T008_Tipo FROM T008_Nfe_Solicitacoes a JOIN "
      "NotasFiscais_Itens b ON a.T008_IDNF = b.Codigo_NF",
      [&](sqlite3_stmt* s) {
        if (sqlite3_column_int(s, 2) == 0) {
          data.noteRequests.emplace_back(Text(s, 0).substr(0, 10), sqlite3_column_int64(s, 1));
        }
      });
  sqlite3_close(db);
  return data;
}

bool RawFuelData::OnSaleDocument(const RawSaleLine& line, const std::string& from,
                                 const std::string& to) const {
  if (line.ecf || line.consumerNote) {
    return true;
  }
  if (!line.nf || line.nfThirdParty || !line.cfop || !saleCfops.contains(*line.cfop)) {
    return false;
  }
  if (line.nfLoose && !line.movesStock) {
    return false;
  }
  for (const auto& [day, sale] : noteRequests) {
    if (sale == line.sale && day >= from && day <= to) {
      return false;
    }
  }
  return true;
}

double LineAdjustment(const RawSaleLine& line, bool discount, Switches switches,
                      bool withoutSpecialPriceDifference) {
  const double recorded = discount ? line.discount : line.surcharge;
  const double specialValue = line.special * line.qty;
  const bool onItsSide = discount ? specialValue > line.value : specialValue < line.value;
  const double difference = withoutSpecialPriceDifference || !onItsSide
                                ? 0
                                : std::fabs(specialValue - line.value) + recorded;
  const double full = Round2(line.special != 0 ? difference : recorded);
  if (switches.ignoreComplementary && switches.ignoreOthers) {
    return 0;
  }
  if (switches.ignoreComplementary) {
    return line.complementary ? 0 : full;
  }
  if (switches.ignoreOthers) {
    return line.complementary ? recorded : 0;
  }
  return full;
}

std::map<NozzleKey, NozzleRow> ExpectedNozzleTable(const RawFuelData& data, const std::string& from,
                                                   const std::string& to, const std::string& till,
                                                   Switches switches) {
  auto counts = [&](int64_t code) {
    const auto found = data.tills.find(code);
    return found != data.tills.end() && found->second.closed && found->second.day >= from &&
           found->second.day <= to && (till.empty() || found->second.caixa == till);
  };
  std::map<NozzleKey, NozzleRow> rows;
  std::map<std::pair<std::string, std::string>, int> readings;  // nozzle, fuel
  for (const RawReading& r : data.readings) {
    if (counts(r.till)) {
      const RawTill& t = data.tills.at(r.till);
      rows[{t.day, t.caixa, r.bico}] = {r.fuel, r.volume, r.price, r.cost};
      ++readings[{r.bico, r.fuel}];
    }
  }
  std::map<std::pair<std::string, std::string>, std::pair<double, double>> adjustments;
  for (const RawSaleLine& line : data.lines) {
    if (line.till && counts(*line.till) && !line.reversed && !line.thirdParty) {
      auto& [discount, surcharge] = adjustments[{line.code, line.description}];
      discount += LineAdjustment(line, true, switches, false);
      surcharge += LineAdjustment(line, false, switches, false);
    }
  }
  for (auto& [key, row] : rows) {
    const auto adjustment = adjustments.find({std::get<2>(key), row.fuel});
    if (adjustment != adjustments.end()) {
      const int count = readings.at({std::get<2>(key), row.fuel});
      row.discount = adjustment->second.first / count;
      row.surcharge = adjustment->second.second / count;
    }
  }
  return rows;
}

}  // namespace orla::testing
