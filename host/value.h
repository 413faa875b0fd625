// The loosely typed value of the host: recordset fields, by-name arguments, command
// parameters. Coercions between kinds follow the regional settings (regional_settings.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "host/date_time.h"

namespace orla::host {

class Value {
 public:
  enum class Kind { Null, Boolean, Integer, Double, Text, Date };

  Value() = default;
  Value(std::nullptr_t) {}
  Value(bool v) : v_(v) {}
  Value(int32_t v) : v_(int64_t{v}) {}
  Value(int64_t v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(std::string v) : v_(std::move(v)) {}
  Value(std::string_view v) : v_(std::string(v)) {}
  Value(const char* v) : v_(std::string(v)) {}
  Value(DateTime v) : v_(v) {}

  Kind GetKind() const { return static_cast<Kind>(v_.index()); }
  bool IsNull() const { return GetKind() == Kind::Null; }

  // The value itself, of exactly this kind; any other kind is a type mismatch.
  bool AsBoolean() const;
  int64_t AsInteger() const;
  double AsDouble() const;
  const std::string& AsText() const;
  DateTime AsDate() const;

  // Readable and unambiguous, for messages and test failures: null, true, 17, 7.5, "text",
  // 2024-03-01.
  std::string Describe() const;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, DateTime> v_;
};

std::string_view KindName(Value::Kind kind);

}  // namespace orla::host
