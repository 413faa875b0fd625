// What every renderer needs of a report: the printed columns, the rows, field texts,
// formula values and the totals of groups and of the report.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/decimal.h"
#include "engine/expression.h"
#include "engine/format.h"
#include "engine/report.h"
#include "engine/rows.h"

namespace orla::engine {

class RenderContext {
 public:
  explicit RenderContext(const Report& report);

  const Report& GetReport() const { return report_; }
  const Layout& GetLayout() const { return layout_; }
  bool HasData() const { return report_.DataSource() != nullptr; }
  // The fields the table prints: visible, and fed by the data (or computed from it).
  const std::vector<size_t>& PrintedFields() const { return printed_; }
  bool Present(size_t field) const { return binding_.Present(field); }

  std::unique_ptr<RowSource> OpenRows() const;
  // Fills the computed fields of a row; `number` counts rows from 1.
  void Compute(Row& row, int64_t number) const;

  // The printed text of a field's value, labels applied.
  std::string Text(size_t field, const host::Value& value) const;
  // Placeholders filled from `row` (fields print empty without one) and from the formulas.
  // Nothing when the text shows formulas only and none of them was set.
  std::optional<std::string> Expand(const Template& text, const Row* row) const;
  const ExprValue& FormulaValue(size_t index) const { return formulaValues_[index]; }
  // The report's total of a query column that an expression reads through total(), each
  // value rounded to the field's places as it prints; nothing for a field no expression reads.
  const ExprValue& ReportTotal(size_t field) const { return reportTotals_[field]; }

 private:
  void SumReportTotals();

  const Report& report_;
  const Layout& layout_;
  FieldBinding binding_;
  std::vector<size_t> printed_;
  std::vector<std::string> formulaTexts_;
  std::vector<ExprValue> formulaValues_;
  std::vector<ExprValue> reportTotals_;
};

// The running totals of a group or of the whole report. Each value is rounded to its field's
// places before it is added, so a total is the sum of what the rows print.
class Totals {
 public:
  explicit Totals(const RenderContext& context);

  void Add(const Row& row);
  // Adds what `other` (of the same report) counted: a row read once adds to every level.
  void Add(const Totals& other);
  void Reset();
  int64_t Rows() const { return rows_; }
  // The printed total of a field and the format it prints in; nothing when the field has
  // no total (or it cannot be worked out, as an average of no values).
  std::optional<std::pair<Decimal, FieldFormat>> Of(size_t field) const;

 private:
  const RenderContext& context_;
  std::vector<Decimal> sums_;
  std::vector<int64_t> counts_;
  int64_t rows_ = 0;
};

}  // namespace orla::engine
