// The demo database's raw tills, nozzle readings and sale lines, read with plain SQLite (no
// adapter), and the figures the fuel reports must show computed from them here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace orla::testing {

struct RawTill {
  std::string day;  // opening day, ISO
  std::string caixa;
  bool closed = false;
};

struct RawReading {
  int64_t till = 0;
  std::string bico, fuel;
  double volume = 0, price = 0, cost = 0;
};

struct RawSaleLine {
  std::optional<int64_t> till;
  int64_t sale = 0;
  std::string ecfDay, tipo, code, description;
  double qty = 0, value = 0, discount = 0, surcharge = 0, special = 0;
  bool complementary = false, reversed = false, transfer = false, thirdParty = false;
  bool ecf = false, consumerNote = false, nf = false, nfLoose = false, nfThirdParty = false;
  bool movesStock = false;
  std::optional<int64_t> cfop;
};

struct Switches {
  bool ignoreComplementary = false, ignoreOthers = false;
};

struct RawFuelData {
  std::map<int64_t, RawTill> tills;
  std::vector<RawReading> readings;
  std::vector<RawSaleLine> lines;  // fuel lines only (Tipo 'C')
  std::set<int64_t> saleCfops;
  std::vector<std::pair<std::string, int64_t>> noteRequests;  // day, sale covered

  static RawFuelData Load(const std::filesystem::path& file);

  // A line on a fiscal document for a period of ISO days.
  bool OnSaleDocument(const RawSaleLine& line, const std::string& from,
                      const std::string& to) const;
};

// A line's discount (or surcharge) as the library's expressions count it.
double LineAdjustment(const RawSaleLine& line, bool discount, Switches switches,
                      bool withoutSpecialPriceDifference);

// One row of ##VendasNosBicos, keyed by day, till and nozzle.
using NozzleKey = std::tuple<std::string, std::string, std::string>;
struct NozzleRow {
  std::string fuel;
  double volume = 0, price = 0, cost = 0, discount = 0, surcharge = 0;
};
std::map<NozzleKey, NozzleRow> ExpectedNozzleTable(const RawFuelData& data, const std::string& from,
                                                   const std::string& to, const std::string& till,
                                                   Switches switches);

}  // namespace orla::testing
