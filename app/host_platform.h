// The host a run has here: the platform the library runs on (regional settings, clock,
// message box, the embedded database's command objects, this project's report engine and
// shared objects), and the host objects an operation receives.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "host/objects.h"
#include "host/platform.h"
#include "hostlib/session.h"

namespace orla::app {

class SqlTrace;

class RunPlatform final : public host::Platform {
 public:
  // `trace` may be null; when given, command objects write their calls to it.
  RunPlatform(std::shared_ptr<const host::Clock> clock, hostlib::Session& session, SqlTrace* trace);

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override;
  std::unique_ptr<host::Command> CreateCommand(std::string_view progId) override;
  host::ReportRef CreateReport(std::string_view layoutName) override;
  std::unique_ptr<host::ReportHelper> CreateReportHelper() override;
  std::unique_ptr<host::HostUtilities> CreateHostUtilities() override;
  std::unique_ptr<host::ErrorReporter> CreateErrorReporter() override;

 private:
  hostlib::Session& session_;
  SqlTrace* trace_;
};

// The report viewer: remembers the report it was given to show.
class RunViewer final : public host::Viewer {
 public:
  explicit RunViewer(bool visible) : visible_(visible) {}

  host::Value Visible() override { return visible_; }
  void SetReportSource(host::ReportRef report) override { report_ = std::move(report); }
  void ViewReport() override { shown_ = true; }

  bool Shown() const { return shown_; }
  const host::ReportRef& ShownReport() const { return report_; }

 private:
  bool visible_;
  bool shown_ = false;
  host::ReportRef report_;
};

class RunCompany final : public host::Company {
 public:
  RunCompany(std::string cnpj, std::string name) : cnpj_(std::move(cnpj)), name_(std::move(name)) {}
  host::Value CNPJ() override { return cnpj_; }
  host::Value RazaoSocial() override { return name_; }

 private:
  std::string cnpj_;
  std::string name_;
};

}  // namespace orla::app
