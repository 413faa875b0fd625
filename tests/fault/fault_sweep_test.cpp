// Operations run again and again on a few generated days, failing one call after the other
// that they make on the database, the creation of command objects, the command objects and
// their recordsets. A call that repeats its neighbours' pattern (the rows of a loop after its
// second) fails as the first did and is not failed again. Each run must end in one of the ways
// the host can live with: false with the error reported once under the operation's procedure
// text, the new layout in oRPT and the connection closed by the two operations that close it;
// or, for a failure while presenting, which is reported there, true with the current error
// reported once and nothing shown. A run where nothing failed gives the report of the
// fault-free run.
#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "app/host_platform.h"
#include "app/output.h"
#include "app/run.h"
#include "demo/generator.h"
#include "engine/report.h"
#include "host/errors.h"
#include "hostlib/session.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::fault {
namespace {

enum class FaultKind {
  Raise,     // the call raises, as a refused statement would
  Lost,      // the call and every later one raise, as on a lost connection
  Withhold,  // Command.Item gives null, as an output parameter the procedure never set
};

// Counts every call the library makes, across the database, its commands and their
// recordsets, and fails the `failAt`th (from 1; 0 never).
class FaultPlan {
 public:
  FaultPlan(int64_t failAt, FaultKind kind) : failAt_(failAt), kind_(kind) {}

  // Raises when the call is the one to fail by raising; true when it must withhold its value.
  bool Enter(std::string call) {
    if (!armed_) {
      return false;
    }
    calls_.push_back(std::move(call));
    const auto count = static_cast<int64_t>(calls_.size());
    if (failAt_ == 0 || count < failAt_ || (count > failAt_ && kind_ != FaultKind::Lost)) {
      return false;
    }
    if (kind_ != FaultKind::Withhold) {
      fired_ = true;
      throw host::HostError(
          host::error_number::kDatabase,
          "Injected fault at call " + std::to_string(count) + " (" + calls_.back() + ")",
          "Fault injection");
    }
    fired_ = calls_.back() == "Command.Item";
    return fired_;
  }
  void Disarm() { armed_ = false; }
  // Counts on, raising at the `failAt`th call from here (0: none): the host's own reading of
  // a bound recordset after the operation returned.
  void Rearm(int64_t failAt) {
    fired_ = false;
    kind_ = FaultKind::Raise;
    failAt_ = failAt == 0 ? 0 : static_cast<int64_t>(calls_.size()) + failAt;
  }
  bool Fired() const { return fired_; }
  // The member called, with the head of its statement (or, for a recordset, of the statement
  // that opened it): enough to tell a report's statements apart and the rows of a loop alike.
  const std::vector<std::string>& Calls() const { return calls_; }

 private:
  int64_t failAt_;
  FaultKind kind_;
  bool armed_ = true;
  bool fired_ = false;
  std::vector<std::string> calls_;
};

using PlanRef = std::shared_ptr<FaultPlan>;

class FaultyRecordset final : public host::Recordset {
 public:
  FaultyRecordset(host::RecordsetRef inner, PlanRef plan, std::string name)
      : inner_(std::move(inner)), plan_(std::move(plan)), name_("Recordset of " + name + ".") {}

  host::Value Eof() override { return Enter("Eof"), inner_->Eof(); }
  void MoveNext() override { Enter("MoveNext"), inner_->MoveNext(); }
  void MoveFirst() override { Enter("MoveFirst"), inner_->MoveFirst(); }
  host::Value Field(std::string_view name) override { return Enter("Field"), inner_->Field(name); }
  host::Value FieldAt(std::size_t i) override { return Enter("FieldAt"), inner_->FieldAt(i); }
  const std::vector<host::Column>& Columns() override {
    return Enter("Columns"), inner_->Columns();
  }

 private:
  bool Enter(const char* member) { return plan_->Enter(name_ + member); }

