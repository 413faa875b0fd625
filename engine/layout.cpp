#include "engine/layout.h"

#include <set>

#include <nlohmann/json.hpp>

#include "engine/chart.h"
#include "host/errors.h"
#include "layouts/layouts.h"

namespace orla::engine {

namespace {

using Json = nlohmann::json;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

class Reader {
 public:
  explicit Reader(std::string where) : where_(std::move(where)) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw host::LayoutError("Layout " + where_ + ": " + what);
  }

  const Json& Member(const Json& object, const char* key) const {
    if (!object.is_object() || !object.contains(key)) {
      Fail(std::string("\"") + key + "\" is missing");
    }
    return object.at(key);
  }

  std::string Required(const Json& object, const char* key) const {
    if (!object.contains(key)) {
      Fail(std::string("\"") + key + "\" is missing");
    }
    return Text(object, key, "");
  }

  std::string Text(const Json& object, const char* key, const std::string& fallback) const {
    if (!object.contains(key)) {
      return fallback;
    }
    const Json& value = object.at(key);
    if (!value.is_string()) {
      Fail(std::string("\"") + key + "\" must be text");
    }
    return value.get<std::string>();
  }

  bool Flag(const Json& object, const char* key, bool fallback) const {
    if (!object.contains(key)) {
      return fallback;
    }
    if (!object.at(key).is_boolean()) {
      Fail(std::string("\"") + key + "\" must be true or false");
    }
    return object.at(key).get<bool>();
  }

  double Number(const Json& object, const char* key, double fallback) const {
    if (!object.contains(key)) {
      return fallback;
    }
    if (!object.at(key).is_number()) {
      Fail(std::string("\"") + key + "\" must be a number");
    }
    return object.at(key).get<double>();
  }

 private:
  std::string where_;
};

Template ParseTemplate(const Reader& reader, const Layout& layout, std::string_view text) {
  Template result;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('{', pos);
    if (open == std::string_view::npos) {
      result.parts.push_back({Template::Part::Kind::Literal, std::string(text.substr(pos)), 0});
      break;
    }
    if (open > pos) {
      result.parts.push_back(
          {Template::Part::Kind::Literal, std::string(text.substr(pos, open - pos)), 0});
    }
    const size_t close = text.find('}', open);
    if (close == std::string_view::npos) {
      reader.Fail("unclosed '{' in \"" + std::string(text) + "\"");
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && name.front() == '@') {
      const auto index = layout.FindFormula(name.substr(1));
      if (!index) {
        reader.Fail("text \"" + std::string(text) + "\" names no formula of the layout");
      }
      result.parts.push_back({Template::Part::Kind::Formula, {}, *index});
    } else {
      const auto index = layout.FindField(name);
      if (!index) {
        reader.Fail("text \"" + std::string(text) + "\" names no field of the layout");
      }
      result.parts.push_back({Template::Part::Kind::Field, {}, *index});
    }
    pos = close + 1;
  }
  return result;
}

size_t FieldIndex(const Reader& reader, const Layout& layout, const Json& name) {
  if (!name.is_string()) {
    reader.Fail("a field reference must be a field name");
  }
  const auto index = layout.FindField(name.get<std::string>());
  if (!index) {
    reader.Fail("no field named " + name.get<std::string>());
  }
  return *index;
}

SectionKind KindFromName(const Reader& reader, const std::string& name) {
  static const std::pair<std::string_view, SectionKind> kKinds[] = {
      {"reportHeader", SectionKind::ReportHeader}, {"pageHeader", SectionKind::PageHeader},
      {"groupHeader", SectionKind::GroupHeader},   {"details", SectionKind::Details},
      {"groupFooter", SectionKind::GroupFooter},   {"reportFooter", SectionKind::ReportFooter},
      {"pageFooter", SectionKind::PageFooter},
  };
  for (const auto& [n, k] : kKinds) {
    if (n == name) {
      return k;
    }
  }
  reader.Fail("unknown section kind " + name);
}

