#include "engine/decimal.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace orla::engine {

namespace {

Int128 PowerOfTen(int exponent) {
  Int128 result = 1;
  for (int i = 0; i < exponent; ++i) {
    result *= 10;
  }
  return result;
}

// a / b rounded half away from zero; b > 0.
Int128 DivideRounded(Int128 a, Int128 b) {
  const bool negative = a < 0;
  const Int128 magnitude = negative ? -a : a;
  Int128 quotient = magnitude / b;
  if ((magnitude % b) * 2 >= b) {
    ++quotient;
  }
  return negative ? -quotient : quotient;
}

constexpr int kMaxExponent = 400;

int ClampScale(int scale) {
  if (scale < 0 || scale > Decimal::kMaxScale) {
    throw std::out_of_range("decimal scale out of range");
  }
  return scale;
}

}  // namespace

Decimal Decimal::FromUnits(Int128 units, int scale) {
  Decimal d;
  d.units_ = units;
  d.scale_ = ClampScale(scale);
  return d;
}

Decimal Decimal::FromInteger(int64_t value, int scale) {
  return FromUnits(Int128{value} * PowerOfTen(ClampScale(scale)), scale);
}

std::optional<Decimal> Decimal::FromDouble(double value, int scale) {
  if (!std::isfinite(value)) {
    return std::nullopt;
  }
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc{}) {
    return std::nullopt;
  }
  return Parse(std::string_view(buffer, end - buffer), scale);
}

std::optional<Decimal> Decimal::Parse(std::string_view text, int scale) {
  ClampScale(scale);
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Significant digits and the power of ten they are scaled by.
  std::string digits;
  int exponent = 0;
  bool seenPoint = false;
  bool seenDigit = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c >= '0' && c <= '9') {
      seenDigit = true;
      if (!(digits.empty() && c == '0')) {
        digits.push_back(c);
      }
      if (seenPoint) {
        --exponent;
      }
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!seenDigit) {
    return std::nullopt;
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    int e = 0;
    const char* first = text.data() + pos + 1;
    if (first < text.data() + text.size() && *first == '+') {
      ++first;
    }
    const auto [p, ec] = std::from_chars(first, text.data() + text.size(), e);
    // Past any double's exponent the text is not an amount, and refusing it here keeps the
    // sums below clear of integer overflow.
    if (ec != std::errc{} || p != text.data() + text.size() || e > kMaxExponent ||
        e < -kMaxExponent) {
      return std::nullopt;
    }
    exponent += e;
    pos = text.size();
  }
  if (pos != text.size()) {
    return std::nullopt;
  }
  // value = digits * 10^exponent; wanted: units = value * 10^scale, rounded.
  const int shift = exponent + scale;
  if (digits.empty()) {
    return FromUnits(0, scale);
  }
  if (static_cast<int>(digits.size()) + shift > 36) {
    return std::nullopt;  // beyond what a report amount can hold
  }
  Int128 units = 0;
  if (shift >= 0) {
    for (char c : digits) {
      units = units * 10 + (c - '0');
    }
    units *= PowerOfTen(shift);
  } else {
    const int keep = static_cast<int>(digits.size()) + shift;  // digits left of the cut
    for (int i = 0; i < keep; ++i) {
      units = units * 10 + (digits[i] - '0');
    }
    // Half away from zero: look at the first dropped digit only, since the text is exact.
    const int firstDropped = keep < 0 ? -1 : keep;
    if (keep >= 0 && firstDropped < static_cast<int>(digits.size()) &&
        digits[firstDropped] >= '5') {
      ++units;
    }
  }
  return FromUnits(negative ? -units : units, scale);
}

std::optional<Decimal> Decimal::Divide(const Decimal& num, const Decimal& den, int scale) {
  if (den.units_ == 0) {
    return std::nullopt;
  }
  // (n / 10^ns) / (d / 10^ds) * 10^scale = n * 10^(ds + scale) / (d * 10^ns)
  Int128 numerator = num.units_ * PowerOfTen(den.scale_ + ClampScale(scale));
  Int128 denominator = den.units_ * PowerOfTen(num.scale_);
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  return FromUnits(DivideRounded(numerator, denominator), scale);
}

Decimal Decimal::Rescaled(int scale) const {
  ClampScale(scale);
  if (scale >= scale_) {
    return FromUnits(units_ * PowerOfTen(scale - scale_), scale);
  }
  return FromUnits(DivideRounded(units_, PowerOfTen(scale_ - scale)), scale);
}

Decimal& Decimal::operator+=(const Decimal& other) {
  if (other.scale_ > scale_) {
    *this = Rescaled(other.scale_);
  }
  units_ += other.units_ * PowerOfTen(scale_ - other.scale_);
  return *this;
}

double Decimal::ToDouble() const {
  // Through text, so that 0.1 comes back as the double nearest to 0.1.
  const std::string text = ToString();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string Decimal::Format(char decimalSeparator, char thousandsSeparator) const {
  const bool negative = units_ < 0;
  Int128 magnitude = negative ? -units_ : units_;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (static_cast<int>(digits.size()) <= scale_) {
    digits.insert(0, static_cast<size_t>(scale_) + 1 - digits.size(), '0');
  }
  const std::string integerPart = digits.substr(0, digits.size() - scale_);
  std::string result;
  for (size_t i = 0; i < integerPart.size(); ++i) {
    if (i > 0 && thousandsSeparator != '\0' && (integerPart.size() - i) % 3 == 0) {
      result.push_back(thousandsSeparator);
    }
    result.push_back(integerPart[i]);
  }
  if (scale_ > 0) {
    result.push_back(decimalSeparator);
    result += digits.substr(digits.size() - scale_);
  }
  return negative ? "-" + result : result;
}

std::string Decimal::ToString() const {
  return Format('.', '\0');
}

bool operator==(const Decimal& a, const Decimal& b) {
  const int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
  return a.Rescaled(scale).units_ == b.Rescaled(scale).units_;
}

}  // namespace orla::engine
