// A report of the engine: a layout, the data bound to it, its formulas, its two header lines
// and its subreports. It offers the operations the library calls on a report (host/), plus
// what the host's ReportHelper and the renderers need.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/layout.h"
#include "engine/rows.h"
#include "host/database.h"
#include "host/report_engine.h"

namespace orla::engine {

// Where a figure leads, for the outputs a reader clicks (the HTML file, the viewer's pages):
// the address a cell of one of `fields` opens, from its row's values (`valueOf` gives null for
// a field the row does not hold); empty for none. Other outputs never see it.
struct CellLinks {
  using ValueOf = std::function<const host::Value*(std::string_view field)>;
  std::vector<std::string> fields;
  std::function<std::string(std::string_view field, const ValueOf& valueOf)> address;
};

class Report final : public host::Report {
 public:
  // A report of `layout` with no data bound.
  explicit Report(std::shared_ptr<const Layout> layout);
  ~Report() override;

  host::ReportDatabase& Database() override;
  // The layouts hold no saved data, so only the bound recordset ever prints: nothing to drop.
  void DiscardSavedData() override {}
  host::ReportSection& Section(std::string_view name) override;
  std::shared_ptr<host::Report> OpenSubreportByName(std::string_view name) override;
  std::string ReportTitle() override { return title_; }
  void SetReportTitle(std::string_view title) override { title_ = std::string(title); }

  // Raises host::LayoutError naming a formula the layout lacks.
  void SetFormula(std::string_view name, std::string_view text) override;
  void SetHeaderLine(int32_t line, std::string_view text) override;
  void SetDataSource(host::RecordsetRef recordset) {
    data_ = std::move(recordset);
    kept_ = {};
  }
  // The host's user, whom the foot of the printed report names.
  void SetPrintedBy(std::string user) { printedBy_ = std::move(user); }
  // The host's line of the run's filters, printed under the caption; none when empty.
  void SetFiltersLine(std::string line) { filtersLine_ = std::move(line); }
  void SetLinks(std::shared_ptr<const CellLinks> links) { links_ = std::move(links); }

  const Layout& GetLayout() const { return *layout_; }
  const std::string& LayoutName() const { return layout_->name; }
  const std::string& Title() const { return title_; }
  const std::array<std::string, 2>& HeaderLines() const { return headerLines_; }
  // The text of the layout's formula `index`, as it was set; nothing when it was not.
  const std::optional<std::string>& FormulaText(size_t index) const { return formulas_[index]; }
  // The formulas that were set, in the layout's order.
  std::vector<std::pair<std::string, std::string>> Formulas() const;
  const host::RecordsetRef& DataSource() const { return data_; }
  // The sort of the data source's rows, once a rendering has made it.
  KeptRows& Kept() const { return kept_; }
  const std::string& PrintedBy() const { return printedBy_; }
  const std::string& FiltersLine() const { return filtersLine_; }
  // May be null.
  const std::shared_ptr<const CellLinks>& Links() const { return links_; }
  // The subreports, in the layout's order.
  const std::vector<std::shared_ptr<Report>>& Subreports() const { return subreports_; }
  std::shared_ptr<Report> Subreport(std::string_view name) const;

 private:
  class DatabaseObject;
  class SectionObject;

  std::shared_ptr<const Layout> layout_;
  std::string title_;
  std::array<std::string, 2> headerLines_;
  std::vector<std::optional<std::string>> formulas_;
  host::RecordsetRef data_;
  mutable KeptRows kept_;
  std::string printedBy_;
  std::string filtersLine_;
  std::shared_ptr<const CellLinks> links_;
  std::vector<std::shared_ptr<Report>> subreports_;
  std::unique_ptr<DatabaseObject> database_;
  std::vector<std::unique_ptr<SectionObject>> sections_;
};

// A fresh report of a layout compiled into the library, with no data bound; raises
// host::LayoutError naming an unknown layout.
std::shared_ptr<Report> CreateReport(std::string_view layoutName);

}  // namespace orla::engine