void ParseFields(const Reader& reader, const Json& doc, Layout& layout) {
  const Json& fields = reader.Member(doc, "fields");
  if (!fields.is_array() || fields.empty()) {
    reader.Fail("\"fields\" must be a list of fields");
  }
  // Names first, so that expressions and templates may refer to any field.
  for (const Json& f : fields) {
    FieldDef field;
    if (f.contains("column")) {
      field.id = reader.Required(f, "column");
    } else {
      field.id = reader.Required(f, "name");
      field.computed = true;
      if (!f.contains("compute")) {
        reader.Fail("computed field " + field.id + " has no \"compute\"");
      }
    }
    if (layout.FindField(field.id)) {
      reader.Fail("field " + field.id + " appears twice");
    }
    layout.fields.push_back(std::move(field));
  }
  const Expression::Resolver formula = [&](std::string_view n) { return layout.FindFormula(n); };
  for (size_t i = 0; i < fields.size(); ++i) {
    const Json& f = fields[i];
    FieldDef& field = layout.fields[i];
    // A computed field reads the fields before it, which the row already holds.
    const Expression::Resolver earlier = [&](std::string_view n) -> std::optional<size_t> {
      const auto index = layout.FindField(n);
      if (index && *index >= i && layout.fields[*index].computed) {
        reader.Fail("computed field " + field.id + " reads " + std::string(n) +
                    ", which is computed later");
      }
      return index;
    };
    if (field.computed) {
      field.compute = Expression::Parse(reader.Required(f, "compute"), earlier, formula);
      // Report totals are summed before the rows print, from the query's own columns.
      for (size_t read : field.compute->TotalsRead()) {
        if (layout.fields[read].computed) {
          reader.Fail("computed field " + field.id + " reads total(" + layout.fields[read].id +
                      "), which is not a query column");
        }
      }
    }
    field.caption = reader.Text(f, "caption", field.id);
    const std::string formatName = reader.Text(f, "format", "text");
    std::optional<int> decimals;
    if (f.contains("decimals")) {
      decimals = static_cast<int>(reader.Number(f, "decimals", 0));
    }
    const auto format = FormatFromName(formatName, decimals);
    if (!format) {
      reader.Fail("field " + field.id + " has an unknown format " + formatName);
    }
    field.format = *format;
    field.width = reader.Number(f, "width", 10);
    field.wrapLines = static_cast<int>(reader.Number(f, "wrap", 1));
    field.visible = reader.Flag(f, "visible", true);
    field.bar = reader.Flag(f, "bar", false);
    field.exact = reader.Flag(f, "exact", false);
    if (field.bar && field.format.kind != FormatKind::Percent) {
      reader.Fail("field " + field.id + " draws a bar, which needs the percent format");
    }
    if (field.width <= 0 || field.wrapLines < 1) {
      reader.Fail("field " + field.id + " needs a positive width and wrap");
    }
    if (f.contains("labels")) {
      for (const auto& [code, label] : f.at("labels").items()) {
        if (!label.is_string()) {
          reader.Fail("labels of field " + field.id + " must be text");
        }
        field.labels.emplace_back(code, label.get<std::string>());
      }
    }
    if (f.contains("total")) {
      const Json& total = f.at("total");
      const Expression::Resolver any = [&](std::string_view n) { return layout.FindField(n); };
      if (total.is_object()) {
        field.total = TotalKind::Expression;
        field.totalExpression =
            Expression::Parse(reader.Required(total, "expression"), any, formula);
        for (size_t read : field.totalExpression->TotalsRead()) {
          if (layout.fields[read].computed) {
            reader.Fail("the total of " + field.id + " reads total(" + layout.fields[read].id +
                        "), which is not a query column");
          }
        }
      } else if (total == "sum") {
        field.total = TotalKind::Sum;
      } else if (total == "count") {
        field.total = TotalKind::Count;
      } else if (total == "average") {
        field.total = TotalKind::Average;
      } else if (total != "none") {
        reader.Fail("field " + field.id + " has an unknown total " + total.dump());
      }
      if ((field.total == TotalKind::Sum || field.total == TotalKind::Average) &&
          !field.format.IsNumeric()) {
        reader.Fail("field " + field.id + " is not numeric and cannot be summed");
      }
    }
  }
}

