// The layout document: what a report prints and how (engine/README.md describes the JSON).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/expression.h"
#include "engine/format.h"

namespace orla::engine {

enum class Orientation { Portrait, Landscape };

enum class SectionKind {
  ReportHeader,
  PageHeader,
  GroupHeader,
  Details,
  GroupFooter,
  ReportFooter,
  PageFooter
};

enum class TotalKind { None, Sum, Count, Average, Expression };

struct ChartDef;  // engine/chart.h

// Text with {Field} and {@Formula} placeholders, resolved when the layout is read.
struct Template {
  struct Part {
    enum class Kind { Literal, Field, Formula } kind = Kind::Literal;
    std::string text;
    size_t index = 0;
  };
  std::vector<Part> parts;

  bool Empty() const { return parts.empty(); }
};

struct FieldDef {
  std::string id;  // the query column, or the name of a computed field
  bool computed = false;
  std::shared_ptr<const Expression> compute;
  std::string caption;
  FieldFormat format;
  double width = 10;  // relative to the other visible fields
  int wrapLines = 1;  // text longer than the cell wraps up to this many lines, then "…"
  bool visible = true;
  bool bar = false;  // a percent drawn as a bar beside its figure where the output can draw
  // Expressions read the value as stored rather than as printed: an average price whose
  // product with the litres must give back the value sold.
  bool exact = false;
  // Printed in place of a stored code ("C" -> "Combustíveis").
  std::vector<std::pair<std::string, std::string>> labels;
  TotalKind total = TotalKind::None;
  std::shared_ptr<const Expression> totalExpression;  // reads the totals of other fields
};

struct SortKey {
  size_t field = 0;
  bool descending = false;
};

struct GroupDef {
  size_t field = 0;
  Template header;
  Template footer;  // the label of the subtotal line
};

struct SectionDef {
  std::string name;
  SectionKind kind = SectionKind::Details;
  size_t group = 0;  // for group headers and footers
  std::vector<Template> lines;
  std::string subreport;  // placed as the section's first report object
  bool totals = false;    // a report footer that prints the grand totals line
  Template totalsLabel;
  std::shared_ptr<const ChartDef> chart;  // report headers and footers
};

// Rows by the row fields, a column per distinct value of the column field, the measures
// summed in each cell, totals both ways.
struct CrossTabDef {
  std::vector<size_t> rowFields;
  size_t columnField = 0;
  std::vector<size_t> measureFields;
};

struct Layout {
  std::string name;
  std::string title;
  std::string description;
  Orientation orientation = Orientation::Portrait;
  std::vector<FieldDef> fields;
  std::vector<SortKey> sort;
  std::vector<GroupDef> groups;
  bool details = true;  // false: groups print as summary lines, one per group
  std::optional<CrossTabDef> crosstab;
  std::vector<std::string> formulas;
  std::vector<SectionDef> sections;
  std::vector<Layout> subreports;

  // Names compare ignoring ASCII letter case, as the engine's member lookup does.
  std::optional<size_t> FindField(std::string_view id) const;
  std::optional<size_t> FindFormula(std::string_view name) const;
  const SectionDef* FindSection(std::string_view name) const;
  const Layout* FindSubreport(std::string_view name) const;
};

// Raises host::LayoutError naming the layout and what is wrong.
Layout ParseLayout(std::string_view json);
// One of the layouts compiled into the library; host::LayoutError naming an unknown one.
std::shared_ptr<const Layout> LoadLayout(std::string_view name);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orla::engine
