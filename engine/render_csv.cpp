// CSV in two dialects. Plain (RFC 4180) is for programs: the data as the query gave it, one
// line per row after a line of column names, numbers with a decimal point and dates in ISO
// form. Br is for people, opened by a spreadsheet in Portuguese: ";" between fields, the
// columns titled as printed, one line per detail line, numbers with a decimal comma and
// dates dd/mm/aaaa, UTF-8 with a byte-order mark so that the accents survive.
#include <charconv>

#include "engine/render_context.h"
#include "engine/rows.h"
#include "engine/writers.h"

namespace orla::engine {

namespace {

using Kind = host::Value::Kind;

std::string Quoted(const std::string& text, char separator = ',') {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
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

// The fields a reader of the printed report sees: its columns, and those whose values head
// its groups or key its cross-tab, in the layout's order.
std::vector<size_t> ReadersFields(const RenderContext& context) {
  const Layout& layout = context.GetLayout();
  std::vector<bool> shown(layout.fields.size(), false);
  for (const GroupDef& group : layout.groups) {
    shown[group.field] = true;
    for (const Template::Part& part : group.header.parts) {
      if (part.kind == Template::Part::Kind::Field) {
        shown[part.index] = true;
      }
    }
  }
  if (layout.crosstab) {
    for (size_t field : layout.crosstab->rowFields) {
      shown[field] = true;
    }
    shown[layout.crosstab->columnField] = true;
  }
  std::vector<size_t> fields;
  for (size_t f = 0; f < layout.fields.size(); ++f) {
    if (context.Present(f) && (layout.fields[f].visible || shown[f])) {
      fields.push_back(f);
    }
  }
  return fields;
}

std::string BrazilianValue(const RenderContext& context, size_t field, const host::Value& value) {
  const FieldDef& def = context.GetLayout().fields[field];
  if (value.IsNull()) {
    return {};
  }
  if (def.format.IsNumeric() && def.labels.empty()) {
    if (auto number = NumberOf(value, def.format.decimals)) {
      // Without thousands separators: a spreadsheet reads "1234,56" as a number everywhere.
      return number->Rescaled(def.format.decimals).Format(',', '\0');
    }
  }
  std::string text = context.Text(field, value);
  // A spreadsheet would run a text that starts like a formula; the quote keeps it text.
  if (!def.format.IsNumeric() && !def.format.IsDateOrTime() && !text.empty() &&
      std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
    text.insert(text.begin(), '\'');
  }
  return Quoted(text, ';');
}

void RenderBrazilianCsv(const Report& report, std::ostream& out) {
  const RenderContext context(report);
  const std::vector<size_t> fields = ReadersFields(context);
  std::string line = "\xEF\xBB\xBF";
  for (size_t i = 0; i < fields.size(); ++i) {
    line.append(i > 0 ? ";" : "")
        .append(Quoted(context.GetLayout().fields[fields[i]].caption, ';'));
  }
  out << line << "\r\n";
  const std::unique_ptr<RowSource> rows = context.OpenRows();
  rows->Rewind();
  int64_t number = 0;
  for (Row row; rows->Next(row);) {
    context.Compute(row, ++number);
    line.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
      line.append(i > 0 ? ";" : "").append(BrazilianValue(context, fields[i], row[fields[i]]));
    }
    out << line << "\r\n";
  }
}

}  // namespace

void RenderCsv(const Report& report, CsvDialect dialect, std::ostream& out) {
  if (dialect == CsvDialect::Br) {
    RenderBrazilianCsv(report, out);
    return;
  }
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
