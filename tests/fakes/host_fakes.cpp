#include "tests/fakes/host_fakes.h"

#include "host/errors.h"

namespace orla::testing {

namespace {

class FakeReportObject : public host::ReportObject {
 public:
  explicit FakeReportObject(std::string name) : name_(std::move(name)) {}
  std::string SubreportName() override { return name_; }

 private:
  std::string name_;
};

class FakeSection : public host::ReportSection {
 public:
  explicit FakeSection(std::string subreport) : subreport_(std::move(subreport)) {}
  std::shared_ptr<host::ReportObject> ReportObjects(int index) override {
    if (index != 1) {
      throw host::LayoutError("no report object " + std::to_string(index));
    }
    return std::make_shared<FakeReportObject>(subreport_);
  }

 private:
  std::string subreport_;
};

FakeReport& AsFake(host::ReportRef& report) {
  auto* fake = dynamic_cast<FakeReport*>(report.get());
  if (fake == nullptr) {
    throw host::HostError(host::error_number::kObjectNotSet, "no report");
  }
  return *fake;
}

class FakeCommand : public host::Command, public host::ParameterCollection {
 public:
  FakeCommand(CallLog& log, const FakeBehaviour& behaviour) : log_(log), behaviour_(behaviour) {}

  void SetActiveConnection(const std::string& c) override { Log("ActiveConnection = " + c); }
  void SetCommandTimeout(int32_t s) override { Log("CommandTimeout = " + std::to_string(s)); }
  void SetCommandType(int32_t t) override { Log("CommandType = " + std::to_string(t)); }
  void SetCommandText(const std::string& t) override { Log("CommandText = " + t); }
  host::Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                  int32_t size, std::optional<host::Value> value) override {
    return {name, type, direction, size, std::move(value)};
  }
  host::ParameterCollection& Parameters() override { return *this; }
  void Append(host::Parameter p) override {
    Log("Parameters.Append(" + p.name + ", " + std::to_string(p.type) + ", " +
        std::to_string(p.direction) + ", " + std::to_string(p.size) +
        (p.value ? ", " + p.value->Describe() : std::string()) + ")");
  }
  host::RecordsetRef Execute() override {
    Log("Execute");
    executed_ = true;
    return nullptr;
  }
  host::Value Item(std::string_view name) override {
    const auto output = behaviour_.commandOutputs.find(std::string(name));
    if (!executed_ || output == behaviour_.commandOutputs.end()) {
      return {};
    }
    return output->second;
  }

 private:
  void Log(const std::string& call) { log_.push_back("Command." + call); }

  CallLog& log_;
  const FakeBehaviour& behaviour_;
  bool executed_ = false;
};

class FakeReportHelper : public host::ReportHelper {
 public:
  FakeReportHelper(CallLog& log, const FakeBehaviour& behaviour)
      : log_(log), behaviour_(behaviour) {}

  std::string BuildPeriodFilter(const std::string& d1, const std::string& d2,
                                const std::string& condition, std::string&) override {
    return condition + (condition.empty() ? "" : " AND ") + "({c} BETWEEN '" + d1 + "' AND '" + d2 +
           "')";
  }
  std::string BuildIdFilter(const std::string& id, const std::string& condition, const host::Value&,
                            std::string&) override {
    if (id.empty()) {
      return condition;
    }
    return condition + (condition.empty() ? "" : " AND ") + "({c} = '" + id + "')";
  }
  void SetHeaderLine(int32_t line, const std::string& text, host::ReportRef& report) override {
    log_.push_back("SetHeaderLine(" + std::to_string(line) + ", " + text + ")");
    AsFake(report);  // a report must be there
  }
  void SetReportFormula(const std::string& name, const std::string& text,
                        host::ReportRef& report) override {
    FakeReport& fake = AsFake(report);
    log_.push_back("SetReportFormula(" + fake.Layout() + ", " + name + " = " + text + ")");
  }
  void ShowReport(host::RecordsetRef& dataSource, host::Object*, int32_t mode, host::Viewer* viewer,
                  host::ReportRef& report, int32_t p1, int32_t p2, bool bind) override {
    log_.push_back(std::string("ShowReport(data=") + (dataSource ? "yes" : "no") +
                   ", mode=" + std::to_string(mode) + ", " + std::to_string(p1) + ", " +
                   std::to_string(p2) + ", bind=" + (bind ? "true" : "false") + ")");
    if (behaviour_.showReportThrows) {
      throw host::HostError(500, "viewer crashed");
    }
    if (bind && dataSource) {
      report->Database().SetDataSource(dataSource);
    }
    if (viewer != nullptr) {
      viewer->SetReportSource(report);
    }
  }

