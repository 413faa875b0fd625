#include "host/value.h"

#include <charconv>

#include "host/errors.h"

namespace orla::host {

namespace {

template <typename T>
const T& Get(const std::variant<std::monostate, bool, int64_t, double, std::string, DateTime>& v,
             Value::Kind wanted, Value::Kind actual) {
  if (const T* p = std::get_if<T>(&v)) {
    return *p;
  }
  if (actual == Value::Kind::Null) {
    throw HostError(error_number::kInvalidUseOfNull, "Invalid use of Null");
  }
  throw HostError(error_number::kTypeMismatch, "Type mismatch: expected " +
                                                   std::string(KindName(wanted)) + ", got " +
                                                   std::string(KindName(actual)));
}

}  // namespace

bool Value::AsBoolean() const {
  return Get<bool>(v_, Kind::Boolean, GetKind());
}
int64_t Value::AsInteger() const {
  return Get<int64_t>(v_, Kind::Integer, GetKind());
}
double Value::AsDouble() const {
  return Get<double>(v_, Kind::Double, GetKind());
}
const std::string& Value::AsText() const {
  return Get<std::string>(v_, Kind::Text, GetKind());
}
DateTime Value::AsDate() const {
  return Get<DateTime>(v_, Kind::Date, GetKind());
}

std::string Value::Describe() const {
  switch (GetKind()) {
    case Kind::Null:
      return "null";
    case Kind::Boolean:
      return AsBoolean() ? "true" : "false";
    case Kind::Integer:
      return std::to_string(AsInteger());
    case Kind::Double: {
      char buffer[32];
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, AsDouble());
      return std::string(buffer, ec == std::errc{} ? end : buffer);
    }
    case Kind::Text:
      return '"' + AsText() + '"';
    case Kind::Date:
      return AsDate().ToIso();
  }
  return {};
}

std::string_view KindName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Null:
      return "null";
    case Value::Kind::Boolean:
      return "Boolean";
    case Value::Kind::Integer:
      return "integer";
    case Value::Kind::Double:
      return "double";
    case Value::Kind::Text:
      return "text";
    case Value::Kind::Date:
      return "date";
  }
  return "?";
}

}  // namespace orla::host
