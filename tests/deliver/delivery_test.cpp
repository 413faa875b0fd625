// Deliveries end to end: `deliver` on a few days of the demo station, mailing a server
// started here that reads each message back with Python's own mail parser.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <unistd.h>

#include "cli/deliver_command.h"
#include "deliver/config.h"
#include "deliver/file_lock.h"
#include "deliver/state.h"
#include "demo/generator.h"
#include "engine/report.h"
#include "reports/report_list.h"
#include "tests/engine/test_support.h"

namespace orla::deliver {
namespace {

namespace fs = std::filesystem;

using engine::testing::Slurp;

std::string PdfText(const fs::path& file) {
  return engine::testing::RunCommand("pdftotext -layout '" + file.string() + "' - 2>/dev/null");
}

// A log one thread writes while another reads it.
class SharedLog : public std::streambuf {
 public:
  std::string Text() {
    const std::lock_guard lock(mutex_);
    return text_;
  }

 protected:
  int overflow(int c) override {
    if (c != traits_type::eof()) {
      const std::lock_guard lock(mutex_);
      text_ += static_cast<char>(c);
    }
    return c;
  }
  std::streamsize xsputn(const char* data, std::streamsize n) override {
    const std::lock_guard lock(mutex_);
    text_.append(data, static_cast<size_t>(n));
    return n;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

// The mail server, listening from construction to Stop.
class Sink {
 public:
  explicit Sink(fs::path folder) : folder_(std::move(folder)) {
    const std::string command = std::string("exec ") + ORLA_SYSTEM_PYTHON + " " + ORLA_SMTP_SINK +
                                " '" + folder_.string() + "'";
    out_ = ::popen(command.c_str(), "r");
    // Its port and process, once it listens.
    if (out_ == nullptr || std::fscanf(out_, "%d %d", &port_, &pid_) != 2) {
      Stop();
      throw std::runtime_error("the mail server did not start (python3-aiosmtpd?)");
    }
  }
  ~Sink() { Stop(); }

  void Stop() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
    }
    if (out_ != nullptr) {
      ::pclose(out_);
    }
    pid_ = 0;
    out_ = nullptr;
  }
  int Port() const { return port_; }

  // What it took, oldest first. Each is whole once it is seen: the server writes it before
  // it answers, and `deliver` returns after the answer.
  std::vector<nlohmann::json> Mails() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().extension() == ".json") {
        files.push_back(entry.path());
      }
    }
    std::sort(files.begin(), files.end());
    std::vector<nlohmann::json> mails;
    for (const fs::path& file : files) {
      mails.push_back(nlohmann::json::parse(Slurp(file)));
    }
    return mails;
  }

 private:
  fs::path folder_;
  FILE* out_ = nullptr;
  int pid_ = 0;
  int port_ = 0;
};

struct Outcome {
  int exitCode;
  std::string log;
};

class DeliveryTest : public ::testing::Test {
 protected:
  // The demo station from 1 to 4 March 2024.
  static void SetUpTestSuite() {
    database_ =
        fs::temp_directory_path() / ("orla-deliver-test-" + std::to_string(::getpid()) + ".db");
    demo::GeneratorOptions options;
    options.days = 4;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    demo::Generate(database_, options);
  }
  static void TearDownTestSuite() { fs::remove(database_); }

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orla-deliver-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    sink_.emplace(folder_ / "mailbox");
  }
  void TearDown() override {
    sink_.reset();
    fs::remove_all(folder_);
  }

  fs::path Config() const { return folder_ / "assinaturas.toml"; }

  // The subscriptions, after an [smtp] for the sink as it listens now.
  void WriteConfig(const std::string& subscriptions) {
    std::ofstream(Config()) << "[smtp]\nserver = \"smtp://127.0.0.1:" << sink_->Port()
                            << "\"\nfrom = \"relatorios@posto.example\"\n\n"
                            << subscriptions;
  }

  Outcome Deliver(const std::string& at, bool dryRun = false) {
    std::vector<std::string> arguments = {
        "--config", Config().string(), "--db", database_.string(), "--due", "--at", at};
    if (dryRun) {
      arguments.emplace_back("--dry-run");
    }
    std::ostringstream out;
    std::ostringstream err;
    const int code = DeliverCommand(std::move(arguments), out, err);
    return {code, err.str()};
  }

  // The files in a folder of the test's, by name.
  std::vector<std::string> Files(const fs::path& folder) const {
    std::vector<std::string> names;
    if (fs::exists(folder)) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static fs::path database_;
  fs::path folder_;
  std::optional<Sink> sink_;
};

