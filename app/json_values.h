// Host values as JSON: dates "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", numbers as numbers.
#pragma once

#include <nlohmann/json.hpp>

#include "host/value.h"

namespace orla::app {

inline nlohmann::ordered_json ToJson(const host::Value& value) {
  switch (value.GetKind()) {
    case host::Value::Kind::Null:
      return nullptr;
    case host::Value::Kind::Boolean:
      return value.AsBoolean();
    case host::Value::Kind::Integer:
      return value.AsInteger();
    case host::Value::Kind::Double:
      return value.AsDouble();
    case host::Value::Kind::Text:
      return value.AsText();
    case host::Value::Kind::Date:
      return value.AsDate().ToIso();
  }
  return nullptr;
}

}  // namespace orla::app