void ParseSections(const Reader& reader, const Json& doc, Layout& layout) {
  const Json& sections = reader.Member(doc, "sections");
  if (!sections.is_array()) {
    reader.Fail("\"sections\" must be a list");
  }
  size_t detailSections = 0;
  for (const Json& s : sections) {
    SectionDef section;
    section.name = reader.Required(s, "name");
    if (layout.FindSection(section.name)) {
      reader.Fail("section " + section.name + " appears twice");
    }
    section.kind = KindFromName(reader, reader.Required(s, "kind"));
    if (section.kind == SectionKind::Details) {
      ++detailSections;
    }
    if (section.kind == SectionKind::GroupHeader || section.kind == SectionKind::GroupFooter) {
      const size_t field = FieldIndex(reader, layout, reader.Member(s, "group"));
      size_t g = 0;
      while (g < layout.groups.size() && layout.groups[g].field != field) {
        ++g;
      }
      if (g == layout.groups.size()) {
        reader.Fail("section " + section.name + " belongs to no group of the layout");
      }
      section.group = g;
    }
    if (s.contains("lines")) {
      // A group footer prints its group's totals and a details section the rows.
      if (section.kind == SectionKind::GroupFooter || section.kind == SectionKind::Details) {
        reader.Fail("section " + section.name + " cannot print lines");
      }
      for (const Json& line : s.at("lines")) {
        if (!line.is_string()) {
          reader.Fail("lines of section " + section.name + " must be text");
        }
        section.lines.push_back(ParseTemplate(reader, layout, line.get<std::string>()));
      }
    }
    section.subreport = reader.Text(s, "subreport", "");
    section.totals = reader.Flag(s, "totals", false);
    if (section.totals && section.kind != SectionKind::ReportFooter) {
      reader.Fail("only report footers print the grand totals (section " + section.name + ")");
    }
    section.totalsLabel = ParseTemplate(reader, layout, reader.Text(s, "label", "Total geral"));
    if (s.contains("chart")) {
      // Drawn once, where the rows have all been read: before the table or after it.
      if (section.kind != SectionKind::ReportHeader && section.kind != SectionKind::ReportFooter) {
        reader.Fail("section " + section.name + " cannot hold a chart");
      }
      section.chart =
          std::make_shared<const ChartDef>(ParseChart(s.at("chart"), layout, section.name));
    }
    layout.sections.push_back(std::move(section));
  }
  if (detailSections != 1) {
    reader.Fail("a layout has exactly one details section");
  }
}