fs::path DeliveryTest::database_;

constexpr std::string_view kYesterday = R"([[subscription]]
name = "vendas-de-ontem"
report = "VendasPorTiposDeRecebimento"
period = "ontem"
when = "diariamente 06:00"
)";

TEST_F(DeliveryTest, YesterdaysReportReachesTheFolderAndTheMailboxOnce) {
  WriteConfig(std::string(kYesterday) +
              "folder = \"relatorios\"\nemail = [\"gerente@posto.example\", "
              "\"dono@posto.example\"]\n");
  // A look at the schedule leaves nothing behind that would stand in for the delivery.
  Outcome outcome = Deliver("2024-03-02 06:00", true);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.log;
  EXPECT_NE(outcome.log.find("would deliver VendasPorTiposDeRecebimento of 01/03/2024"),
            std::string::npos)
      << outcome.log;
  EXPECT_EQ(Files(folder_),
            (std::vector<std::string>{"assinaturas.lock", "assinaturas.toml", "mailbox"}));

  outcome = Deliver("2024-03-02 06:00");
  ASSERT_EQ(outcome.exitCode, 0) << outcome.log;

  const std::string name = "vendas-por-tipos-de-recebimento-2024-03-01_2024-03-01.pdf";
  std::vector<nlohmann::json> mails = sink_->Mails();
  ASSERT_EQ(mails.size(), 1u) << outcome.log;
  const nlohmann::json& mail = mails[0];
  EXPECT_EQ(mail["to"], nlohmann::json({"gerente@posto.example", "dono@posto.example"}));
  EXPECT_EQ(mail["subject"], "Vendas - Por Tipos de Recebimento · 01/03/2024");
  ASSERT_EQ(mail["attachments"].size(), 1u);
  EXPECT_EQ(mail["attachments"][0]["name"], name);
  const fs::path attached = mail["attachments"][0]["file"].get<std::string>();
  EXPECT_EQ(Slurp(attached), Slurp(folder_ / "relatorios" / name));
  const std::string pdf = PdfText(attached);
  EXPECT_NE(pdf.find("Visão fiscal / De 01/03/24 até 01/03/24"), std::string::npos) << pdf;
  // The total the mail leads with is the one the report prints.
  const std::string body = mail["body"];
  const size_t total = body.find("Valor líquido: R$ ");
  ASSERT_NE(total, std::string::npos) << body;
  const std::string figure =
      body.substr(total + 19, body.find_first_of("\r\n", total) - total - 19);
  EXPECT_NE(pdf.find(" " + figure + " "), std::string::npos) << figure << "\n" << pdf;

  outcome = Deliver("2024-03-02 06:01");
  EXPECT_EQ(outcome.exitCode, 0) << outcome.log;
  EXPECT_EQ(sink_->Mails().size(), 1u) << outcome.log;

  // Off from before 06:00 on the 3rd until the 5th: the latest morning's report, once.
  outcome = Deliver("2024-03-05 09:30");
  EXPECT_EQ(outcome.exitCode, 0) << outcome.log;
  mails = sink_->Mails();
  ASSERT_EQ(mails.size(), 2u) << outcome.log;
  EXPECT_EQ(mails[1]["attachments"][0]["name"],
            "vendas-por-tipos-de-recebimento-2024-03-04_2024-03-04.pdf");
  EXPECT_EQ(Files(folder_ / "relatorios"),
            (std::vector<std::string>{
                name, "vendas-por-tipos-de-recebimento-2024-03-04_2024-03-04.pdf"}));
}

TEST_F(DeliveryTest, MailWaitsInTheOutboxWhileTheServerIsDown) {
  const std::string subscriptions =
      std::string(kYesterday) + "email = [\"gerente@posto.example\"]\n";
  WriteConfig(subscriptions);
  sink_->Stop();
  Outcome outcome = Deliver("2024-03-02 06:00");
  EXPECT_EQ(outcome.exitCode, 1) << outcome.log;
  EXPECT_NE(outcome.log.find("not sent (try 1"), std::string::npos) << outcome.log;
  EXPECT_EQ(Files(folder_ / "assinaturas.outbox").size(), 1u);

  // Back, on another port: the message goes once the retry's minute has come.
  sink_.emplace(folder_ / "mailbox");
  WriteConfig(subscriptions);
  for (const char* at : {"2024-03-02 06:01", "2024-03-02 06:02"}) {
    SCOPED_TRACE(at);
    outcome = Deliver(at);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.log;
    const std::vector<nlohmann::json> mails = sink_->Mails();
    ASSERT_EQ(mails.size(), 1u) << outcome.log;
    EXPECT_EQ(mails[0]["attachments"][0]["name"],
              "vendas-por-tipos-de-recebimento-2024-03-01_2024-03-01.pdf");
  }
  EXPECT_TRUE(Files(folder_ / "assinaturas.outbox").empty());
}

