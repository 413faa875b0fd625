#include "engine/render_context.h"

#include "host/regional_settings.h"

namespace orla::engine {

namespace {

ExprValue ValueForExpression(const host::Value& value, const FieldDef& field) {
  const FieldFormat& format = field.format;
  if (value.IsNull()) {
    return {};
  }
  if (format.IsDateOrTime()) {
    if (auto date = DateOf(value)) {
      return *date;
    }
    return {};
  }
  // Numeric fields count as printed, so that a computed column agrees with what it shows.
  const int places = field.exact ? Decimal::kMaxScale : format.IsNumeric() ? format.decimals : 6;
  if (auto number = NumberOf(value, places)) {
    return number->ToDouble();
  }
  return {};
}

// A formula's text as a number ("31", "1.234,5") or a date ("'01/03/2024'").
ExprValue FormulaValueOf(const std::string& display) {
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  if (auto date = regional.ReadDate(display)) {
    return *date;
  }
  if (auto number = regional.ReadNumber(display)) {
    return *number;
  }
  return {};
}

class RowScope final : public ExpressionScope {
 public:
  RowScope(const RenderContext& context, const Row& row, int64_t number)
      : context_(context), row_(row), number_(number) {}
  ExprValue Field(size_t index) const override {
    return ValueForExpression(row_[index], context_.GetLayout().fields[index]);
  }
  ExprValue Formula(size_t index) const override { return context_.FormulaValue(index); }
  int64_t RowNumber() const override { return number_; }
  ExprValue ReportTotal(size_t index) const override { return context_.ReportTotal(index); }

 private:
  const RenderContext& context_;
  const Row& row_;
  int64_t number_;
};

class TotalsScope final : public ExpressionScope {
 public:
  TotalsScope(const RenderContext& context, const std::vector<Decimal>& sums, int64_t rows)
      : context_(context), sums_(sums), rows_(rows) {}
  ExprValue Field(size_t index) const override {
    if (!context_.GetLayout().fields[index].format.IsNumeric()) {
      return {};
    }
    return sums_[index].ToDouble();
  }
  ExprValue Formula(size_t index) const override { return context_.FormulaValue(index); }
  int64_t RowNumber() const override { return rows_; }
  ExprValue ReportTotal(size_t index) const override { return context_.ReportTotal(index); }

