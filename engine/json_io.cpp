// The report as JSON, and back: a saved report re-renders without querying again, and a
// layout can be previewed from hand-written rows.
#include <nlohmann/json.hpp>

#include "engine/memory_recordset.h"
#include "engine/render.h"
#include "engine/rows.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

using Json = nlohmann::json;
using Kind = host::Value::Kind;

// Text that is not valid UTF-8 is written with replacement characters rather than failing.
std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json ToJson(const host::Value& value) {
  switch (value.GetKind()) {
    case Kind::Null:
      return nullptr;
    case Kind::Boolean:
      return value.AsBoolean();
    case Kind::Integer:
      return value.AsInteger();
    case Kind::Double:
      return value.AsDouble();
    case Kind::Text:
      return value.AsText();
    case Kind::Date:
      return value.AsDate().ToIso();
  }
  return nullptr;
}

void WriteFormulas(const Report& report, std::ostream& out) {
  Json formulas = Json::object();
  for (const auto& [name, text] : report.Formulas()) {
    formulas[name] = text;
  }
  out << Dump(formulas);
}

// "columns" and "rows", one row a line; the recordset is read from its first row to EOF.
void WriteData(const Report& report, std::ostream& out) {
  host::Recordset* data = report.DataSource().get();
  Json columns = Json::array();
  if (data != nullptr) {
    for (const host::Column& c : data->Columns()) {
      columns.push_back(c.name);
    }
  }
  out << ",\"columns\":" << Dump(columns) << ",\"rows\":[";
  if (data != nullptr) {
    const size_t width = columns.size();
    data->MoveFirst();
    bool first = true;
    for (;;) {
      if (AtEnd(*data)) {
        break;
      }
      Json row = Json::array();
      for (size_t i = 0; i < width; ++i) {
        row.push_back(ToJson(data->FieldAt(i)));
      }
      out << (first ? "\n" : ",\n") << Dump(row);
      first = false;
      data->MoveNext();
    }
    if (!first) {
      out << '\n';
    }
  }
  out << ']';
}

[[noreturn]] void Fail(const std::string& what) {
  throw host::LayoutError(what);
}

host::ColumnType TypeOf(const FieldFormat& format) {
  if (format.IsDateOrTime()) {
    return host::ColumnType::Date;
  }
  if (format.kind == FormatKind::Integer) {
    return host::ColumnType::Integer;
  }
  if (format.IsNumeric()) {
    return host::ColumnType::Double;
  }
  return format.kind == FormatKind::Boolean ? host::ColumnType::Boolean : host::ColumnType::Text;
}

host::Value FromJson(const Json& value, const FieldFormat& format) {
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
      Fail("A row value must be null, true, false, a number or text, not " + value.dump());
  }
}

// Binds the rows of `doc` ("columns" and "rows") to `report`.
void BindRows(Report& report, const Json& doc) {
  const Layout& layout = report.GetLayout();
  const Json& columns = doc.at("columns");
  const Json& rows = doc.at("rows");
  if (!columns.is_array() || !rows.is_array()) {
    Fail("\"columns\" and \"rows\" of " + layout.name + " must be lists");
  }
  std::vector<host::Column> recordColumns;
  std::vector<FieldFormat> formats;
  for (const Json& c : columns) {
    const Json& name = c.is_object() && c.contains("name") ? c.at("name") : c;
    if (!name.is_string()) {
      Fail("A column of " + layout.name + " must be named by text");
    }
    const auto field = layout.FindField(name.get<std::string>());
    if (!field || layout.fields[*field].computed) {
      Fail("Layout " + layout.name + " has no column " + name.get<std::string>());
    }
    formats.push_back(layout.fields[*field].format);
    recordColumns.push_back({name.get<std::string>(), TypeOf(formats.back())});
  }
  std::vector<MemoryRecordset::Row> values;
  values.reserve(rows.size());
  for (const Json& r : rows) {
    if (!r.is_array() || r.size() != recordColumns.size()) {
      Fail("Every row of " + layout.name + " needs one value per column (" +
           std::to_string(recordColumns.size()) + ")");
    }
    MemoryRecordset::Row row;
    for (size_t i = 0; i < r.size(); ++i) {
      row.push_back(FromJson(r[i], formats[i]));
    }
    values.push_back(std::move(row));
  }
  report.SetDataSource(
      std::make_shared<MemoryRecordset>(std::move(recordColumns), std::move(values)));
}

void SetFormulas(Report& report, const Json& doc) {
  if (!doc.contains("formulas") || doc.at("formulas").is_null()) {
    return;
  }
  for (const auto& [name, text] : doc.at("formulas").items()) {
    if (!text.is_string()) {
      Fail("Formula " + name + " must be text");
    }
    report.SetFormula(name, text.get<std::string>());
  }
}

}  // namespace

void WriteReportJson(Report& report, std::ostream& out) {
  const Json headerLines = {report.HeaderLines()[0], report.HeaderLines()[1]};
  out << "{\"layout\":" << Dump(report.LayoutName()) << ",\"title\":" << Dump(report.Title())
      << ",\"headerLines\":" << Dump(headerLines) << ",\"formulas\":";
  WriteFormulas(report, out);
  WriteData(report, out);
  out << ",\"subreports\":[";
  bool first = true;
  for (const auto& sub : report.Subreports()) {
    out << (first ? "" : ",") << "{\"name\":" << Dump(sub->LayoutName()) << ",\"formulas\":";
    WriteFormulas(*sub, out);
    WriteData(*sub, out);
    out << '}';
    first = false;
  }
  out << "]}";
}

std::shared_ptr<Report> ReportFromJson(std::string_view text) {
  const Json whole = Json::parse(text, nullptr, false);
  if (whole.is_discarded() || !whole.is_object()) {
    Fail("The report document is not a JSON object");
  }
  const Json& doc = whole.contains("report") ? whole.at("report") : whole;
  if (!doc.is_object()) {
    Fail("The document holds no report");
  }
  for (const char* key : {"layout", "columns", "rows"}) {
    if (!doc.contains(key)) {
      Fail(std::string("The report document has no \"") + key + "\"");
    }
  }
  if (!doc.at("layout").is_string()) {
    Fail("\"layout\" must name a layout");
  }
  auto report = CreateReport(doc.at("layout").get<std::string>());
  if (doc.contains("title") && doc.at("title").is_string()) {
    report->SetReportTitle(doc.at("title").get<std::string>());
  }
  if (doc.contains("headerLines") && doc.at("headerLines").is_array()) {
    const Json& lines = doc.at("headerLines");
    for (size_t i = 0; i < lines.size() && i < 2; ++i) {
      if (lines[i].is_string()) {
        report->SetHeaderLine(static_cast<int>(i), lines[i].get<std::string>());
      }
    }
  }
  SetFormulas(*report, doc);
  BindRows(*report, doc);
  if (doc.contains("subreports") && doc.at("subreports").is_array()) {
    for (const Json& s : doc.at("subreports")) {
      if (!s.is_object() || !s.contains("name") || !s.at("name").is_string()) {
        Fail("A subreport of " + report->LayoutName() + " needs a \"name\"");
      }
      const std::string name = s.at("name").get<std::string>();
      auto sub = report->Subreport(name);
      if (!sub) {
        Fail("Layout " + report->LayoutName() + " has no subreport " + name);
      }
      SetFormulas(*sub, s);
      if (s.contains("rows") && s.contains("columns")) {
        BindRows(*sub, s);
      }
    }
  }
  return report;
}

}  // namespace orla::engine