TEST_F(DeliveryTest, NothingToPrintSendsAShortNoticeOrNothing) {
  std::string subscriptions;
  for (const char* policy : {"avisar", "pular"}) {
    subscriptions += std::string("[[subscription]]\nname = \"") + policy +
                     "\"\nreport = \"ResumoPorProduto\"\n"
                     "parameters = { Filtro_DataInicial = \"01/01/2023\", Filtro_DataFinal = "
                     "\"01/01/2023\" }\nwhen = \"diariamente 06:00\"\nfolder = \"vazio\"\n"
                     "email = [\"" +
                     policy + "@posto.example\"]\nempty = \"" + policy + "\"\n\n";
  }
  WriteConfig(subscriptions);
  const Outcome outcome = Deliver("2024-03-02 06:00");
  EXPECT_EQ(outcome.exitCode, 0) << outcome.log;
  const std::vector<nlohmann::json> mails = sink_->Mails();
  ASSERT_EQ(mails.size(), 1u) << outcome.log;
  EXPECT_EQ(mails[0]["to"], nlohmann::json({"avisar@posto.example"}));
  EXPECT_EQ(mails[0]["subject"], "Vendas - Resumo por Produtos · 01/01/2023: nada vendido");
  EXPECT_TRUE(mails[0]["attachments"].empty());
  EXPECT_FALSE(fs::exists(folder_ / "vazio"));
  EXPECT_NE(outcome.log.find("pular: ResumoPorProduto of 01/01/2023: nothing to print"),
            std::string::npos)
      << outcome.log;
}

TEST_F(DeliveryTest, AFileWithAMistakeDeliversNothing) {
  WriteConfig(std::string(kYesterday) + "folder = \"relatorios\"\n\n" +
              "[[subscription]]\nname = \"b\"\nreport = \"RankingDeVendas\"\n"
              "when = \"0 6 * * seg\"\nfolder = \"relatorios\"\n");
  const Outcome outcome = Deliver("2024-03-02 06:00");
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_NE(outcome.log.find("assinaturas.toml:15: when: the weekday field 'seg'"),
            std::string::npos)
      << outcome.log;
  EXPECT_EQ(Files(folder_), (std::vector<std::string>{"assinaturas.toml", "mailbox"}));
}

TEST_F(DeliveryTest, ASecondRunWaitsAndReadsWhatTheFirstDelivered) {
  WriteConfig(std::string(kYesterday) + "email = [\"gerente@posto.example\"]\n");
  const ConfigFiles files = FilesBeside(Config());
  std::optional<FileLock> first(std::in_place, files.lock);
  SharedLog log;
  std::ostream err(&log);
  int code = -1;
  std::thread second([&] {
    std::ostringstream out;
    code = DeliverCommand({"--config", Config().string(), "--db", database_.string(), "--due",
                           "--at", "2024-03-02 06:00"},
                          out, err);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (log.Text().find("waiting for another delivery run") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(log.Text().find("waiting for another delivery run"), std::string::npos) << log.Text();
  // The first run delivers this morning's report while the second waits.
  State delivered;
  delivered.subscriptions["vendas-de-ontem"].slot = *host::DateTime::FromParts(2024, 3, 2, 6, 0);
  SaveState(files.state, delivered);
  first.reset();
  second.join();
  EXPECT_EQ(code, 0) << log.Text();
  EXPECT_TRUE(sink_->Mails().empty()) << log.Text();
}

// A mail that names a field its report lacks would lose its total without a word.
TEST(MainTotal, NamesAMoneyFieldOfEveryLayoutOfItsReport) {
  for (const reports::ReportDescriptor& report : reports::ReportList()) {
    SCOPED_TRACE(report.name);
    ASSERT_FALSE(report.mainTotal.field.empty());
    for (const std::string_view layout : report.layouts) {
      const auto created = engine::CreateReport(layout);
      const auto& fields = created->GetLayout().fields;
      const auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) {
        return f.id == report.mainTotal.field;
      });
      ASSERT_NE(field, fields.end()) << layout;
      EXPECT_EQ(field->format.kind, engine::FormatKind::Money) << layout;
    }
  }
}

}  // namespace
}  // namespace orla::deliver
