// Exact decimal amounts. Report totals are sums of what each row prints, so every value is
// first rounded to the scale of its format (half away from zero) and then added as an
// integer count of 10^-scale units: no binary drift, and subtotals add up to the grand total.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orla::engine {

__extension__ using Int128 = __int128;

class Decimal {
 public:
  static constexpr int kMaxScale = 12;

  Decimal() = default;
  static Decimal FromUnits(Int128 units, int scale);
  static Decimal FromInteger(int64_t value, int scale = 0);
  // The shortest decimal text that reads back as `value` (what the database wrote), rounded
  // to `scale` places; nothing for NaN and infinities.
  static std::optional<Decimal> FromDouble(double value, int scale);
  // Plain or scientific notation with a decimal point ("-12.5", "1e-07"), rounded to `scale`;
  // nothing for an exponent beyond +-400 or a value of more than 36 digits.
  static std::optional<Decimal> Parse(std::string_view text, int scale);
  // num / den rounded to `scale`; nothing when den is zero.
  static std::optional<Decimal> Divide(const Decimal& num, const Decimal& den, int scale);

  Int128 Units() const { return units_; }
  int Scale() const { return scale_; }
  bool IsZero() const { return units_ == 0; }
  bool IsNegative() const { return units_ < 0; }

  // Fewer places round half away from zero; more places are exact.
  Decimal Rescaled(int scale) const;
  Decimal& operator+=(const Decimal& other);
  friend Decimal operator+(Decimal a, const Decimal& b) { return a += b; }
  Decimal operator-() const { return FromUnits(-units_, scale_); }

  double ToDouble() const;
  // Grouped digits: Format(',', '.') gives "-1.234,56".
  std::string Format(char decimalSeparator, char thousandsSeparator) const;
  // "-1234.56", for CSV and tests.
  std::string ToString() const;

  // Numeric equality, whatever the scales.
  friend bool operator==(const Decimal& a, const Decimal& b);

 private:
  Int128 units_ = 0;
  int scale_ = 0;
};

}  // namespace orla::engine