 private:
  const RenderContext& context_;
  const std::vector<Decimal>& sums_;
  int64_t rows_;
};

}  // namespace

RenderContext::RenderContext(const Report& report)
    : report_(report), layout_(report.GetLayout()), binding_(layout_, report.DataSource().get()) {
  for (size_t f = 0; f < layout_.fields.size(); ++f) {
    if (layout_.fields[f].visible && binding_.Present(f)) {
      printed_.push_back(f);
    }
  }
  for (size_t i = 0; i < layout_.formulas.size(); ++i) {
    const auto& text = report_.FormulaText(i);
    formulaTexts_.push_back(text ? FormulaDisplayText(*text) : std::string());
    formulaValues_.push_back(FormulaValueOf(formulaTexts_.back()));
  }
  SumReportTotals();
}

void RenderContext::SumReportTotals() {
  reportTotals_.assign(layout_.fields.size(), ExprValue());
  std::vector<std::optional<Decimal>> sums(layout_.fields.size());
  bool any = false;
  for (const FieldDef& field : layout_.fields) {
    for (const Expression* expression : {field.compute.get(), field.totalExpression.get()}) {
      if (expression == nullptr) {
        continue;
      }
      for (size_t read : expression->TotalsRead()) {
        const FieldFormat& format = layout_.fields[read].format;
        sums[read] = Decimal::FromInteger(0, format.IsNumeric() ? format.decimals : 6);
        any = true;
      }
    }
  }
  if (!any || !HasData()) {
    return;
  }
  // One pass over the rows before they print; the rows themselves are not held.
  const std::unique_ptr<RowSource> rows = OpenRows();
  rows->Rewind();
  for (Row row; rows->Next(row);) {
    for (size_t f = 0; f < sums.size(); ++f) {
      if (!sums[f] || row[f].IsNull()) {
        continue;
      }
      if (auto number = NumberOf(row[f], sums[f]->Scale())) {
        *sums[f] += *number;
      }
    }
  }
  for (size_t f = 0; f < sums.size(); ++f) {
    if (sums[f]) {
      reportTotals_[f] = sums[f]->ToDouble();
    }
  }
}

std::unique_ptr<RowSource> RenderContext::OpenRows() const {
  return engine::OpenRows(layout_, binding_, report_.DataSource(), &report_.Kept());
}

void RenderContext::Compute(Row& row, int64_t number) const {
  for (size_t f = 0; f < layout_.fields.size(); ++f) {
    const FieldDef& field = layout_.fields[f];
    if (!field.computed) {
      continue;
    }
    const ExprValue result = field.compute->Evaluate(RowScope(*this, row, number));
    if (const double* n = std::get_if<double>(&result)) {
      row[f] = *n;
    } else if (const host::DateTime* d = std::get_if<host::DateTime>(&result)) {
      row[f] = *d;
    } else {
      row[f] = host::Value();
    }
  }
}

std::string RenderContext::Text(size_t field, const host::Value& value) const {
  const FieldDef& def = layout_.fields[field];
  if (!def.labels.empty()) {
    // A null code reads as empty text, so that one label names both ways of having none.
    const std::string code = value.IsNull() ? std::string()
                             : value.GetKind() == host::Value::Kind::Text
                                 ? value.AsText()
                                 : FormatValue(value, FieldFormat{FormatKind::Integer, 0});
    for (const auto& [stored, label] : def.labels) {
      if (stored == code) {
        return label;
      }
    }
  }
  return FormatValue(value, def.format);
}

std::optional<std::string> RenderContext::Expand(const Template& text, const Row* row) const {
  std::string result;
  bool formulas = false;
  bool anyFormulaSet = false;
  bool otherPlaceholders = false;
  for (const Template::Part& part : text.parts) {
    switch (part.kind) {
      case Template::Part::Kind::Literal:
        result += part.text;
        break;
      case Template::Part::Kind::Field:
        otherPlaceholders = true;
        if (row != nullptr) {
          result += Text(part.index, (*row)[part.index]);
        }
        break;
      case Template::Part::Kind::Formula:
        formulas = true;
        anyFormulaSet = anyFormulaSet || !formulaTexts_[part.index].empty();
        result += formulaTexts_[part.index];
        break;
    }
  }
  if (formulas && !anyFormulaSet && !otherPlaceholders) {
    return std::nullopt;
  }
  return result;
}

Totals::Totals(const RenderContext& context) : context_(context) {
  Reset();
}

void Totals::Reset() {
  const Layout& layout = context_.GetLayout();
  sums_.assign(layout.fields.size(), Decimal());
  counts_.assign(layout.fields.size(), 0);
  for (size_t f = 0; f < layout.fields.size(); ++f) {
    const FieldFormat& format = layout.fields[f].format;
    if (format.IsNumeric()) {
      sums_[f] = Decimal::FromInteger(0, format.decimals);
    }
  }
  rows_ = 0;
}

void Totals::Add(const Row& row) {
  const Layout& layout = context_.GetLayout();
  ++rows_;
  for (size_t f = 0; f < layout.fields.size(); ++f) {
    if (row[f].IsNull()) {
      continue;
    }
    ++counts_[f];
    const FieldFormat& format = layout.fields[f].format;
    if (format.IsNumeric()) {
      if (auto number = NumberOf(row[f], format.decimals)) {
        sums_[f] += *number;
      }
    }
  }
}

void Totals::Add(const Totals& other) {
  rows_ += other.rows_;
  for (size_t f = 0; f < sums_.size(); ++f) {
    sums_[f] += other.sums_[f];
    counts_[f] += other.counts_[f];
  }
}

std::optional<std::pair<Decimal, FieldFormat>> Totals::Of(size_t field) const {
  const FieldDef& def = context_.GetLayout().fields[field];
  switch (def.total) {
    case TotalKind::None:
      return std::nullopt;
    case TotalKind::Sum:
      return std::make_pair(sums_[field], def.format);
    case TotalKind::Count:
      return std::make_pair(Decimal::FromInteger(counts_[field]),
                            FieldFormat{FormatKind::Integer, 0});
    case TotalKind::Average: {
      auto average =
          Decimal::Divide(sums_[field], Decimal::FromInteger(counts_[field]), def.format.decimals);
      if (!average) {
        return std::nullopt;
      }
      return std::make_pair(*average, def.format);
    }
    case TotalKind::Expression: {
      const ExprValue result = def.totalExpression->Evaluate(TotalsScope(context_, sums_, rows_));
      const double* n = std::get_if<double>(&result);
      if (n == nullptr) {
        return std::nullopt;
      }
      auto number = Decimal::FromDouble(*n, def.format.decimals);
      if (!number) {
        return std::nullopt;
      }
      return std::make_pair(*number, def.format);
    }
  }
  return std::nullopt;
}

}  // namespace orla::engine
