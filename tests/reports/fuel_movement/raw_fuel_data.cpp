#include "tests/reports/fuel_movement/raw_fuel_data.h"

#include <cmath>

namespace orla::testing {

namespace {

double Round2(double value) {
  return std::round(value * 100.0) / 100.0;
}

}  // namespace

double LineAdjustment(const SaleLine& line, bool discount, Switches switches,
                      bool withoutSpecialPriceDifference) {
  const double recorded = discount ? line.discount : line.surcharge;
  const double specialValue = line.Special() * line.quantity;
  const bool onItsSide = discount ? specialValue > line.value : specialValue < line.value;
  const double difference = withoutSpecialPriceDifference || !onItsSide
                                ? 0
                                : std::fabs(specialValue - line.value) + recorded;
  const double full = Round2(line.Special() != 0 ? difference : recorded);
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

std::map<NozzleKey, NozzleRow> ExpectedNozzleTable(const RawSales& data, const std::string& from,
                                                   const std::string& to, const std::string& till,
                                                   Switches switches) {
  auto counts = [&](int64_t code) {
    const auto found = data.tills.find(code);
    return found != data.tills.end() && found->second.closed && found->second.openingDay >= from &&
           found->second.openingDay <= to && (till.empty() || found->second.shift == till);
  };
  std::map<NozzleKey, NozzleRow> rows;
  std::map<std::pair<std::string, std::string>, int> readings;  // nozzle, fuel
  for (const Reading& r : data.readings) {
    if (counts(r.till)) {
      const Till& t = data.tills.at(r.till);
      rows[{t.openingDay, t.shift, r.nozzle}] = {r.fuel, r.volume, r.price, r.cost};
      ++readings[{r.nozzle, r.fuel}];
    }
  }
  std::map<std::pair<std::string, std::string>, std::pair<double, double>> adjustments;
  for (const SaleLine& line : data.lines) {
    if (line.kind == "C" && line.till && counts(*line.till) && !line.reversed && !line.thirdParty) {
      auto& [discount, surcharge] = adjustments[{line.productCode, line.description}];
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
