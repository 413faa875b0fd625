// The report as JSON, and back: a saved report re-renders without querying again, and a
// layout can be previewed from hand-written rows.
#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "engine/json_rows.h"
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

// Where the rows of one "rows" list start in the document, and what the first reading found
// in them: their lengths (a run of rows of one length per entry) and the first value that is
// a list or an object.
struct RowsFound {
  std::streamoff offset = 0;
  size_t count = 0;
  std::vector<std::pair<size_t, size_t>> lengths;  // first row, length
  std::optional<size_t> badRow;
  Json badValue;
};

// Not a row: a scalar or an object where a row should be.
constexpr size_t kNotAList = static_cast<size_t>(-1);

// Builds a document from SAX events.
class Builder {
 public:
  Json root;

  bool Open() const { return !stack_.empty(); }
  void Key(const std::string& key) { key_ = key; }
  void Value(Json value) { Place(std::move(value)); }
  void Start(Json container) { stack_.push_back(Place(std::move(container))); }
  void End() { stack_.pop_back(); }
  // The object being filled and the key of the next value, if the next value goes in one.
  bool InObject() const { return Open() && stack_.back()->is_object(); }
  const std::string& PendingKey() const { return key_; }

 private:
  Json* Place(Json value) {
    if (stack_.empty()) {
      root = std::move(value);
      return &root;
    }
    Json& top = *stack_.back();
    if (top.is_array()) {
      top.push_back(std::move(value));
      return &top.back();
    }
    Json& slot = top[key_];
    slot = std::move(value);
    return &slot;
  }

  std::vector<Json*> stack_;
  std::string key_;
};

// Reads the whole document once, keeping everything but the rows, which only leave where
// they start and what they hold; every "rows" list is a binary value in the document whose
// subtype is its index in `rows`. JSON text cannot hold a binary value, so none is mistaken.
class Scanner final : public nlohmann::json_sax<Json> {
 public:
  explicit Scanner(std::istream& in) : in_(in) {}

  Builder document;
  std::vector<RowsFound> rows;

  bool null() override { return Scalar(nullptr); }
  bool boolean(bool value) override { return Scalar(value); }
  bool number_integer(number_integer_t value) override { return Scalar(value); }
  bool number_unsigned(number_unsigned_t value) override { return Scalar(value); }
  bool number_float(number_float_t value, const string_t&) override { return Scalar(value); }
  bool string(string_t& value) override { return Scalar(std::move(value)); }
  bool binary(binary_t&) override { return false; }

  bool key(string_t& key) override {
    if (depth_ < 0) {
      document.Key(key);
    } else if (capturing_) {
      bad_.Key(key);
    }
    return true;
  }

  bool start_object(std::size_t) override { return Start(Json::object()); }
  bool start_array(std::size_t) override {
    if (depth_ < 0 && document.InObject() && document.PendingKey() == "rows") {
      RowsFound found;
      found.offset = in_.tellg();
      document.Value(Json::binary({}, rows.size()));
      rows.push_back(std::move(found));
      depth_ = 0;
      return true;
    }
    return Start(Json::array());
  }
  bool end_object() override { return End(); }
  bool end_array() override { return End(); }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool Scalar(Json value) {
    if (depth_ < 0) {
      document.Value(std::move(value));
    } else if (depth_ == 0) {
      NewRow(false);
      CloseRow();
    } else if (depth_ == 1) {
      length_ += rowIsList_ ? 1 : 0;
    } else if (capturing_) {
      bad_.Value(std::move(value));
    }
    return true;
  }

  bool Start(Json container) {
    if (depth_ < 0) {
      document.Start(std::move(container));
      return true;
    }
    if (depth_ == 0) {
      NewRow(container.is_array());
    } else if (depth_ == 1 && rowIsList_) {
      ++length_;
      if (!found().badRow) {
        found().badRow = found().count - 1;
        capturing_ = true;
      }
    }
    if (capturing_) {
      bad_.Start(std::move(container));
    }
    ++depth_;
    return true;
  }

  bool End() {
    if (depth_ < 0) {
      document.End();
      return true;
    }
    if (depth_ == 1) {
      CloseRow();
    } else if (depth_ > 1 && capturing_) {
      bad_.End();
      if (!bad_.Open()) {
        capturing_ = false;
        found().badValue = std::move(bad_.root);
      }
    }
    --depth_;
    return true;
  }

  RowsFound& found() { return rows.back(); }

  void NewRow(bool list) {
    ++found().count;
    rowIsList_ = list;
    length_ = 0;
  }

  void CloseRow() {
    const size_t length = rowIsList_ ? length_ : kNotAList;
    auto& lengths = found().lengths;
    if (lengths.empty() || lengths.back().second != length) {
      lengths.emplace_back(found().count - 1, length);
    }
  }

  std::istream& in_;
  int depth_ = -1;  // in the rows: 0 between rows, 1 in a row, more inside a value of a row
  bool rowIsList_ = false;
  size_t length_ = 0;
  bool capturing_ = false;
  Builder bad_;
};

// Binds the rows of `doc` ("columns" and "rows") to `report`, to be read from the document.
void BindRows(Report& report, const Json& doc, const std::vector<RowsFound>& found,
              const JsonOpener& open) {
  const Layout& layout = report.GetLayout();
  const Json& columns = doc.at("columns");
  const Json& rows = doc.at("rows");
  if (!columns.is_array() || !rows.is_binary()) {
    Fail("\"columns\" and \"rows\" of " + layout.name + " must be lists");
  }
  const RowsFound& these = found.at(rows.get_binary().subtype());
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
  // The first faulty row decides: one of another length, or one holding a list or an object.
  std::optional<size_t> wrongLength;
  for (const auto& [first, length] : these.lengths) {
    if (length != recordColumns.size()) {
      wrongLength = first;
      break;
    }
  }
  if (wrongLength && (!these.badRow || *wrongLength <= *these.badRow)) {
    Fail("Every row of " + layout.name + " needs one value per column (" +
         std::to_string(recordColumns.size()) + ")");
  }
  if (these.badRow) {
    ValueFromJson(these.badValue, FieldFormat{});
  }
  report.SetDataSource(std::make_shared<JsonRowsRecordset>(
      open, these.offset, std::move(recordColumns), std::move(formats)));
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
      << ",\"headerLines\":" << Dump(headerLines) << ",\"filters\":" << Dump(report.FiltersLine())
      << ",\"formulas\":";
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

namespace {

std::shared_ptr<Report> ReadReport(const JsonOpener& open) {
  const std::unique_ptr<std::istream> in = open();
  Scanner scanner(*in);
  const bool parsed = Json::sax_parse(*in, &scanner);
  const Json& whole = scanner.document.root;
  if (!parsed || !whole.is_object()) {
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
  if (doc.contains("filters") && doc.at("filters").is_string()) {
    report->SetFiltersLine(doc.at("filters").get<std::string>());
  }
  SetFormulas(*report, doc);
  BindRows(*report, doc, scanner.rows, open);
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
        BindRows(*sub, s, scanner.rows, open);
      }
    }
  }
  return report;
}

}  // namespace

std::shared_ptr<Report> ReportFromJson(std::string_view text) {
  auto copy = std::make_shared<const std::string>(text);
  return ReadReport([copy] { return std::make_unique<std::istringstream>(*copy); });
}

std::shared_ptr<Report> ReportFromJsonFile(const std::filesystem::path& file) {
  return ReadReport([file]() -> std::unique_ptr<std::istream> {
    auto in = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!*in) {
      Fail("Cannot read " + file.string());
    }
    return in;
  });
}

}  // namespace orla::engine
