// Recording fakes of the host objects. Every fake writes what it is asked into one shared
// call log, so a test can assert the whole sequence of a request at once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/command.h"
#include "host/database.h"
#include "host/errors.h"
#include "host/objects.h"
#include "host/platform.h"
#include "host/report_engine.h"
#include "host/shared_objects.h"

namespace orla::testing {

using CallLog = std::vector<std::string>;

// The number of the host error `call` raises; 0 when it raises none.
int32_t ErrorNumber(auto&& call) {
  try {
    call();
  } catch (const host::HostError& e) {
    return e.Number();
  }
  return 0;
}

class FakeRecordset : public host::Recordset {
 public:
  FakeRecordset(std::vector<host::Column> columns, std::vector<std::vector<host::Value>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}

  static std::shared_ptr<FakeRecordset> Empty() {
    return std::make_shared<FakeRecordset>(
        std::vector<host::Column>{{"Valor", host::ColumnType::Double}},
        std::vector<std::vector<host::Value>>{});
  }
  static std::shared_ptr<FakeRecordset> OneRow() {
    return std::make_shared<FakeRecordset>(
        std::vector<host::Column>{{"Valor", host::ColumnType::Double}},
        std::vector<std::vector<host::Value>>{{host::Value(1.5)}});
  }

  // Makes EOF read as null, as some providers give it.
  void SetNullEof() { nullEof_ = true; }

  host::Value Eof() override {
    return nullEof_ ? host::Value() : host::Value(row_ >= rows_.size());
  }
  void MoveNext() override { ++row_; }
  void MoveFirst() override { row_ = 0; }
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override { return rows_.at(row_).at(index); }
  const std::vector<host::Column>& Columns() override { return columns_; }

 private:
  std::vector<host::Column> columns_;
  std::vector<std::vector<host::Value>> rows_;
  size_t row_ = 0;
  bool nullEof_ = false;
};

class FakeDatabase : public host::Database {
 public:
  explicit FakeDatabase(CallLog& log) : log_(log) {}

  // What a query gives; by default an empty recordset.
  std::function<host::RecordsetRef(const std::string& sql)> onQuery = [](const std::string&) {
    return FakeRecordset::Empty();
  };
  bool failClose = false;
  bool opened = false;
  // What the two-argument SQL_Execute reports.
  int32_t rowsAffected = 0;

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    return Log("OpenRecordSet(" + sql + ")"), onQuery(sql);
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    return Log("SQL_Execute(" + sql + ")"), onQuery(sql);
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rows) override {
    rows = rowsAffected;
    return Log("SQL_Execute(" + sql + ", n)"), onQuery(sql);
  }
  bool IsOpened() override { return Log("IsOpened"), opened; }
  void DB_Open() override { Log("DB_Open"), opened = true; }
  std::string GetConnectionString() override { return Log("GetConnectionString"), "fake"; }
  void DB_Close() override;

 private:
  void Log(std::string call) { log_.push_back(std::move(call)); }

  CallLog& log_;
};

class FakeReport : public host::Report, public host::ReportDatabase {
 public:
  FakeReport(CallLog& log, std::string layout) : log_(log), layout_(std::move(layout)) {}

  const std::string& Layout() const { return layout_; }
  std::string title = "Título";
  host::RecordsetRef dataSource;
  // Sections that hold a subreport, by section name: the subreport's name.
  std::map<std::string, std::string> subreportSections;

  host::ReportDatabase& Database() override { return *this; }
  void SetDataSource(host::RecordsetRef recordset) override {
    log_.push_back(layout_ + ".SetDataSource");
    dataSource = std::move(recordset);
  }
  void DiscardSavedData() override { log_.push_back(layout_ + ".DiscardSavedData"); }
  host::ReportSection& Section(std::string_view name) override;
  host::ReportRef OpenSubreportByName(std::string_view name) override;
  std::string ReportTitle() override { return title; }
  void SetReportTitle(std::string_view text) override { title = std::string(text); }
  // The helper's call log holds the lines and formulas.
  void SetHeaderLine(int32_t, std::string_view) override {}
  void SetFormula(std::string_view, std::string_view) override {}

 private:
  CallLog& log_;
  std::string layout_;
  std::map<std::string, std::unique_ptr<host::ReportSection>> sections_;
};

class FakeViewer : public host::Viewer {
 public:
  host::Value visible = true;
  host::ReportRef shown;
  host::Value Visible() override { return visible; }
  void SetReportSource(host::ReportRef report) override { shown = std::move(report); }
  void ViewReport() override {}
};

class FakeCompany : public host::Company {
 public:
  host::Value cnpj = "12.345.678/0001-90";
  host::Value name = "Posto Orla Ltda";
  host::Value CNPJ() override { return cnpj; }
  host::Value RazaoSocial() override { return name; }
};

// Everything a test can make the shared objects do.
struct FakeBehaviour {
  bool showReportThrows = false;
  bool reportErrorThrows = false;
  bool unknownLayoutThrows = false;
  // What a command's output parameters hold after Execute.
  std::map<std::string, host::Value> commandOutputs{{"IDRetorno", "WS-1"}};
  // Subreport sections given to every report created for this layout.
  std::map<std::string, std::map<std::string, std::string>> sectionsByLayout;
};

// The platform, its shared objects and the reports it creates, all writing into one log.
class FakePlatform : public host::Platform {
 public:
  explicit FakePlatform(host::DateTime today);

  CallLog log;
  FakeBehaviour behaviour;

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override;
  std::unique_ptr<host::Command> CreateCommand(std::string_view progId) override;
  host::ReportRef CreateReport(std::string_view layoutName) override;
  std::unique_ptr<host::ReportHelper> CreateReportHelper() override;
  std::unique_ptr<host::HostUtilities> CreateHostUtilities() override;
  std::unique_ptr<host::ErrorReporter> CreateErrorReporter() override;
};

// Installs a FakePlatform on this thread for one test, and removes it afterwards.
class ScopedFakePlatform {
 public:
  explicit ScopedFakePlatform(host::DateTime today = *host::DateTime::FromParts(2024, 4, 15));
  ~ScopedFakePlatform();
  FakePlatform& operator*() const { return *platform_; }
  FakePlatform* operator->() const { return platform_.get(); }

 private:
  std::shared_ptr<FakePlatform> platform_;
};

}  // namespace orla::testing
