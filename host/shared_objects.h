// The host maker's shared objects: one of each per thread, created on first use
// (platform.h). They lie outside the library; these are the calls it makes on them.
#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "host/errors.h"
#include "host/objects.h"
#include "host/report_engine.h"
#include "host/value.h"

namespace orla::host {

class ReportHelper {
 public:
  virtual ~ReportHelper() = default;

  // `condition` extended by a period condition on the placeholder "{c}".
  virtual std::string BuildPeriodFilter(const std::string& initialDate,
                                        const std::string& finalDate, const std::string& condition,
                                        std::string& caption) = 0;
  // `condition` unchanged when `id` is empty; otherwise extended by a condition of "{c}" on
  // `id`, joined with " AND " where needed.
  virtual std::string BuildIdFilter(const std::string& id, const std::string& condition,
                                    const Value& label, std::string& caption) = 0;
  // Line 0 is the company, line 1 the caption. The report that comes back in `report`
  // replaces the caller's.
  virtual void SetHeaderLine(int32_t line, const std::string& text, ReportRef& report) = 0;
  // Sets a formula of a report, or of a subreport passed in its place.
  virtual void SetReportFormula(const std::string& name, const std::string& text,
                                ReportRef& report) = 0;
  // Binds `dataSource` when given and `bind` is set, and shows the report in the viewer.
  virtual void ShowReport(RecordsetRef& dataSource, Object* parentForm, int32_t mode,
                          Viewer* viewer, ReportRef& report, int32_t passThrough1,
                          int32_t passThrough2, bool bind) = 0;
};

class HostUtilities {
 public:
  virtual ~HostUtilities() = default;

  virtual std::string TextForSql(const Value& text) = 0;       // goes between single quotes
  virtual std::string AbbreviateText(const Value& text) = 0;   // a short fuel label
  virtual std::string CompanyNameText(const Value& name) = 0;  // the company of header line 0
  virtual std::string DateForSql(const Value& date) = 0;       // stands in a BETWEEN
  virtual std::string NumberForSql(const Value& number) = 0;   // a numeric literal
};

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;

  // Reports the error being handled; called from inside the handler.
  virtual void ReportCurrentError(int32_t mode, bool show) = 0;
  virtual void ReportError(ErrorInfo& error, const std::string& applicationName,
                           const std::string& procedure, bool show, bool log) = 0;
};

}  // namespace orla::host
