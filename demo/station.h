// The demo station's fixed catalog: fuels and nozzles, shop products with their tax
// situations, groups, clients (some with special prices) and employees.
#pragma once

#include <span>
#include <string_view>

namespace orla::demo {

struct Fuel {
  int productId;
  std::string_view name;  // also the readings' L021_Combustivel
  double price;           // list price per litre at the start of the data
  double cost;
};

struct Nozzle {
  std::string_view code;  // L021_IDBico, and Código_Produto of its sale lines
  int fuelIndex;
  double weight;  // how busy it is
};

struct ShopProduct {
  int id;
  std::string_view name;
  int group;
  int subgroup;
  std::string_view unit;
  double price;
  double cost;
  std::string_view taxSituation;  // FF, II, NN or TT
  double taxRate;                 // for TT
  bool thirdParty;                // sold on behalf of someone else (Terceiros)
  double weight;
};

struct Client {
  int id;
  std::string_view name;
  std::string_view plate;
  std::string_view driver;
  bool special;
  double specialDelta;  // special unit price = list price + delta (above or below list)
};

struct Employee {
  std::string_view code;
  std::string_view name;
  int shift;  // 1 to 3
};

std::span<const Fuel> Fuels();
std::span<const Nozzle> Nozzles();
std::span<const ShopProduct> ShopProducts();
std::span<const Client> Clients();
std::span<const Employee> Employees();

// Groups and subgroups: (code, description); the fuels are in group 1.
struct Named {
  int id;
  std::string_view name;
  int parent = 0;
};
std::span<const Named> Groups();
std::span<const Named> Subgroups();

inline constexpr int kFuelGroup = 1;
inline constexpr int kFuelSubgroup = 1;

}  // namespace orla::demo
