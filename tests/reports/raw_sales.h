// The figures the reports must show, worked out with plain SQLite over the demo database's raw
// tables: no adapter, no stored procedure and none of the library's statement fragments. A
// sale line is `m` ("Movimentações em Vendas"); periods are ISO days bound to :from and :to.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/sqlite/test_databases.h"

namespace orla::testing {

// `orla-vendas run OPERATION NAME=VALUE...` on the demo month (MarchDatabase()), today being
// 15/04/2024: the report of its JSON, or the text it prints for `format` "txt".
nlohmann::json RunReport(std::vector<std::string> arguments);
std::string PrintReport(std::vector<std::string> arguments);

// The line stands on a fiscal sale document: a coupon, a consumer note, or a sale invoice of
// the station (a standalone one only when it moves stock) that no electronic-note request of
// type 0 in the period covers.
extern const std::string kOnFiscalDocument;

struct Switches {
  bool ignoreComplementary = false, ignoreOthers = false;
};

// The discount (or surcharge) the line counts, rounded to cents. At a special-client price it
// is the gap to the special value on its side plus the recorded amount (nothing without the
// gap), otherwise the recorded amount (nothing for the gap alone). Ignoring complementary sales
// drops their lines' amounts; ignoring the others keeps only the complementary lines' recorded
// amounts.
std::string Adjustment(bool discount, bool withGap, Switches switches, bool gapOnly = false);
// The same before it is rounded, with neither switch.
std::string LineAdjustment(bool discount, bool withGap);

// CTEs (to follow WITH) over the till periods closed and opened in the period, of the shift
// :shift unless it is empty: `tills`, and `nozzles`, the rows ##VendasNosBicos must hold: each
// reading (day, Caixa, nozzle, fuel, volume, price, cost) with an even share of its nozzle's
// fuel adjustments (discount, surcharge).
std::string NozzleRows(Switches switches);

// Each report row is one of `expected` (text exactly, numbers within `tolerance` plus a
// billionth of their size, 0/1 for a flag); with `all`, none of `expected` is left over.
void ExpectRows(const nlohmann::json& report, nlohmann::json expected, double tolerance,
                bool all = true);

// The rows follow `column` in the database's order of text, or of numbers.
void ExpectOrdered(const nlohmann::json& rows, size_t column, bool descending = false);

}  // namespace orla::testing