  host::RecordsetRef inner_;
  PlanRef plan_;
  std::string name_;
};

host::RecordsetRef Wrap(host::RecordsetRef recordset, const PlanRef& plan, const std::string& of) {
  return recordset ? std::make_shared<FaultyRecordset>(std::move(recordset), plan, of) : nullptr;
}

class FaultyDatabase final : public host::Database {
 public:
  FaultyDatabase(host::Database& inner, PlanRef plan) : inner_(inner), plan_(std::move(plan)) {}

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    return Run("OpenRecordSet", sql, [&] { return inner_.OpenRecordSet(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    return Run("SQL_Execute", sql, [&] { return inner_.SQL_Execute(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rows) override {
    return Run("SQL_Execute", sql, [&] { return inner_.SQL_Execute(sql, rows); });
  }
  bool IsOpened() override { return plan_->Enter("Database.IsOpened"), inner_.IsOpened(); }
  void DB_Open() override { plan_->Enter("Database.DB_Open"), inner_.DB_Open(); }
  void DB_Close() override { plan_->Enter("Database.DB_Close"), inner_.DB_Close(); }
  std::string GetConnectionString() override {
    return plan_->Enter("Database.GetConnectionString"), inner_.GetConnectionString();
  }

 private:
  template <typename Call>
  host::RecordsetRef Run(const char* member, const std::string& sql, Call call) {
    const std::string head = sql.substr(0, 40);
    plan_->Enter(std::string("Database.") + member + " " + head);
    return Wrap(call(), plan_, head);
  }

  host::Database& inner_;
  PlanRef plan_;
};

class FaultyCommand final : public host::Command, private host::ParameterCollection {
 public:
  FaultyCommand(std::unique_ptr<host::Command> inner, PlanRef plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}

  void SetActiveConnection(const std::string& connection) override {
    Enter("SetActiveConnection"), inner_->SetActiveConnection(connection);
  }
  void SetCommandTimeout(int32_t s) override {
    Enter("SetCommandTimeout"), inner_->SetCommandTimeout(s);
  }
  void SetCommandType(int32_t type) override {
    Enter("SetCommandType"), inner_->SetCommandType(type);
  }
  void SetCommandText(const std::string& text) override {
    Enter("SetCommandText"), inner_->SetCommandText(text);
  }
  host::Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                  int32_t size, std::optional<host::Value> value) override {
    Enter("CreateParameter");
    return inner_->CreateParameter(name, type, direction, size, std::move(value));
  }
  host::ParameterCollection& Parameters() override { return Enter("Parameters"), *this; }
  host::RecordsetRef Execute() override {
    return Enter("Execute"), Wrap(inner_->Execute(), plan_, "Command.Execute");
  }
  host::Value Item(std::string_view name) override {
    return Enter("Item") ? host::Value() : inner_->Item(name);
  }

 private:
  void Append(host::Parameter parameter) override {
    plan_->Enter("Parameters.Append");
    inner_->Parameters().Append(std::move(parameter));
  }
  bool Enter(const char* member) { return plan_->Enter(std::string("Command.") + member); }

  std::unique_ptr<host::Command> inner_;
  PlanRef plan_;
};

struct Reported {
  std::vector<std::string> procedures;  // one per ReportError
  int currentErrors = 0;
};

class CountingErrorReporter final : public host::ErrorReporter {
 public:
  CountingErrorReporter(std::unique_ptr<host::ErrorReporter> inner, Reported& reported)
      : inner_(std::move(inner)), reported_(reported) {}

  void ReportCurrentError(int32_t mode, bool show) override {
    ++reported_.currentErrors;
    inner_->ReportCurrentError(mode, show);
  }
  void ReportError(host::ErrorInfo& error, const std::string& applicationName,
                   const std::string& procedure, bool show, bool log) override {
    reported_.procedures.push_back(procedure);
    inner_->ReportError(error, applicationName, procedure, show, log);
  }

 private:
  std::unique_ptr<host::ErrorReporter> inner_;
  Reported& reported_;
};

// The command-line host's platform with faulty command objects and a counted error reporter.
class FaultPlatform final : public host::Platform {
 public:
  FaultPlatform(std::shared_ptr<const host::Clock> clock, hostlib::Session& session, PlanRef plan,
                Reported& reported)
      : host::Platform(host::RegionalSettings::Brazilian(), clock),
        inner_(clock, session, nullptr),
        plan_(std::move(plan)),
        reported_(reported) {}

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override {
    return inner_.MsgBox(prompt, style, title);
  }
  std::unique_ptr<host::Command> CreateCommand(std::string_view progId) override {
    plan_->Enter("CreateCommand");  // as when the provider is not installed
    return std::make_unique<FaultyCommand>(inner_.CreateCommand(progId), plan_);
  }
  host::ReportRef CreateReport(std::string_view layout) override {
    return inner_.CreateReport(layout);
  }
  std::unique_ptr<host::ReportHelper> CreateReportHelper() override {
    return inner_.CreateReportHelper();
  }
  std::unique_ptr<host::HostUtilities> CreateHostUtilities() override {
    return inner_.CreateHostUtilities();
  }
  std::unique_ptr<host::ErrorReporter> CreateErrorReporter() override {
    return std::make_unique<CountingErrorReporter>(inner_.CreateErrorReporter(), reported_);
  }

 private:
  app::RunPlatform inner_;
  PlanRef plan_;
  Reported& reported_;
};

struct Case {
  std::string operation;
  std::vector<app::Assignment> values;
  bool closesConnection = false;
};

struct Outcome {
  bool result = false;
  std::string escaped;  // what reached the caller, which the operations must never let out
  std::string json;     // the run as `run --format json` writes it
  std::string layout;   // of the report in oRPT
  bool shown = false;
  Reported reported;
  std::vector<std::string> calls;  // by the operation
  bool fired = false;
  int64_t renderCalls = 0;  // on the bound recordsets while the host writes the report
  std::string renderError;
};

class FaultSweep : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    days_ = testing::ScratchFile("days.db");
    demo::GeneratorOptions options;
    options.days = 3;
    options.salesPerDay = 120;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    demo::Generate(days_, options);
  }

  // `renderFailAt`: the call to fail while the host writes the report as a PDF, counted from
  // the first after the operation returned; 0 for none, and JSON.
  static Outcome Run(const Case& c, int64_t failAt, FaultKind kind, int64_t renderFailAt = 0) {
    auto plan = std::make_shared<FaultPlan>(failAt, kind);
    Outcome outcome;
    hostlib::Session session;
    const auto clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 3, 4));
    host::InstallPlatform(std::make_shared<FaultPlatform>(clock, session, plan, outcome.reported));
    {
      const reports::ReportDescriptor& operation = app::CheckOperation(c.operation);
      const std::vector<reports::NamedValue> values = app::CheckParameters(operation, c.values);
      sqlite::Database database(days_);
      FaultyDatabase oDB(database, plan);
      app::RunViewer viewer(true);
      host::Object parentForm;
      app::RunCompany company("12.345.678/0001-95", "AUTO POSTO ORLA LTDA");
      Reports instance;
      host::ReportRef report;
      try {
        outcome.result = reports::CallByName(
            instance, c.operation, {&viewer, &parentForm, &oDB, &company, nullptr}, report, values);
      } catch (const std::exception& e) {
        outcome.escaped = e.what();
      }
      outcome.calls = plan->Calls();
      outcome.fired = plan->Fired();
      plan->Rearm(renderFailAt);
      outcome.shown = viewer.Shown();
      if (auto* held = dynamic_cast<engine::Report*>(report.get())) {
        outcome.layout = held->LayoutName();
      }
      std::ostringstream json;
      std::ostringstream err;
      try {
        app::WriteOutcome({c.operation, outcome.result, report, outcome.shown, session},
                          renderFailAt == 0 ? engine::Format::Json : engine::Format::Pdf,
                          renderFailAt == 0
                              ? std::nullopt
                              : std::optional((days_.parent_path() / "report").string()),
                          json, err);
      } catch (const host::HostError& e) {
        outcome.renderError = e.what();
      }
      outcome.json = json.str();
      outcome.renderCalls = static_cast<int64_t>(plan->Calls().size() - outcome.calls.size());
      plan->Disarm();
    }
    host::InstallPlatform(nullptr);
    return outcome;
  }

