// The demo database's raw sale rows, read with plain SQLite (no adapter, no procedure), and
// the fiscal-document rule worked out over them, for checking reports end to end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orla::testing {

struct SaleLine {
  int64_t sale = 0;
  std::optional<int64_t> till;
  std::string fiscalDay;  // YYYY-MM-DD
  std::string kind;       // "C" fuel, "P" other
  int64_t product = 0;
  std::string description;
  double quantity = 0, cost = 0, value = 0, discount = 0, surcharge = 0;
  std::optional<double> specialUnitPrice;
  std::optional<int64_t> client, specialClient;
  bool complementary = false, reversed = false, transfer = false;
  bool ecf = false, consumerNote = false, nf = false, standalone = false, thirdParty = false,
       movesStock = false;
  std::optional<int64_t> cfop;
};

struct Till {
  std::string shift;
  std::string openingDay;  // YYYY-MM-DD
};

struct Payment {
  std::string form;
  double percent = 0;
};

struct RawSales {
  std::vector<SaleLine> lines;
  std::map<int64_t, Till> tills;
  std::map<int64_t, std::string> productGroups;  // product -> group name
  std::map<int64_t, std::string> clients;
  std::map<int64_t, std::vector<Payment>> payments;  // by sale
  std::set<int64_t> saleCfops;
  // Electronic-note requests of type 0: their day, and the sales their notes carry.
  std::vector<std::pair<std::string, std::set<int64_t>>> requests;

  static RawSales Read(const std::filesystem::path& database);

  // Whether the line stands on a fiscal sale document for a period from `from` to `to`
  // (ISO days): a coupon, a consumer note, or a sale invoice of the station (standalone ones
  // only when they move stock) that no electronic-note request of the period covers.
  bool OnFiscalDocument(const SaleLine& line, const std::string& from, const std::string& to) const;
};

}  // namespace orla::testing
