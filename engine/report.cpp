#include "engine/report.h"

#include "host/errors.h"

namespace orla::engine {

class Report::DatabaseObject final : public host::ReportDatabase {
 public:
  explicit DatabaseObject(Report& report) : report_(report) {}
  void SetDataSource(std::shared_ptr<host::Recordset> recordset) override {
    report_.SetDataSource(std::move(recordset));
  }

 private:
  Report& report_;
};

namespace {

class SubreportObject final : public host::ReportObject {
 public:
  explicit SubreportObject(std::string name) : name_(std::move(name)) {}
  std::string SubreportName() override { return name_; }

 private:
  std::string name_;
};

// A line of text printed by a section.
class TextObject final : public host::ReportObject {
 public:
  explicit TextObject(std::string where) : where_(std::move(where)) {}
  std::string SubreportName() override { throw host::LayoutError(where_ + " places no subreport"); }

 private:
  std::string where_;
};

}  // namespace

class Report::SectionObject final : public host::ReportSection {
 public:
  SectionObject(const Layout& layout, const SectionDef& section) {
    where_ = "Section " + section.name + " of layout " + layout.name;
    if (!section.subreport.empty()) {
      objects_.push_back(std::make_shared<SubreportObject>(section.subreport));
    }
    for (size_t i = 0; i < section.lines.size(); ++i) {
      objects_.push_back(std::make_shared<TextObject>(
          "Report object " + std::to_string(objects_.size() + 1) + " of " + where_));
    }
  }

  std::shared_ptr<host::ReportObject> ReportObjects(int index) override {
    if (index < 1 || static_cast<size_t>(index) > objects_.size()) {
      throw host::LayoutError(where_ + " holds no report object " + std::to_string(index) +
                              (objects_.empty() ? " (it holds no subreport)" : ""));
    }
    return objects_[index - 1];
  }

 private:
  std::string where_;
  std::vector<std::shared_ptr<host::ReportObject>> objects_;
};

Report::Report(std::shared_ptr<const Layout> layout)
    : layout_(std::move(layout)),
      title_(layout_->title),
      formulas_(layout_->formulas.size()),
      database_(std::make_unique<DatabaseObject>(*this)) {
  for (const Layout& sub : layout_->subreports) {
    subreports_.push_back(std::make_shared<Report>(std::shared_ptr<const Layout>(layout_, &sub)));
  }
  for (const SectionDef& section : layout_->sections) {
    sections_.push_back(std::make_unique<SectionObject>(*layout_, section));
  }
}

Report::~Report() = default;

host::ReportDatabase& Report::Database() {
  return *database_;
}

host::ReportSection& Report::Section(std::string_view name) {
  for (size_t i = 0; i < layout_->sections.size(); ++i) {
    if (EqualsIgnoringCase(layout_->sections[i].name, name)) {
      return *sections_[i];
    }
  }
  throw host::LayoutError("Layout " + layout_->name + " has no section " + std::string(name));
}

std::shared_ptr<Report> Report::Subreport(std::string_view name) const {
  for (size_t i = 0; i < layout_->subreports.size(); ++i) {
    if (EqualsIgnoringCase(layout_->subreports[i].name, name)) {
      return subreports_[i];
    }
  }
  return nullptr;
}

std::shared_ptr<host::Report> Report::OpenSubreportByName(std::string_view name) {
  if (auto sub = Subreport(name)) {
    return sub;
  }
  throw host::LayoutError("Layout " + layout_->name + " has no subreport " + std::string(name));
}

void Report::SetFormula(std::string_view name, std::string_view text) {
  const auto index = layout_->FindFormula(name);
  if (!index) {
    throw host::LayoutError("Layout " + layout_->name + " has no formula " + std::string(name));
  }
  formulas_[*index] = std::string(text);
}

void Report::SetHeaderLine(int32_t line, std::string_view text) {
  if (line < 0 || line > 1) {
    throw host::HostError(
        host::error_number::kInvalidProcedureCall,
        "Header line " + std::to_string(line) + " does not exist: 0 is the company, 1 the caption",
        "Report engine");
  }
  headerLines_[line] = std::string(text);
}

std::vector<std::pair<std::string, std::string>> Report::Formulas() const {
  std::vector<std::pair<std::string, std::string>> result;
  for (size_t i = 0; i < formulas_.size(); ++i) {
    if (formulas_[i]) {
      result.emplace_back(layout_->formulas[i], *formulas_[i]);
    }
  }
  return result;
}

std::shared_ptr<Report> CreateReport(std::string_view layoutName) {
  return std::make_shared<Report>(LoadLayout(layoutName));
}

}  // namespace orla::engine
