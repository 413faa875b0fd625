// What the library asks of the report engine: a report made from a layout by name, its
// database (to bind a recordset), its sections and their report objects (to find a
// subreport), subreports opened by name, and the title text; and what the host maker's
// ReportHelper writes into a report: its header lines and formulas.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orla::host {

class Recordset;

class ReportDatabase {
 public:
  virtual ~ReportDatabase() = default;
  // Afterwards the report prints the rows of `recordset`.
  virtual void SetDataSource(std::shared_ptr<Recordset> recordset) = 0;
};

class ReportObject {
 public:
  virtual ~ReportObject() = default;
  // The name of the subreport this object places; raises when it places none.
  virtual std::string SubreportName() = 0;
};

class ReportSection {
 public:
  virtual ~ReportSection() = default;
  // Report objects are counted from 1; raises when there is no such object.
  virtual std::shared_ptr<ReportObject> ReportObjects(int index) = 0;
};

class Report {
 public:
  virtual ~Report() = default;

  virtual ReportDatabase& Database() = 0;
  // Drops data saved inside the layout, so that only the bound recordset prints.
  virtual void DiscardSavedData() = 0;
  // A section member by its name (`Section6`, `ReportFooterSection2`); raises when the
  // layout has no such section.
  virtual ReportSection& Section(std::string_view name) = 0;
  virtual std::shared_ptr<Report> OpenSubreportByName(std::string_view name) = 0;
  virtual std::string ReportTitle() = 0;
  virtual void SetReportTitle(std::string_view title) = 0;
  // Line 0 is the company, line 1 the caption; raises for any other line.
  virtual void SetHeaderLine(int32_t line, std::string_view text) = 0;
  // Raises when the layout has no formula of that name.
  virtual void SetFormula(std::string_view name, std::string_view text) = 0;
};

using ReportRef = std::shared_ptr<Report>;

}  // namespace orla::host
