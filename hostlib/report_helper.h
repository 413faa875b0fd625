// The host maker's report services: the period and identifier conditions the query builders
// extend, the header lines and formulas of a report, and showing a report.
#pragma once

#include "host/shared_objects.h"

namespace orla::hostlib {

class ReportHelper final : public host::ReportHelper {
 public:
  // `condition`, " AND " when it is not empty, then
  // "({c} BETWEEN 'YYYYMMDD 00:00:00' AND 'YYYYMMDD 23:59:59')" with the two dates.
  std::string BuildPeriodFilter(const std::string& initialDate, const std::string& finalDate,
                                const std::string& condition, std::string& caption) override;
  // `condition` unchanged for an empty id; otherwise `condition`, " AND " when it is not
  // empty, then "({c} = '<id>')" with the id's single quotes doubled.
  std::string BuildIdFilter(const std::string& id, const std::string& condition,
                            const host::Value& label, std::string& caption) override;
  void SetHeaderLine(int32_t line, const std::string& text, host::ReportRef& report) override;
  void SetReportFormula(const std::string& name, const std::string& text,
                        host::ReportRef& report) override;
  // Binds the data source when given and wanted, then hands the report to the viewer.
  void ShowReport(host::RecordsetRef& dataSource, host::Object* parentForm, int32_t mode,
                  host::Viewer* viewer, host::ReportRef& report, int32_t passThrough1,
                  int32_t passThrough2, bool bind) override;
};

}  // namespace orla::hostlib
