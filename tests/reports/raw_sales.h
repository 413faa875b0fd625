// The demo database's raw rows, read with plain SQLite (no adapter, no procedure), and the
// fiscal-document rule worked out over them, for checking reports end to end. Text columns
// carry the adapter's collation, which plain SQLite does not know: tables are read whole and
// every filter is applied by the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orla::testing {

struct SaleLine {
  int64_t code = 0;  // the line itself
  int64_t sale = 0;
  std::optional<int64_t> till;
  int64_t ecfNumber = 0, coupon = 0;
  std::string fiscalDay;  // YYYY-MM-DD
  std::string time;       // HH:MM:SS
  std::string kind;       // "C" fuel, "P" other
  int64_t product = 0;
  std::string productCode;  // as the line repeats it (a nozzle's fuel code for fuel)
  std::string description, taxSituation;
  std::optional<std::string> plate, employee, consumerModel;
  double quantity = 0, unitPrice = 0, cost = 0, value = 0, discount = 0, surcharge = 0, rate = 0;
  std::optional<double> specialUnitPrice;
  bool isSpecial = false;
  std::optional<int64_t> client, specialClient, invoiceNumber;
  bool automation = false, complementary = false, reversed = false, transfer = false,
       thirdParty = false;
  // The document flags of the fiscal-sale rule.
  bool ecf = false, nf = false, standalone = false, thirdPartyNote = false, movesStock = false;
  std::optional<int64_t> cfop;

  bool ConsumerNote() const { return consumerModel.has_value(); }
  // The special unit price, null read as 0 as ISNULL makes it.
  double Special() const { return specialUnitPrice.value_or(0); }
};

struct Till {
  std::string shift;
  std::string openingDay;  // YYYY-MM-DD
  bool closed = false;
};

struct Reading {
  int64_t till = 0;
  std::string nozzle, fuel;
  double volume = 0, price = 0, cost = 0;
};

struct Payment {
  int64_t ecf = 0;
  std::string form;
  double percent = 0;
  int64_t formId = 0;
  double value = 0, change = 0;
};

struct PaymentForm {
  std::string name;
  bool credit = false, debit = false, wallet = false, fleet = false, pix = false;
};

struct Invoice {
  std::string model;
  int64_t number = 0;
};

struct RawSales {
  std::vector<SaleLine> lines;
  std::map<int64_t, Till> tills;
  std::vector<Reading> readings;
  std::map<int64_t, std::pair<std::string, int64_t>> products;  // description, group
  std::map<int64_t, std::string> groups;
  std::map<int64_t, std::string> productGroups;  // product -> group name
  std::map<int64_t, std::string> clients;
  std::map<std::string, std::string> employees;
  std::map<int64_t, std::vector<Payment>> payments;  // by sale
  std::map<int64_t, PaymentForm> forms;
  std::map<int64_t, std::vector<Invoice>> invoicesOfSale;      // one entry per invoice item
  std::map<int64_t, std::pair<std::string, int64_t>> nominal;  // sale: driver, km
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