Layout ParseLayoutObject(const Json& doc, const std::string& where) {
  Reader reader(where);
  if (!doc.is_object()) {
    reader.Fail("the document is not a JSON object");
  }
  Layout layout;
  layout.name = reader.Required(doc, "name");
  reader = Reader(layout.name);
  layout.title = reader.Required(doc, "title");
  layout.description = reader.Text(doc, "description", "");
  const std::string orientation = reader.Text(doc, "orientation", "portrait");
  if (orientation == "landscape") {
    layout.orientation = Orientation::Landscape;
  } else if (orientation != "portrait") {
    reader.Fail("orientation must be portrait or landscape");
  }
  if (doc.contains("formulas")) {
    for (const Json& f : doc.at("formulas")) {
      if (!f.is_string()) {
        reader.Fail("formula names must be text");
      }
      layout.formulas.push_back(f.get<std::string>());
    }
  }
  ParseFields(reader, doc, layout);
  if (doc.contains("sort")) {
    for (const Json& k : doc.at("sort")) {
      SortKey key;
      if (k.is_object()) {
        key.field = FieldIndex(reader, layout, reader.Member(k, "field"));
        key.descending = reader.Flag(k, "descending", false);
      } else {
        key.field = FieldIndex(reader, layout, k);
      }
      layout.sort.push_back(key);
    }
  }
  if (doc.contains("groups")) {
    for (const Json& g : doc.at("groups")) {
      GroupDef group;
      group.field = FieldIndex(reader, layout, reader.Member(g, "field"));
      const std::string& id = layout.fields[group.field].id;
      group.header = ParseTemplate(reader, layout, reader.Text(g, "header", "{" + id + "}"));
      group.footer = ParseTemplate(reader, layout, reader.Text(g, "footer", "Total {" + id + "}"));
      layout.groups.push_back(std::move(group));
    }
  }
  layout.details = reader.Flag(doc, "details", true);
  if (!layout.details && layout.groups.empty()) {
    reader.Fail("a layout without details needs groups to summarise");
  }
  if (doc.contains("crosstab")) {
    const Json& c = doc.at("crosstab");
    CrossTabDef crosstab;
    for (const Json& r : reader.Member(c, "rows")) {
      crosstab.rowFields.push_back(FieldIndex(reader, layout, r));
    }
    crosstab.columnField = FieldIndex(reader, layout, reader.Member(c, "column"));
    for (const Json& v : reader.Member(c, "values")) {
      const size_t index = FieldIndex(reader, layout, v);
      if (!layout.fields[index].format.IsNumeric()) {
        reader.Fail("cross-tab value " + layout.fields[index].id + " is not numeric");
      }
      const TotalKind total = layout.fields[index].total;
      if (total != TotalKind::None && total != TotalKind::Sum) {
        reader.Fail("cross-tab value " + layout.fields[index].id +
                    " is totalled by \"sum\" or not at all");
      }
      crosstab.measureFields.push_back(index);
    }
    if (crosstab.rowFields.empty() || crosstab.measureFields.empty()) {
      reader.Fail("a cross-tab needs row fields and values");
    }
    if (!layout.groups.empty()) {
      reader.Fail("a cross-tab has no groups");
    }
    layout.crosstab = std::move(crosstab);
  }
  if (doc.contains("subreports")) {
    for (const Json& sub : doc.at("subreports")) {
      layout.subreports.push_back(ParseLayoutObject(sub, layout.name + " (subreport)"));
    }
  }
  ParseSections(reader, doc, layout);
  std::set<std::string> placed;
  for (const SectionDef& s : layout.sections) {
    if (s.subreport.empty()) {
      continue;
    }
    if (!layout.FindSubreport(s.subreport)) {
      reader.Fail("section " + s.name + " places an unknown subreport " + s.subreport);
    }
    if (!placed.insert(s.subreport).second) {
      reader.Fail("subreport " + s.subreport + " is placed twice");
    }
  }
  if (placed.size() != layout.subreports.size()) {
    reader.Fail("every subreport must be placed in a section");
  }
  return layout;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::optional<size_t> Layout::FindField(std::string_view id) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (EqualsIgnoringCase(fields[i].id, id)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<size_t> Layout::FindFormula(std::string_view name) const {
  for (size_t i = 0; i < formulas.size(); ++i) {
    if (EqualsIgnoringCase(formulas[i], name)) {
      return i;
    }
  }
  return std::nullopt;
}

const SectionDef* Layout::FindSection(std::string_view name) const {
  for (const SectionDef& s : sections) {
    if (EqualsIgnoringCase(s.name, name)) {
      return &s;
    }
  }
  return nullptr;
}

const Layout* Layout::FindSubreport(std::string_view name) const {
  for (const Layout& s : subreports) {
    if (EqualsIgnoringCase(s.name, name)) {
      return &s;
    }
  }
  return nullptr;
}

Layout ParseLayout(std::string_view json) {
  Json doc = Json::parse(json, nullptr, false);
  if (doc.is_discarded()) {
    throw host::LayoutError("Layout document is not valid JSON");
  }
  return ParseLayoutObject(doc, "document");
}

std::shared_ptr<const Layout> LoadLayout(std::string_view name) {
  const auto text = layouts::Find(name);
  if (!text) {
    throw host::LayoutError("Report layout not found: " + std::string(name));
  }
  auto layout = std::make_shared<Layout>(ParseLayout(*text));
  if (layout->name != name) {
    throw host::LayoutError("Layout document " + std::string(name) + " is named " + layout->name);
  }
  return layout;
}

}  // namespace orla::engine