 private:
  CallLog& log_;
  const FakeBehaviour& behaviour_;
};

// Its conversions leave a mark, so a statement shows which texts and numbers went through
// them.
class FakeHostUtilities : public host::HostUtilities {
 public:
  std::string TextForSql(const host::Value& v) override {
    std::string out;
    for (const char c : v.AsText()) {
      out += c == '\'' ? "''" : std::string(1, c);
    }
    return out;
  }
  // The first three characters and a dot.
  std::string AbbreviateText(const host::Value& v) override {
    return v.AsText().substr(0, 3) + ".";
  }
  std::string CompanyNameText(const host::Value& v) override {
    return v.IsNull() ? std::string("?") : v.AsText();
  }
  std::string DateForSql(const host::Value& v) override { return v.AsText(); }
  std::string NumberForSql(const host::Value& v) override { return "n" + v.Describe(); }
};

class FakeErrorReporter : public host::ErrorReporter {
 public:
  FakeErrorReporter(CallLog& log, const FakeBehaviour& behaviour)
      : log_(log), behaviour_(behaviour) {}

  void ReportCurrentError(int32_t mode, bool show) override {
    const host::ErrorInfo error = host::ErrorInfoFrom(std::current_exception());
    log_.push_back("ReportCurrentError(" + std::to_string(mode) + ", " + (show ? "true" : "false") +
                   ": " + error.description + ")");
  }
  void ReportError(host::ErrorInfo& error, const std::string& application,
                   const std::string& procedure, bool show, bool log) override {
    log_.push_back("ReportError(" + application + ", " + procedure + ", " +
                   (show && log ? "true, true" : "?") + ": " + error.description + ")");
    if (behaviour_.reportErrorThrows) {
      throw host::HostError(501, "reporter failed");
    }
  }

 private:
  CallLog& log_;
  const FakeBehaviour& behaviour_;
};

}  // namespace

host::Value FakeRecordset::Field(std::string_view name) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name == name) {
      return rows_.at(row_).at(i);
    }
  }
  throw host::HostError(3265, "no column " + std::string(name));
}

void FakeDatabase::DB_Close() {
  Log("DB_Close");
  if (failClose) {
    throw host::HostError(3704, "connection lost");
  }
  opened = false;
}

host::ReportSection& FakeReport::Section(std::string_view name) {
  const std::string key(name);
  const auto subreport = subreportSections.find(key);
  if (subreport == subreportSections.end()) {
    throw host::LayoutError(layout_ + " has no section " + key + " with a subreport");
  }
  auto& section = sections_[key];
  if (!section) {
    section = std::make_unique<FakeSection>(subreport->second);
  }
  return *section;
}

host::ReportRef FakeReport::OpenSubreportByName(std::string_view name) {
  log_.push_back(layout_ + ".OpenSubreportByName(" + std::string(name) + ")");
  return std::make_shared<FakeReport>(log_, std::string(name));
}

FakePlatform::FakePlatform(host::DateTime today)
    : host::Platform(host::RegionalSettings::Brazilian(),
                     std::make_shared<host::FixedClock>(today)) {}

int32_t FakePlatform::MsgBox(const std::string& prompt, int32_t style, const std::string& title) {
  log.push_back("MsgBox(" + prompt + " | " + std::to_string(style) + " | " + title + ")");
  return 1;
}

std::unique_ptr<host::Command> FakePlatform::CreateCommand(std::string_view progId) {
  if (progId != host::kCommandProgId) {
    throw host::HostError(host::error_number::kCannotCreateObject,
                          "no command object " + std::string(progId));
  }
  return std::make_unique<FakeCommand>(log, behaviour);
}

host::ReportRef FakePlatform::CreateReport(std::string_view layoutName) {
  log.push_back("CreateReport(" + std::string(layoutName) + ")");
  if (behaviour.unknownLayoutThrows) {
    throw host::LayoutError("no layout " + std::string(layoutName));
  }
  auto report = std::make_shared<FakeReport>(log, std::string(layoutName));
  const auto sections = behaviour.sectionsByLayout.find(std::string(layoutName));
  if (sections != behaviour.sectionsByLayout.end()) {
    report->subreportSections = sections->second;
  }
  return report;
}

std::unique_ptr<host::ReportHelper> FakePlatform::CreateReportHelper() {
  return std::make_unique<FakeReportHelper>(log, behaviour);
}

std::unique_ptr<host::HostUtilities> FakePlatform::CreateHostUtilities() {
  return std::make_unique<FakeHostUtilities>();
}

std::unique_ptr<host::ErrorReporter> FakePlatform::CreateErrorReporter() {
  return std::make_unique<FakeErrorReporter>(log, behaviour);
}

ScopedFakePlatform::ScopedFakePlatform(host::DateTime today)
    : platform_(std::make_shared<FakePlatform>(today)) {
  host::InstallPlatform(platform_);
}

ScopedFakePlatform::~ScopedFakePlatform() {
  host::InstallPlatform(nullptr);
}

}  // namespace orla::testing
