#include "demo/generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "demo/schema.h"
#include "demo/station.h"
#include "host/errors.h"
#include "host/value.h"
#include "sqlite/connection.h"

namespace orla::demo {

namespace {

using host::DateTime;
using host::Value;

// splitmix64: small, fast and the same on every platform (std distributions are not).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Between(double low, double high) { return low + (high - low) * Uniform(); }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(double p) { return Uniform() < p; }

  template <typename Weights>
  std::size_t Weighted(const Weights& weights) {
    double total = 0;
    for (double w : weights) {
      total += w;
    }
    double pick = Uniform() * total;
    for (std::size_t i = 0; i < weights.size(); ++i) {
      pick -= weights[i];
      if (pick < 0) {
        return i;
      }
    }
    return weights.size() - 1;
  }

 private:
  uint64_t state_;
};

double Round(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

enum class Document { CouponPrinter, Nfce, Sat, Nfe, Model01, UnknownModel, None };

// Código_ECF of the points that issue each kind: two coupon printers, then the NFC-e and
// SAT points and the back office.
constexpr int kNfcePoint = 3;
constexpr int kSatPoint = 4;
constexpr int kBackOffice = 5;

struct Line {
  int productId = 0;
  bool fuel = false;
  std::size_t nozzle = 0;
  std::string code;
  std::string description;
  double qty = 0, unit = 0, cost = 0, value = 0, discount = 0, surcharge = 0;
  std::optional<double> specialUnit;
  bool complementary = false, reversed = false, transfer = false, thirdParty = false;
  bool automation = true;
  std::string tax = "FF";
  double rate = 0;
  std::string employee;
  int64_t id = 0;
};

struct Sale {
  int64_t id = 0;
  int64_t period = 0;  // 0: no till period
  DateTime moment;
  Document document = Document::None;
  int point = kNfcePoint;
  int64_t coupon = 0;
  int64_t noteNumber = 0;
  bool standalone = false, thirdPartyNote = false, physical = true, saleCfop = true;
  bool invoiceAgainstCoupon = false;
  std::optional<int> client;
  std::optional<int> specialClient;
  std::vector<Line> lines;
};

class Generator {
 public:
  Generator(sqlite::Connection& db, const GeneratorOptions& options)
      : options_(options),
        random_(options.seed),
        db_(db),
        period_(db, "INSERT INTO \"Movimentações\" VALUES (?1, ?2, ?3, ?4, ?5)"),
        line_(db,
              "INSERT INTO \"Movimentações em Vendas\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
              "?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25, "
              "?26, ?27, ?28, ?29, ?30, ?31, ?32, ?33, ?34, ?35, ?36, ?37, ?38)"),
        reading_(db,
                 "INSERT INTO \"L021_MC_Leituras\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
        invoice_(db, "INSERT INTO \"NotasFiscais_Movimentos\" VALUES (?1, ?2, ?3, ?4)"),
        invoiceItem_(db, "INSERT INTO \"NotasFiscais_Itens\" VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
        request_(db, "INSERT INTO \"T008_Nfe_Solicitacoes\" VALUES (?1, ?2, ?3, ?4)"),
        payment_(db,
                 "INSERT INTO \"T011_ImagemDosMeiosDePagtoUtilizados\" VALUES (?1, ?2, ?3, ?4, ?5, "
                 "?6, ?7, ?8)"),
        nominal_(db, "INSERT INTO \"T006_CupomNominalPorMovimento\" VALUES (?1, ?2, ?3, ?4, ?5)") {
    for (const Fuel& fuel : Fuels()) {
      prices_.push_back(fuel.price);
      costs_.push_back(fuel.cost);
    }
    for (std::size_t i = 0; i < Nozzles().size(); ++i) {
      totalizers_.push_back(Round(random_.Between(50000, 400000), 3));
    }
  }

  void Catalog();
  void Day(int index);
  GenerationSummary Summary() const { return summary_; }

 private:
  void Period(const DateTime& day, int shift, int sales, bool lastOfData);
  void MakeSale(Sale& sale, int shift);
  Line FuelLine(std::size_t nozzle, int shift);
  Line ShopLine(int shift);
  void PickDocument(Sale& sale);
  void Write(const Sale& sale);
  void WritePayments(const Sale& sale);
  std::string ShiftEmployee(int shift);

  static void Insert(sqlite::PreparedStatement& statement, std::initializer_list<Value> values) {
    int index = 1;
    for (const Value& value : values) {
      statement.Bind(index++, value);
    }
    statement.Run();
  }

  const GeneratorOptions& options_;
  Random random_;
  sqlite::Connection& db_;
  sqlite::PreparedStatement period_, line_, reading_, invoice_, invoiceItem_, request_, payment_,
      nominal_;
  std::vector<double> prices_, costs_, totalizers_;
  int64_t periodId_ = 0, saleId_ = 0, lineId_ = 0, readingId_ = 0, invoiceId_ = 0,
          invoiceItemId_ = 0, requestId_ = 0, paymentId_ = 0, nominalId_ = 0, presale_ = 0;
  std::array<int64_t, 3> coupons_{};      // per coupon printer
  std::array<int64_t, 6> noteNumbers_{};  // per invoice model
  GenerationSummary summary_;
};

void Generator::Catalog() {
  sqlite::PreparedStatement group(db_, "INSERT INTO \"Grupos\" VALUES (?1, ?2)");
  for (const Named& g : Groups()) {
    Insert(group, {Value(int64_t{g.id}), Value(g.name)});
  }
  sqlite::PreparedStatement subgroup(db_, "INSERT INTO \"SubGrupos\" VALUES (?1, ?2, ?3)");
  for (const Named& s : Subgroups()) {
    Insert(subgroup, {Value(int64_t{s.id}), Value(s.name), Value(int64_t{s.parent})});
  }
  sqlite::PreparedStatement product(db_,
                                    "INSERT INTO \"Produtos\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  for (const Fuel& f : Fuels()) {
    Insert(product, {Value(int64_t{f.productId}), Value(f.name), Value(int64_t{kFuelGroup}),
                     Value(int64_t{kFuelSubgroup}), Value("L"), Value(f.price), Value(f.cost)});
  }
  for (const ShopProduct& p : ShopProducts()) {
    Insert(product, {Value(int64_t{p.id}), Value(p.name), Value(int64_t{p.group}),
                     Value(int64_t{p.subgroup}), Value(p.unit), Value(p.price), Value(p.cost)});
  }
  sqlite::PreparedStatement client(db_, "INSERT INTO \"Clientes\" VALUES (?1, ?2, ?3, ?4)");
  for (const Client& c : Clients()) {
    char document[48];
    std::snprintf(document, sizeof document, "%02d.%03d.%03d/0001-%02d", c.id + 10,
                  c.id * 37 % 1000, c.id * 101 % 1000, c.id * 7 % 100);
    Insert(client,
           {Value(int64_t{c.id}), Value(c.name), Value(std::string(document)), Value(c.special)});
  }
  sqlite::PreparedStatement employee(db_, "INSERT INTO \"Funcionários\" VALUES (?1, ?2)");
  for (const Employee& e : Employees()) {
    Insert(employee, {Value(e.code), Value(e.name)});
  }
}

std::string Generator::ShiftEmployee(int shift) {
  std::vector<std::string_view> codes;
  for (const Employee& e : Employees()) {
    if (e.shift == shift) {
      codes.push_back(e.code);
    }
  }
  return std::string(
      codes[static_cast<std::size_t>(random_.Below(static_cast<int>(codes.size())))]);
}

void Generator::Day(int index) {
  const DateTime day = options_.start.AddDays(index);
  // Prices move now and then, as the distributors' do.
  for (std::size_t f = 0; f < prices_.size(); ++f) {
    if (random_.Chance(1.0 / 45.0)) {
      const double change = Round(random_.Between(-0.12, 0.18), 2);
      prices_[f] = Round(std::max(prices_[f] + change, 2.0), 2);
      costs_[f] = Round(std::max(costs_[f] + change * 0.9, 1.5), 2);
    }
  }
  const int weekday = static_cast<int>((day.Days() + 4) % 7);  // 0 is Sunday
  const double weekFactor = weekday == 0 ? 0.8 : weekday == 6 ? 1.15 : weekday == 5 ? 1.1 : 1.0;
  const int sales = static_cast<int>(options_.salesPerDay * weekFactor * random_.Between(0.9, 1.1));
  constexpr std::array<double, 3> kShiftShare = {0.42, 0.43, 0.15};
  for (int shift = 1; shift <= 3; ++shift) {
    const bool last = index == options_.days - 1 && shift == 3;
    Period(day, shift, static_cast<int>(sales * kShiftShare[static_cast<std::size_t>(shift - 1)]),
           last);
  }
}

void Generator::Period(const DateTime& day, int shift, int sales, bool lastOfData) {
  const int64_t id = ++periodId_;
  ++summary_.tillPeriods;
  const int32_t opening = (6 + 8 * (shift - 1)) * 3600;
  const DateTime closing = DateTime::FromDays(day.Days(), opening + 8 * 3600);
  Insert(period_,
         {Value(id), Value(std::to_string(shift)), Value(day),
          Value(DateTime::FromDays(-25567, opening)), lastOfData ? Value() : Value(closing)});
  std::vector<int32_t> offsets;
  for (int i = 0; i < sales; ++i) {
    offsets.push_back(random_.Below(8 * 3600));
  }
  std::sort(offsets.begin(), offsets.end());
  std::vector<double> volumes(Nozzles().size(), 0.0);
  for (int32_t offset : offsets) {
    Sale sale;
    sale.id = ++saleId_;
    sale.period = id;
    sale.moment = DateTime::FromDays(day.Days(), opening + offset);
    MakeSale(sale, shift);
    for (const Line& line : sale.lines) {
      if (line.fuel && !line.reversed) {
        volumes[line.nozzle] += line.qty;
      }
    }
    Write(sale);
  }
  if (lastOfData) {  // readings are taken at closing
    return;
  }
  for (std::size_t n = 0; n < Nozzles().size(); ++n) {
    const Nozzle& nozzle = Nozzles()[n];
    const auto fuel = static_cast<std::size_t>(nozzle.fuelIndex);
    const double volume = Round(volumes[n], 3);
    const double before = totalizers_[n];
    totalizers_[n] = Round(before + volume, 3);
    Insert(reading_, {Value(++readingId_), Value(id), Value(nozzle.code), Value(Fuels()[fuel].name),
                      Value(before), Value(totalizers_[n]), Value(volume), Value(prices_[fuel]),
                      Value(costs_[fuel])});
    ++summary_.readings;
  }
}

Line Generator::FuelLine(std::size_t nozzle, int shift) {
  const auto fuel = static_cast<std::size_t>(Nozzles()[nozzle].fuelIndex);
  Line line;
  line.fuel = true;
  line.nozzle = nozzle;
  line.productId = Fuels()[fuel].productId;
  line.code = std::string(Nozzles()[nozzle].code);
  line.description = std::string(Fuels()[fuel].name);
  line.qty = Round(5.0 + 55.0 * std::pow(random_.Uniform(), 1.7), 3);
  line.unit = prices_[fuel];
  line.cost = costs_[fuel];
  line.value = Round(line.qty * line.unit, 2);
  line.automation = random_.Chance(0.96);
  line.employee = ShiftEmployee(shift);
  return line;
}

Line Generator::ShopLine(int shift) {
  std::vector<double> weights;
  for (const ShopProduct& p : ShopProducts()) {
    weights.push_back(p.weight);
  }
  const ShopProduct& product = ShopProducts()[random_.Weighted(weights)];
  Line line;
  line.productId = product.id;
  line.code = std::to_string(7890000000000LL + product.id);
  line.description = std::string(product.name);
  line.qty = product.unit == "UN" ? 1 + random_.Below(3) : 1;
  line.unit = product.price;
  line.cost = product.cost;
  line.value = Round(line.qty * line.unit, 2);
  line.tax = std::string(product.taxSituation);
  line.rate = product.taxRate;
  line.thirdParty = product.thirdParty;
  line.automation = false;
  line.employee = ShiftEmployee(shift);
  return line;
}

void Generator::PickDocument(Sale& sale) {
  static constexpr std::array<double, 7> kWeights = {18, 48, 10, 10, 3, 3, 8};
  sale.document = static_cast<Document>(random_.Weighted(kWeights));
  switch (sale.document) {
    case Document::CouponPrinter:
      sale.point = 1 + random_.Below(2);
      sale.coupon = ++coupons_[static_cast<std::size_t>(sale.point)];
      sale.invoiceAgainstCoupon = random_.Chance(0.03);
      break;
    case Document::Nfce:
      sale.point = kNfcePoint;
      sale.noteNumber = ++noteNumbers_[invoice_model::k65];
      sale.coupon = sale.noteNumber;
      break;
    case Document::Sat:
      sale.point = kSatPoint;
      sale.noteNumber = ++noteNumbers_[invoice_model::k59];
      sale.coupon = sale.noteNumber;
      break;
    case Document::Nfe:
    case Document::Model01:
    case Document::UnknownModel: {
      const int model = sale.document == Document::Nfe       ? invoice_model::k55
                        : sale.document == Document::Model01 ? invoice_model::k01
                                                             : invoice_model::k02;
      sale.point = kBackOffice;
      sale.noteNumber = ++noteNumbers_[static_cast<std::size_t>(model)];
      sale.coupon = sale.noteNumber;
      sale.standalone = random_.Chance(0.3);
      sale.physical = !sale.standalone || random_.Chance(0.8);
      sale.thirdPartyNote = random_.Chance(0.05);
      sale.saleCfop = random_.Chance(0.95);
      break;
    }
    case Document::None:
      sale.point = kNfcePoint;
      sale.coupon = ++presale_;
      break;
  }
}

void Generator::MakeSale(Sale& sale, int shift) {
  const double who = random_.Uniform();
  if (who < 0.05) {
    std::vector<int> special;
    for (const Client& c : Clients()) {
      if (c.special) {
        special.push_back(c.id);
      }
    }
    sale.specialClient =
        special[static_cast<std::size_t>(random_.Below(static_cast<int>(special.size())))];
  } else if (who < 0.17) {
    sale.client = 1 + random_.Below(static_cast<int>(Clients().size()));
  }
  const bool transfer = !sale.client && !sale.specialClient && random_.Chance(0.004);
  const bool fuelSale = transfer || sale.specialClient || random_.Chance(0.78);
  if (fuelSale) {
    std::vector<double> weights;
    for (const Nozzle& n : Nozzles()) {
      weights.push_back(n.weight);
    }
    sale.lines.push_back(FuelLine(random_.Weighted(weights), shift));
    if (!transfer && random_.Chance(0.2)) {
      sale.lines.push_back(ShopLine(shift));
    }
  } else {
    const int items = 1 + random_.Below(3);
    for (int i = 0; i < items; ++i) {
      sale.lines.push_back(ShopLine(shift));
    }
  }
  PickDocument(sale);
  if (transfer) {
    sale.document = Document::None;
    sale.lines[0].transfer = true;
  }
  // Shop sales invoiced at the back office belong to no till period.
  if (sale.document == Document::Nfe && !fuelSale && random_.Chance(0.4)) {
    sale.period = 0;
  }
  const bool reversedSale = random_.Chance(0.015);
  for (std::size_t i = 0; i < sale.lines.size(); ++i) {
    Line& line = sale.lines[i];
    if (random_.Chance(0.08)) {
      line.discount = Round(line.value * random_.Between(0.01, 0.05), 2);
    }
    if (random_.Chance(0.025)) {
      line.surcharge = Round(line.value * random_.Between(0.01, 0.03), 2);
    }
    if (line.fuel && !transfer && !sale.client && !sale.specialClient && random_.Chance(0.012)) {
      line.complementary = true;
    }
    if (line.fuel && random_.Chance(0.003)) {
      line.thirdParty = true;
    }
    if (sale.specialClient && line.fuel) {
      line.specialUnit = Round(
          line.unit + Clients()[static_cast<std::size_t>(*sale.specialClient - 1)].specialDelta, 2);
    } else if (sale.specialClient && random_.Chance(0.5)) {
      line.specialUnit = 0.0;  // registered as special, but without a special price
    }
    line.reversed = reversedSale || (sale.lines.size() > 1 && random_.Chance(0.01));
    if (i > 0 && random_.Chance(0.1)) {
      line.employee = ShiftEmployee(shift);
    }
  }
  if (std::any_of(sale.lines.begin(), sale.lines.end(),
                  [](const Line& l) { return l.complementary; })) {
    sale.document = Document::CouponPrinter;
    if (sale.coupon == 0 || sale.point > 2) {
      sale.point = 1;
      sale.coupon = ++coupons_[1];
    }
    sale.noteNumber = 0;
    sale.invoiceAgainstCoupon = false;
  }
}

void Generator::Write(const Sale& sale) {
  ++summary_.sales;
  const DateTime day = sale.moment.DateOnly();
  const DateTime time = DateTime::FromDays(-25567, sale.moment.SecondsOfDay());
  const bool coupon = sale.document == Document::CouponPrinter;
  const bool consumerNote = sale.document == Document::Nfce || sale.document == Document::Sat;
  const bool note = sale.document == Document::Nfe || sale.document == Document::Model01 ||
                    sale.document == Document::UnknownModel;
  const Client* client = sale.client ? &Clients()[static_cast<std::size_t>(*sale.client - 1)]
                         : sale.specialClient
                             ? &Clients()[static_cast<std::size_t>(*sale.specialClient - 1)]
                             : nullptr;
  std::vector<Line> lines = sale.lines;
  for (Line& line : lines) {
    line.id = ++lineId_;
    ++summary_.saleLines;
    const int cfop = !note || sale.saleCfop
                         ? (line.fuel ? cfop::kVendaCombustivel : cfop::kVendaMercadoria)
                         : cfop::kOutraSaida;
    Insert(line_, {Value(line.id),
                   Value(sale.id),
                   sale.period ? Value(sale.period) : Value(),
                   Value(int64_t{sale.point}),
                   Value(sale.coupon),
                   Value(day),
                   Value(time),
                   Value(line.fuel ? "C" : "P"),
                   Value(int64_t{line.productId}),
                   Value(line.code),
                   Value(line.description),
                   Value(line.qty),
                   Value(line.unit),
                   Value(line.cost),
                   Value(line.value),
                   Value(line.discount),
                   Value(line.surcharge),
                   line.specialUnit ? Value(*line.specialUnit) : Value(),
                   Value(sale.specialClient.has_value()),
                   sale.specialClient ? Value(int64_t{*sale.specialClient}) : Value(),
                   sale.client ? Value(int64_t{*sale.client}) : Value(),
                   client ? Value(client->plate) : Value(),
                   Value(line.employee),
                   Value(line.automation),
                   Value(line.complementary),
                   Value(line.reversed),
                   Value(line.transfer),
                   Value(line.thirdParty),
                   Value(coupon),
                   consumerNote ? Value(sale.document == Document::Nfce ? "65" : "59") : Value(),
                   Value(note),
                   sale.noteNumber ? Value(sale.noteNumber) : Value(),
                   Value(note && sale.standalone),
                   Value(note && sale.thirdPartyNote),
                   Value(sale.physical),
                   Value(int64_t{cfop}),
                   Value(line.tax),
                   Value(line.rate)});
  }
  // The invoice the sale stands on, if any.
  int model = 0;
  switch (sale.document) {
    case Document::Nfce:
      model = invoice_model::k65;
      break;
    case Document::Sat:
      model = invoice_model::k59;
      break;
    case Document::Nfe:
      model = invoice_model::k55;
      break;
    case Document::Model01:
      model = invoice_model::k01;
      break;
    case Document::UnknownModel:
      model = invoice_model::k02;
      break;
    default:
      model = sale.invoiceAgainstCoupon ? invoice_model::k55 : 0;
      break;
  }
  if (model != 0) {
    const int64_t invoice = ++invoiceId_;
    ++summary_.invoices;
    const int64_t number =
        sale.noteNumber ? sale.noteNumber : ++noteNumbers_[static_cast<std::size_t>(model)];
    Insert(invoice_, {Value(invoice), Value(int64_t{model}), Value(number), Value(sale.moment)});
    for (const Line& line : lines) {
      Insert(invoiceItem_, {Value(++invoiceItemId_), Value(invoice), Value(sale.id), Value(line.id),
                            Value(line.qty), Value(line.value)});
    }
    if (model == invoice_model::k55 && !sale.invoiceAgainstCoupon) {
      const double kind = random_.Uniform();
      if (kind < 0.25) {  // type 0 takes the note out of the sales; type 1 does not
        const DateTime requested = DateTime::FromDays(
            sale.moment.Days(), std::min(sale.moment.SecondsOfDay() + 600, 86399));
        Insert(request_, {Value(++requestId_), Value(invoice), Value(int64_t{kind < 0.15 ? 0 : 1}),
                          Value(requested)});
      }
    }
  }
  if (client && random_.Chance(0.7)) {
    const int64_t km = random_.Chance(0.25) ? 0 : 10000 + random_.Below(290000);
    Insert(nominal_, {Value(++nominalId_), Value(sale.id), Value(client->driver), Value(km),
                      Value(client->plate)});
  }
  WritePayments(sale);
}

void Generator::WritePayments(const Sale& sale) {
  bool anyLive = false;
  for (const Line& line : sale.lines) {
    anyLive = anyLive || !line.reversed;
  }
  double net = 0;
  for (const Line& line : sale.lines) {
    if (!anyLive || !line.reversed) {  // a sale reversed whole was paid, then refunded
      net += line.value - line.discount + line.surcharge;
    }
  }
  net = Round(net, 2);
  using namespace payment_form;
  std::array<double, kCount> weights{};
  auto weight = [&](int form, double w) { weights[static_cast<std::size_t>(form - 1)] = w; };
  if (sale.lines[0].transfer) {
    weight(kRequisicao, 1);
  } else if (sale.specialClient) {
    weight(kCreditoEmHaver, 40), weight(kRequisicao, 30), weight(kFrotaTicketLog, 15),
        weight(kVisaCredito, 10), weight(kFrotaCredito, 5);
  } else if (sale.client) {
    weight(kCreditoEmHaver, 25), weight(kRequisicao, 15), weight(kValeFrete, 8),
        weight(kFrotaTicketLog, 15), weight(kFrotaCredito, 10), weight(kChequeAPrazo, 5),
        weight(kVisaCredito, 8), weight(kEloDebito, 6), weight(kPix, 8);
  } else {
    weight(kDinheiro, 22), weight(kVisaCredito, 12), weight(kMastercardCredito, 11),
        weight(kEloDebito, 10), weight(kMaestroDebito, 9), weight(kPix, 13), weight(kPicPay, 4),
        weight(kMercadoPagoPix, 2), weight(kChequeAVista, 1), weight(kChequeAPrazo, 1),
        weight(kTicketAbastecimento, 2), weight(kFrotaCredito, 2), weight(kFrotaTicketLog, 3);
  }
  const int first = static_cast<int>(random_.Weighted(weights)) + 1;
  std::vector<std::pair<int, double>> forms{{first, 100.0}};
  if (!sale.lines[0].transfer && random_.Chance(0.08)) {
    static constexpr std::array<double, 4> kSplits = {50, 30, 40, 20};
    const double share = kSplits[static_cast<std::size_t>(random_.Below(4))];
    int second = first;
    while (second == first) {
      second = 1 + random_.Below(kCount);
    }
    forms = {{first, share}, {second, 100.0 - share}};
  }
  double given = 0;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    const auto [form, share] = forms[i];
    double value = i + 1 < forms.size() ? Round(net * share / 100.0, 2) : Round(net - given, 2);
    given += value;
    double change = 0;
    if (forms.size() == 1 && form == kDinheiro && random_.Chance(0.6)) {
      const double step = net > 100 ? 50.0 : 10.0;
      const double tendered = std::ceil(net / step) * step;
      if (tendered - net >= 0.01) {
        change = Round(tendered - net, 2);
        value = tendered;
      }
    }
    Insert(payment_,
           {Value(++paymentId_), Value(sale.id), Value(int64_t{sale.point}), Value(int64_t{form}),
            Value(PaymentFormName(form)), Value(share), Value(value), Value(change)});
  }
}

}  // namespace

DateTime DefaultStart() {
  return *DateTime::FromParts(2024, 1, 1);
}

GenerationSummary Generate(const std::filesystem::path& file, const GeneratorOptions& options,
                           const Progress& progress) {
  if (options.days < 1) {
    throw host::HostError(host::error_number::kInvalidProcedureCall,
                          "The demo data needs at least one day");
  }
  std::filesystem::path draft = file;
  draft += ".partial";
  std::filesystem::remove(draft);
  GenerationSummary summary;
  {
    sqlite::Connection db(draft, sqlite::Connection::Mode::Create);
    // A fresh file that is thrown away on failure needs no journal.
    db.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    CreateSchema(db);
    Generator generator(db, options);
    sqlite::Transaction transaction(db);
    generator.Catalog();
    for (int day = 0; day < options.days; ++day) {
      generator.Day(day);
      if (progress) {
        progress(day + 1, options.days);
      }
    }
    transaction.Commit();
    db.Exec("PRAGMA journal_mode = DELETE; ANALYZE");
    summary = generator.Summary();
  }
  std::filesystem::rename(draft, file);
  return summary;
}

}  // namespace orla::demo
