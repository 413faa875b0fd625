#include "engine/json_rows.h"

#include "engine/layout.h"
#include "engine/rows.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

using Json = nlohmann::json;
constexpr const char* kSource = "Recordset";

[[noreturn]] void NoRow() {
  throw host::HostError(host::error_number::kDatabase, "Either BOF or EOF is True", kSource);
}

}  // namespace

host::Value ValueFromJson(const Json& value, const FieldFormat& format) {
  switch (value.type()) {
    case Json::value_t::null:
      return {};
    case Json::value_t::boolean:
      return value.get<bool>();
    case Json::value_t::number_integer:
      return value.get<int64_t>();
    case Json::value_t::number_unsigned:
      return static_cast<int64_t>(value.get<uint64_t>());
    case Json::value_t::number_float:
      return value.get<double>();
    case Json::value_t::string: {
      const std::string& text = value.get_ref<const std::string&>();
      if (format.IsDateOrTime()) {
        if (auto date = DateOf(host::Value(text))) {
          return *date;
        }
      }
      return text;
    }
    default:
      throw host::LayoutError("A row value must be null, true, false, a number or text, not " +
                              value.dump());
  }
}

JsonRowsRecordset::JsonRowsRecordset(JsonOpener open, std::streamoff offset,
                                     std::vector<host::Column> columns,
                                     std::vector<FieldFormat> formats)
    : open_(std::move(open)),
      offset_(offset),
      columns_(std::move(columns)),
      formats_(std::move(formats)) {}

void JsonRowsRecordset::Start() {
  if (!started_) {
    MoveFirst();
  }
}

host::Value JsonRowsRecordset::Eof() {
  Start();
  return eof_;
}

void JsonRowsRecordset::MoveFirst() {
  if (!in_) {
    in_ = open_();
  }
  in_->clear();
  in_->seekg(offset_);
  started_ = true;
  first_ = true;
  eof_ = false;
  Read();
}

void JsonRowsRecordset::MoveNext() {
  Start();
  if (eof_) {
    NoRow();
  }
  Read();
}

// The next row's text, from its "[" to its "]": rows hold no lists, so the first "]" outside
// a string closes it.
void JsonRowsRecordset::Read() {
  std::istream& in = *in_;
  auto next = [&in] {
    char c = 0;
    while (in.get(c) && (c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
    }
    return in ? c : '\0';
  };
  char c = next();
  if (c == ']') {
    eof_ = true;
    return;
  }
  if (!first_) {
    c = c == ',' ? next() : '\0';
  }
  first_ = false;
  if (c != '[') {
    throw host::LayoutError("The rows of the report document changed while it was read");
  }
  text_.assign(1, '[');
  bool quoted = false;
  bool escaped = false;
  while (in.get(c)) {
    text_ += c;
    if (escaped) {
      escaped = false;
    } else if (quoted) {
      escaped = c == '\\';
      quoted = c != '"';
    } else if (c == '"') {
      quoted = true;
    } else if (c == ']') {
      break;
    }
  }
  const Json row = Json::parse(text_, nullptr, false);
  if (row.is_discarded() || !row.is_array() || row.size() != columns_.size()) {
    throw host::LayoutError("The rows of the report document changed while it was read");
  }
  values_.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    values_[i] = ValueFromJson(row[i], formats_[i]);
  }
}

host::Value JsonRowsRecordset::Field(std::string_view name) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoringCase(columns_[i].name, name)) {
      return FieldAt(i);
    }
  }
  throw host::HostError(host::error_number::kDatabase,
                        "Item cannot be found in the collection: " + std::string(name), kSource);
}

host::Value JsonRowsRecordset::FieldAt(std::size_t index) {
  Start();
  if (eof_) {
    NoRow();
  }
  if (index >= columns_.size()) {
    throw host::HostError(host::error_number::kDatabase,
                          "Item cannot be found in the collection: " + std::to_string(index),
                          kSource);
  }
  return values_[index];
}

}  // namespace orla::engine
