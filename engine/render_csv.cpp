// CSV (RFC 4180): the data as the query gave it, one line per row after a line of column
// names; numbers with a decimal point and dates in ISO form, so that any program reads them.
#include <charconv>

#include "engine/rows.h"
#include "engine/writers.h"

namespace orla::engine {

namespace {

using Kind = host::Value::Kind;

std::string Quoted(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string result = "\"";
  for (char c : text) {
    result += c;
    if (c == '"') {
      result += '"';
    }
  }
  return result + '"';
}

std::string CsvValue(const host::Value& value) {
  switch (value.GetKind()) {
    case Kind::Null:
      return {};
    case Kind::Boolean:
      return value.AsBoolean() ? "1" : "0";
    case Kind::Integer:
      return std::to_string(value.AsInteger());
    case Kind::Double: {
      char buffer[32];
      const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble());
      return ec == std::errc{} ? std::string(buffer, end) : std::string();
    }
    case Kind::Text:
      return Quoted(value.AsText());
    case Kind::Date:
      return value.AsDate().ToIso();
  }
  return {};
}

}  // namespace

void RenderCsv(const Report& report, std::ostream& out) {
  host::Recordset* data = report.DataSource().get();
  std::string line;
  if (data == nullptr) {
    for (const FieldDef& field : report.GetLayout().fields) {
      if (!field.computed) {
        line.append(line.empty() ? "" : ",").append(Quoted(field.id));
      }
    }
    out << line << "\r\n";
    return;
  }
  const std::vector<host::Column>& columns = data->Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    line.append(i > 0 ? "," : "").append(Quoted(columns[i].name));
  }
  out << line << "\r\n";
  data->MoveFirst();
  for (;;) {
    if (AtEnd(*data)) {
      break;
    }
    line.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) {
        line += ',';
      }
      line += CsvValue(data->FieldAt(i));
    }
    out << line << "\r\n";
    data->MoveNext();
  }
}

}  // namespace orla::engine
