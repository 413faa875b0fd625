// The figures the fuel reports must show, computed here from the raw rows (raw_sales.h).
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "tests/reports/raw_sales.h"

namespace orla::testing {

struct Switches {
  bool ignoreComplementary = false, ignoreOthers = false;
};

// A line's discount (or surcharge) as the library's expressions count it.
double LineAdjustment(const SaleLine& line, bool discount, Switches switches,
                      bool withoutSpecialPriceDifference);

// One row of ##VendasNosBicos, keyed by day, till and nozzle.
using NozzleKey = std::tuple<std::string, std::string, std::string>;
struct NozzleRow {
  std::string fuel;
  double volume = 0, price = 0, cost = 0, discount = 0, surcharge = 0;
};
std::map<NozzleKey, NozzleRow> ExpectedNozzleTable(const RawSales& data, const std::string& from,
                                                   const std::string& to, const std::string& till,
                                                   Switches switches);

}  // namespace orla::testing