  static void Sweep(const Case& c);

  static inline std::filesystem::path days_;
};

void ExpectAcceptable(const Case& c, const Outcome& clean, const Outcome& run) {
  EXPECT_EQ(run.escaped, "") << "an error reached the caller";
  EXPECT_EQ(std::count(run.calls.begin(), run.calls.end(), "Database.DB_Close"),
            c.closesConnection ? 1 : 0)
      << "DB_Close calls";
  if (!run.result) {
    EXPECT_EQ(run.reported.procedures, std::vector<std::string>{"Reports." + c.operation + "()"});
    // The presentation reports its own failure, without the procedure; a close failing after
    // it is then the request's one error.
    EXPECT_LE(run.reported.currentErrors, c.closesConnection ? 1 : 0);
    EXPECT_EQ(run.layout, clean.layout) << "oRPT must hold the new layout";
  } else if (run.fired) {
    // A trapped error is never passed over: only a failure inside the presentation, which
    // reports it there, lets the operation give true.
    EXPECT_TRUE(run.reported.procedures.empty() && run.reported.currentErrors == 1 && !run.shown)
        << "true although a call failed:\n"
        << run.json;
  } else {
    EXPECT_EQ(run.json, clean.json) << "a run with no fault must repeat the fault-free one";
  }
}

void FaultSweep::Sweep(const Case& c) {
  const Outcome clean = Run(c, 0, FaultKind::Raise);
  ASSERT_EQ(clean.escaped, "");
  ASSERT_TRUE(clean.result) << clean.json;
  ASSERT_TRUE(clean.shown) << "the fault-free run must print rows to exercise every call";
  ASSERT_TRUE(clean.reported.procedures.empty() && clean.reported.currentErrors == 0);
  ASSERT_EQ(clean.renderError, "");
  ASSERT_GT(clean.renderCalls, 2);
  ExpectAcceptable(c, clean, clean);

  const std::vector<std::string>& calls = clean.calls;
  const auto count = static_cast<int64_t>(calls.size());
  std::set<std::string> places;
  for (int64_t failAt = 1; failAt <= count; ++failAt) {
    const std::string place = (failAt > 1 ? calls[failAt - 2] : "") + "|" + calls[failAt - 1] +
                              "|" + (failAt < count ? calls[failAt] : "");
    if (!places.insert(place).second) {
      continue;
    }
    SCOPED_TRACE("failing call " + std::to_string(failAt) + " (" + calls[failAt - 1] + ")");
    const Outcome run = Run(c, failAt, FaultKind::Raise);
    ASSERT_TRUE(run.fired) << "the run did not repeat the fault-free one up to the fault";
    ExpectAcceptable(c, clean, run);
    // A lost connection differs only where calls follow the failed one.
    if (static_cast<int64_t>(run.calls.size()) > failAt) {
      SCOPED_TRACE("and every later call");
      ExpectAcceptable(c, clean, Run(c, failAt, FaultKind::Lost));
    }
    if (calls[failAt - 1] == "Command.Item") {
      SCOPED_TRACE("withholding the output parameter");
      const Outcome withheld = Run(c, failAt, FaultKind::Withhold);
      ASSERT_TRUE(withheld.fired);
      ExpectAcceptable(c, clean, withheld);
    }
  }
  const Outcome beyond = Run(c, count + 1, FaultKind::Raise);
  EXPECT_FALSE(beyond.fired) << "the calls do not end where the fault-free run's did";
  ExpectAcceptable(c, clean, beyond);

  // A recordset that breaks while the host reads it for the report reaches the host as the
  // error it is, never as a report cut short.
  for (const int64_t failAt : {int64_t{1}, int64_t{2}, clean.renderCalls}) {
    SCOPED_TRACE("failing call " + std::to_string(failAt) + " of the host's reading");
    EXPECT_NE(Run(c, 0, FaultKind::Raise, failAt).renderError, "");
  }
}

// Every operation, in both views where it has two; the two that run a stored procedure close
// the connection.
TEST_F(FaultSweep, EveryOperationEndsCleanlyWhicheverCallFails) {
  const std::vector<app::Assignment> period = {{"Filtro_DataInicial", "01/03/2024"},
                                               {"Filtro_DataFinal", "03/03/2024"}};
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    const std::string name(operation.name);
    std::vector<Case> cases = {{name, period,
                                name == "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto" ||
                                    name == "VendasPorTiposDeRecebimento"}};
    if (std::ranges::any_of(operation.parameters, [](const reports::Parameter& p) {
          return p.name == "Filtro_TipoVisao";
        })) {
      cases.push_back(cases.front());
      cases.back().values.push_back({"Filtro_TipoVisao", "0"});
    }
    for (const Case& c : cases) {
      SCOPED_TRACE(name + (c.values.size() == 3 ? " (financial)" : ""));
      Sweep(c);
    }
  }
}

}  // namespace
}  // namespace orla::fault
