// A deterministic generator of one fuel station's sales data: the same arguments give the
// same rows. It writes tills and their periods (three shifts a day), nozzle readings at each
// closing, sale lines (fuel and shop products, special-client prices above and below list,
// complementary coupons, reversals, transfers, third-party lines), fiscal documents (coupon
// printer, NFC-e 65, SAT 59, NF-e 55, model 01, a model the reports do not know, and sales
// with no document), electronic-note requests, the payment forms of each sale (some paid
// with two, cash with change), nominal coupons with driver and odometer, clients,
// employees, and every tax situation at several rates.
//
// What the data keeps, as a real station's does:
// - per closed till period and nozzle, the reading's volume is the sum of the quantities of
//   the fuel lines not reversed, and volume times the reading's price is their value (each
//   line rounded to the cent); the last till period of the data is still open and has no
//   readings;
// - a nozzle's totalizer runs on from one reading to the next;
// - the payment forms of a sale add up to 100 percent, and what they received less the
//   change is the sale's net value (lines not reversed, after discounts and surcharges).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "host/date_time.h"

namespace orla::demo {

inline constexpr uint64_t kDefaultSeed = 20240101;
inline constexpr int kDefaultDays = 366;  // the whole of 2024
host::DateTime DefaultStart();            // 2024-01-01

struct GeneratorOptions {
  uint64_t seed = kDefaultSeed;
  int days = kDefaultDays;
  host::DateTime start = DefaultStart();
  int salesPerDay = 560;  // on an average day; weekends and chance move it
};

struct GenerationSummary {
  int64_t tillPeriods = 0;
  int64_t sales = 0;
  int64_t saleLines = 0;
  int64_t readings = 0;
  int64_t invoices = 0;
};

// Called after each generated day.
using Progress = std::function<void(int daysDone, int days)>;

// Writes a new database file (schema.h) with the station's data, replacing `file`. The file
// appears only when the generation succeeded.
GenerationSummary Generate(const std::filesystem::path& file, const GeneratorOptions& options,
                           const Progress& progress = {});

}  // namespace orla::demo
