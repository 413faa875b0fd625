// Every operation run again and again on a few generated days, failing one call after the
// other on the database, the creation of command objects, the command objects and their
// recordsets (each call once, the rows of a loop at its first, second and last row). Each
// run must end in one of the ways the host can live with: false with the error reported
// once under the operation's procedure text, the new layout in oRPT and the connection
// closed by the two operations that close it; or, for a failure while presenting, which is
// reported there, true with the current error reported once and nothing shown. A run
// where nothing failed gives the report of the fault-free run.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/cli_host.h"
#include "cli/output.h"
#include "cli/run_command.h"
#include "demo/generator.h"
#include "engine/report.h"
#include "host/errors.h"
#include "hostlib/session.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "sqlite/database.h"
#include "tests/fault/faulty_host.h"

namespace orla::fault {
namespace {

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
  FaultPlatform(std::shared_ptr<const host::Clock> clock, hostlib::Session& session,
                std::shared_ptr<FaultPlan> plan, Reported& reported)
      : host::Platform(host::RegionalSettings::Brazilian(), clock),
        inner_(clock, session, nullptr),
        plan_(std::move(plan)),
        reported_(reported) {}

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override {
    return inner_.MsgBox(prompt, style, title);
  }
  std::unique_ptr<host::Command> CreateCommand(std::string_view progId) override {
    plan_->Enter("CreateCommand");  // as when the provider is not installed
    return FaultyCommand(inner_.CreateCommand(progId), plan_);
  }
  host::ReportRef CreateReport(std::string_view layoutName) override {
    return inner_.CreateReport(layoutName);
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
  cli::CliPlatform inner_;
  std::shared_ptr<FaultPlan> plan_;
  Reported& reported_;
};

struct Case {
  std::string name;
  std::string operation;
  std::vector<cli::Assignment> values;
  bool closesConnection = false;
};

struct Outcome {
  bool result = false;
  std::string escaped;  // what reached the caller, which the operations must never let out
  std::string json;     // the run as `run --format json` writes it
  host::ReportRef report;
  std::string layout;  // of the report in oRPT
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
    folder_ =
        std::filesystem::temp_directory_path() / ("orla-fault-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    database_ = folder_ / "days.db";
    demo::GeneratorOptions options;
    options.days = 3;
    options.salesPerDay = 120;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    demo::Generate(database_, options);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }

  // `renderFailAt`: the call to fail while the host writes the report, counted from the
  // first after the operation returned; 0 for none. Other formats than JSON go to a file.
  static Outcome Run(const Case& c, int64_t failAt, FaultKind kind, int64_t renderFailAt = 0,
                     engine::Format format = engine::Format::Json) {
    auto plan = std::make_shared<FaultPlan>(failAt, kind);
    Outcome outcome;
    hostlib::Session session;
    const auto clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 3, 4));
    host::InstallPlatform(std::make_shared<FaultPlatform>(clock, session, plan, outcome.reported));
    {
      const reports::ReportDescriptor& operation = cli::CheckOperation(c.operation);
      const std::vector<reports::NamedValue> values = cli::CheckParameters(operation, c.values);
      sqlite::Database database(database_);
      const std::unique_ptr<host::Database> oDB = FaultyDatabase(database, plan);
      cli::CliViewer viewer(true);
      host::Object parentForm;
      cli::CliCompany company("12.345.678/0001-95", "AUTO POSTO ORLA LTDA");
      Reports instance;
      try {
        outcome.result = reports::CallByName(instance, c.operation,
                                             {&viewer, &parentForm, oDB.get(), &company, nullptr},
                                             outcome.report, values);
      } catch (const std::exception& e) {
        outcome.escaped = e.what();
      }
      outcome.calls = plan->Calls();
      outcome.fired = plan->Fired();
      plan->Rearm(renderFailAt);
      outcome.shown = viewer.Shown();
      if (auto* report = dynamic_cast<engine::Report*>(outcome.report.get())) {
        outcome.layout = report->LayoutName();
      }
      std::ostringstream json;
      std::ostringstream err;
      try {
        cli::WriteOutcome({c.operation, outcome.result, outcome.report, outcome.shown, session},
                          format,
                          format == engine::Format::Json
                              ? std::nullopt
                              : std::optional<std::string>((folder_ / "report").string()),
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

  static std::filesystem::path folder_;
  static std::filesystem::path database_;
};

std::filesystem::path FaultSweep::folder_;
std::filesystem::path FaultSweep::database_;

std::string Describe(int64_t failAt, const std::vector<std::string>& baselineCalls) {
  return "failing call " + std::to_string(failAt) + " of the fault-free run (" +
         (failAt <= static_cast<int64_t>(baselineCalls.size()) ? baselineCalls[failAt - 1]
                                                               : std::string("none")) +
         ")";
}

void ExpectAcceptable(const Case& c, const Outcome& clean, const Outcome& run) {
  EXPECT_EQ(run.escaped, "") << "an error reached the caller";
  const long closes = std::count(run.calls.begin(), run.calls.end(), "Database.DB_Close");
  EXPECT_EQ(closes, c.closesConnection ? 1 : 0) << "DB_Close calls";
  const std::string procedure = "Reports." + c.operation + "()";
  if (!run.result) {
    EXPECT_EQ(run.reported.procedures, std::vector<std::string>{procedure});
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

const std::vector<cli::Assignment> kPeriod = {{"Filtro_DataInicial", "01/03/2024"},
                                              {"Filtro_DataFinal", "03/03/2024"}};

std::vector<cli::Assignment> Period(std::vector<cli::Assignment> more) {
  more.insert(more.begin(), kPeriod.begin(), kPeriod.end());
  return more;
}

// Both views where the view changes the statements.
const Case kCases[] = {
    {"ClienteEspecial", "ClienteEspecial", kPeriod},
    {"DetalhesDosMovimentosPorClientes", "DetalhesDosMovimentosPorClientes", kPeriod},
    {"DetalhesDosMovimentosPorProdutos", "DetalhesDosMovimentosPorProdutos", kPeriod},
    {"MovimentacaoPelasLeituras", "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", kPeriod},
    {"MovimentacaoPorVendaComplementar", "MovimentacaoDeCombustiveisPorVendaComplementar", kPeriod},
    {"RankingDeVendas", "RankingDeVendas", kPeriod},
    {"ResumoPorClassificacaoFiscalFinanceira", "ResumoPorClassificacaoFiscal",
     Period({{"Filtro_TipoVisao", "0"}})},
    {"ResumoPorClassificacaoFiscalFiscal", "ResumoPorClassificacaoFiscal", kPeriod},
    {"ResumoPorGrupoDeProdutoFinanceira", "ResumoPorGrupoDeProduto",
     Period({{"Filtro_TipoVisao", "0"}})},
    {"ResumoPorGrupoDeProdutoFiscal", "ResumoPorGrupoDeProduto", kPeriod},
    {"ResumoPorProdutoFinanceira", "ResumoPorProduto", Period({{"Filtro_TipoVisao", "0"}})},
    {"ResumoPorProdutoFiscal", "ResumoPorProduto", kPeriod},
    {"TabelaDeVendasPorBicoFinanceira", "TabelaDeVendasPorBico",
     Period({{"Filtro_TipoVisao", "0"}})},
    {"TabelaDeVendasPorBicoFiscal", "TabelaDeVendasPorBico", kPeriod},
    {"TabelaDeVendasPorCombustiveisFinanceira", "TabelaDeVendasPorCombustiveis",
     Period({{"Filtro_TipoVisao", "0"}})},
    {"TabelaDeVendasPorCombustiveisFiscal", "TabelaDeVendasPorCombustiveis", kPeriod},
    {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
     "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", kPeriod, true},
    {"VendasPorTiposDeRecebimento", "VendasPorTiposDeRecebimento", kPeriod, true},
};

void FaultSweep::Sweep(const Case& c) {
  const Outcome clean = Run(c, 0, FaultKind::Raise);
  ASSERT_EQ(clean.escaped, "");
  ASSERT_TRUE(clean.result) << clean.json;
  ASSERT_TRUE(clean.shown) << "the fault-free run must print rows to exercise every call";
  ASSERT_TRUE(clean.reported.procedures.empty() && clean.reported.currentErrors == 0);
  ASSERT_EQ(clean.renderError, "");
  ASSERT_GT(clean.renderCalls, 2);
  ExpectAcceptable(c, clean, clean);

  for (int64_t failAt = 1; failAt <= static_cast<int64_t>(clean.calls.size()); ++failAt) {
    SCOPED_TRACE(Describe(failAt, clean.calls));
    const Outcome run = Run(c, failAt, FaultKind::Raise);
    ASSERT_TRUE(run.fired) << "the run did not repeat the fault-free one up to the fault";
    ExpectAcceptable(c, clean, run);
    // A lost connection differs only where calls follow the failed one.
    if (static_cast<int64_t>(run.calls.size()) > failAt) {
      SCOPED_TRACE("and every later call");
      ExpectAcceptable(c, clean, Run(c, failAt, FaultKind::Lost));
    }
  }
  const Outcome beyond = Run(c, static_cast<int64_t>(clean.calls.size()) + 1, FaultKind::Raise);
  EXPECT_FALSE(beyond.fired) << "the calls do not end where the fault-free run's did";
  ExpectAcceptable(c, clean, beyond);

  // A recordset that breaks while the host reads it for the report reaches the host as the
  // error it is, never as a report cut short.
  for (const int64_t failAt : {int64_t{1}, int64_t{2}, clean.renderCalls}) {
    SCOPED_TRACE("failing call " + std::to_string(failAt) + " of the host's reading");
    EXPECT_NE(Run(c, 0, FaultKind::Raise, failAt, engine::Format::Pdf).renderError, "");
  }

  for (size_t i = 0; i < clean.calls.size(); ++i) {
    if (clean.calls[i] == "Command.Item") {
      SCOPED_TRACE("withholding the output parameter: " + Describe(i + 1, clean.calls));
      const Outcome run = Run(c, static_cast<int64_t>(i) + 1, FaultKind::Withhold);
      ASSERT_TRUE(run.fired);
      ExpectAcceptable(c, clean, run);
    }
  }
}

TEST_F(FaultSweep, EveryOperationEndsCleanlyWhicheverCallFails) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Sweep(c);
  }
}

}  // namespace
}  // namespace orla::fault
