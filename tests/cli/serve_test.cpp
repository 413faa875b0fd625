// The viewer's API on an in-process server bound to an ephemeral loopback port.
#include <array>
#include <atomic>
#include <future>
#include <latch>
#include <mutex>
#include <optional>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/parameters.h"
#include "bench/load/http_client.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "serve/server.h"
#include "tests/cli/cli_fixture.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using Answer = http_client::Answer;

// A client on a bare socket, for what a well-behaved HTTP client never does: from `from`,
// another loopback address, when given; `receiveBuffer` bytes when not 0.
class RawClient {
 public:
  explicit RawClient(int port, const char* from = nullptr, int receiveBuffer = 0)
      : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    if (receiveBuffer > 0) {
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (from != nullptr) {
      inet_pton(AF_INET, from, &address.sin_addr);
      bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connected() const { return connected_; }
  bool Send(std::string_view text) {
    return send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
  }
  void ShutDownSending() { shutdown(fd_, SHUT_WR); }
  // Up to `bytes`, or to the end of the connection when 0.
  std::string Read(size_t bytes = 0) {
    std::string text;
    char buffer[65536];
    ssize_t n = 0;
    while ((bytes == 0 || text.size() < bytes) &&
           (n = recv(fd_, buffer,
                     bytes == 0 ? sizeof buffer : std::min(sizeof buffer, bytes - text.size()),
                     0)) > 0) {
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

 private:
  int fd_;
  bool connected_ = false;
};

std::string RawPost(const std::string& target, const std::string& body,
                    const std::string& extra = "", const char* version = "HTTP/1.1") {
  return "POST " + target + " " + version +
         "\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" + extra +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The status of the last answer in `text` (after any interim ones), or 0.
int LastStatus(const std::string& text) {
  int status = 0;
  for (size_t at = text.find("HTTP/1."); at != std::string::npos;
       at = text.find("HTTP/1.", at + 1)) {
    if (at == 0 || text[at - 1] == '\n') {
      status = std::atoi(text.c_str() + at + 9);
    }
  }
  return status;
}

const char* const kMarch = R"({"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"31/03/2024"})";
const char* const kThreeDays =
    R"({"Filtro_DataInicial":"04/03/2024","Filtro_DataFinal":"06/03/2024"})";
const char* const kBackwards =
    R"({"Filtro_DataInicial":"31/03/2024","Filtro_DataFinal":"01/03/2024"})";

// A run hook that records the order in which runs start and holds the run `held` at its
// start until Open.
struct Gate {
  std::function<void(const std::string&)> Hook() {
    return [this](const std::string& id) {
      {
        std::lock_guard lock(mutex);
        started.push_back(id);
      }
      if (!held.empty() && id == held) {
        in.set_value();
        opened.wait();
      }
    };
  }
  void AwaitHeld() { in.get_future().wait(); }
  void Open() {
    std::call_once(once, [this] { open.set_value(); });
  }
  std::vector<std::string> Started() {
    std::lock_guard lock(mutex);
    return started;
  }

  std::string held;
  std::promise<void> in, open;
  std::shared_future<void> opened = open.get_future().share();
  std::once_flag once;
  std::mutex mutex;
  std::vector<std::string> started;
};

class ServeTest : public CliTest {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override {
    gate_.Open();
    StopServer();
  }

  // A server whose run `held`, when given, waits at its start until the gate opens (at the
  // latest when the test ends).
  void Start(std::string held = "", int maxRuns = 4, int maxQueued = 32,
             std::optional<std::string> token = {}) {
    StopServer();
    gate_.held = std::move(held);
    serve::ServeOptions options;
    options.database = DemoMarch();
    options.port = 0;
    options.maxRuns = maxRuns;
    options.maxQueued = maxQueued;
    options.clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 4, 2));
    options.beforeRun = gate_.Hook();
    options.token = std::move(token);
    options.subscriptions = Folder() / "assinaturas.toml";
    server_ = std::make_unique<serve::ViewerServer>(options);
    port_ = server_->Bind();
    thread_ = std::thread([this] { server_->Serve(); });
  }

  void StopServer() {
    if (server_) {
      server_->Stop();
      thread_.join();
      server_.reset();
    }
  }

  Answer Get(const std::string& path, const http_client::Headers& headers = {}) const {
    return http_client::Send(port_, "GET", path, "", headers);
  }
  Answer Post(const std::string& path, const std::string& body,
              const http_client::Headers& headers = {}) const {
    return http_client::Send(port_, "POST", path, body, headers);
  }
  std::future<Answer> PostLater(const std::string& path, const std::string& body) {
    return std::async(std::launch::async, [this, path, body] { return Post(path, body); });
  }

  // The state /api/runs/ID gives once it is `state` ("gone" for no such run), or the last one
  // seen after ten seconds.
  std::string AwaitState(const std::string& id, const std::string& state) const {
    std::string seen;
    for (int i = 0; i < 1000 && seen != state; ++i) {
      if (i > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      const auto progress = Get("/api/runs/" + id);
      seen = !progress                ? "no answer"
             : progress.status == 404 ? "gone"
                                      : json::parse(progress.body).value("state", "");
    }
    return seen;
  }

  // The server answers a plain request after whatever came before.
  void ExpectStillServing() const {
    const auto answer = Get("/api/reports");
    EXPECT_EQ(answer.status, 200) << answer.error;
  }

  Gate gate_;
  std::unique_ptr<serve::ViewerServer> server_;
  std::thread thread_;
  int port_ = 0;
};

// The arguments to run for a report and the JSON body the viewer posts, then `more`.
std::vector<std::string> RunArguments(const std::string& operation, const std::string& body,
                                      const std::vector<std::string>& more) {
  std::vector<std::string> arguments{operation};
  const json given = json::parse(body.empty() ? "{}" : body);
  for (auto item = given.begin(); item != given.end(); ++item) {
    arguments.push_back(item.key() + "=" + item->get<std::string>());
  }
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

TEST_F(ServeTest, APostGivesTheSameJsonAsRunForTheSameParameters) {
  struct Case {
    std::string operation;
    std::string body;
    bool shown = true;  // the report reached the viewer (a refused period shows none)
  };
  // Three days keep the two detail reports, thousands of lines a month, quick.
  std::vector<Case> cases;
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    cases.push_back({std::string(operation.name), kThreeDays});
  }
  const std::string receipts = "VendasPorTiposDeRecebimento";
  cases.push_back(
      {receipts, R"({"Filtro_DataInicial":"10/03/2024","Filtro_DataFinal":"12/03/2024"})"});
  cases.push_back({receipts, kBackwards, false});  // the library's message and no report
  // A date that does not exist: the line naming it follows the library's message, in both.
  cases.push_back({receipts, R"({"Filtro_DataFinal":"31/02/2024"})", false});
  cases.push_back({receipts, ""});  // nothing given: the month of the server's today
  // Options beyond the period reach the library the same way.
  cases.push_back({"RankingDeVendas",
                   R"({"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"31/03/2024",)"
                   R"("Filtro_TipoAgrupamento":"0","Filtro_QtdeRegistros":"5"})"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation + " " + c.body);
    const auto answer = Post("/api/reports/" + c.operation, c.body);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.Header("content-type"), "application/json");
    EXPECT_EQ(json::parse(answer.body).value("shown", false), c.shown);
    EXPECT_EQ(
        answer.body,
        Run(RunArguments(c.operation, c.body, {"--today", "2024-04-02", "--format", "json"})).out);
  }
}

// PDF and XLSX pass through a file: never one under a name another user of the machine
// could guess and plant first (a link to a file of the server's user, say).
TEST_F(ServeTest, FilesDownloadWithTheirTypesAndNoNameInTheSharedTemporaryFolder) {
  const std::filesystem::path temporary = Folder() / "tmp";
  std::filesystem::create_directories(temporary);
  const char* previous = std::getenv("TMPDIR");
  const std::string restore = previous ? previous : "";
  setenv("TMPDIR", temporary.c_str(), 1);
  Start();
  previous ? setenv("TMPDIR", restore.c_str(), 1) : unsetenv("TMPDIR");
  // The server's own folder, made as it started, is the only thing there and only its user
  // can enter it.
  std::vector<std::filesystem::path> entries(std::filesystem::directory_iterator(temporary), {});
  ASSERT_EQ(entries.size(), 1u);
  struct stat info {};
  ASSERT_EQ(lstat(entries[0].c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(inotify_add_watch(watch, temporary.c_str(), IN_CREATE), 0);

  const std::vector<std::array<std::string, 3>> cases{
      {"pdf", "application/pdf", "%PDF-"},
      {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "PK"},
      {"csv", "text/csv; charset=utf-8", ""},
      {"html", "text/html; charset=utf-8", "<!DOCTYPE html>"},
  };
  for (const auto& [format, type, start] : cases) {
    SCOPED_TRACE(format);
    const auto answer = Post("/api/reports/VendasPorTiposDeRecebimento?format=" + format, kMarch);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.Header("content-type"), type);
    EXPECT_EQ(answer.body.substr(0, start.size()), start);
    EXPECT_GT(answer.body.size(), 200u);
    EXPECT_NE(answer.Header("content-disposition")
                  .find("\"vendas-por-tipos-de-recebimento-2024-03." + format + "\""),
              std::string::npos);
  }
  // The CSV is the one run writes, in either dialect.
  for (const std::string dialect : {"plain", "br"}) {
    EXPECT_EQ(
        Post("/api/reports/VendasPorTiposDeRecebimento?format=csv&dialect=" + dialect, kMarch).body,
        Run(RunArguments("VendasPorTiposDeRecebimento", kMarch,
                         {"--format", "csv", "--csv-dialect", dialect}))
            .out);
  }
  char events[4096];
  const ssize_t created = read(watch, events, sizeof events);
  close(watch);
  EXPECT_LE(created, 0) << "the server named a file in the shared temporary folder: "
                        << reinterpret_cast<inotify_event*>(events)->name;
}

// The page's run: the outcome at once, then its pages as the PDF breaks them, found by their
// text; its downloads are that run's report, not a second query.
TEST_F(ServeTest, TheViewersRunIsKeptAsPagesAndFiles) {
  struct Case {
    std::string operation;
    std::string body;
    int leastPages;
    std::string found;  // a text on the first page, in any case and with or without accents
  };
  const std::vector<Case> cases{
      {"DetalhesDosMovimentosPorProdutos", kThreeDays, 20, "diesel"},
      {"VendasPorTiposDeRecebimento", kMarch, 1, "CART%C3%83O%20frota"},
      {"VendasPorTiposDeRecebimento", kBackwards, 0, ""},  // the library's message, no pages
  };
  int runs = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation + " " + c.body);
    const std::string id = "pages" + std::to_string(++runs);
    const std::string run = "/api/runs/" + id;
    const auto answer =
        Post("/api/reports/" + c.operation + "?format=pages&viewer=v&run=" + id, c.body);
    ASSERT_EQ(answer.status, 200);
    json expected = json::parse(Run(RunArguments(c.operation, c.body, {"--format", "json"})).out);
    expected.erase("report");
    expected["run"] = id;
    EXPECT_EQ(json::parse(answer.body), expected);
    // Waits until every page is drawn.
    const json status = json::parse(Get(run + "/pages?after=999999").body);
    EXPECT_EQ(status["done"], true);
    EXPECT_EQ(status["pages"], status["total"]);
    EXPECT_GE(status["pages"].get<int>(), c.leastPages);
    EXPECT_EQ(status.contains("error"), false) << status.dump();
    const int pages = status["pages"].get<int>();
    EXPECT_EQ(Get(run + "/pages/" + std::to_string(pages + 1)).status, 404);
    if (c.leastPages == 0) {
      continue;
    }
    const auto first = Get(run + "/pages/1");
    EXPECT_EQ(first.Header("content-type"), "image/svg+xml; charset=utf-8");
    EXPECT_EQ(first.body.substr(0, 4), "<svg");
    // Once all are drawn, page 1 is the counted one, whether or not it was drawn ahead, and
    // its foot still names the user after the report was read back.
    EXPECT_NE(first.body.find("Página 1 de " + std::to_string(pages)), std::string::npos);
    EXPECT_NE(first.body.find(" por "), std::string::npos);
    EXPECT_EQ(Get(run + "/pages/" + std::to_string(pages)).status, 200);
    const json found = json::parse(Get(run + "/find?q=" + c.found).body);
    ASSERT_FALSE(found["pages"].empty()) << found.dump();
    EXPECT_EQ(found["pages"][0]["page"], 1);
    EXPECT_EQ(Get(status["fonts"][0]["url"].get<std::string>()).status, 200);
    // The file is the run's report as run writes it, named after the report and its period.
    const auto csv = Get(run + "/file?format=csv&dialect=br");
    EXPECT_EQ(
        csv.body,
        Run(RunArguments(c.operation, c.body, {"--format", "csv", "--csv-dialect", "br"})).out);
    EXPECT_NE(csv.Header("content-disposition").find("-2024-03"), std::string::npos);
    // Imprimir loads the PDF in a frame for the print dialog: shown, not saved.
    EXPECT_EQ(Get(run + "/file?format=pdf&show=1").Header("content-disposition").substr(0, 7),
              "inline;");
  }
  // A font the pages never named is not served.
  EXPECT_EQ(Get("/fonts/passwd").status, 404);
}

TEST_F(ServeTest, BadRequestsGetA4xxWithAMessageAndTheServerKeepsServing) {
  struct Case {
    std::string name;
    std::string path;
    std::string body;
    int status;
    std::string message;  // a part of {"error"}
    http_client::Headers headers = {};
    std::string contentType = "application/json";
  };
  const std::string receipts = "/api/reports/VendasPorTiposDeRecebimento";
  const std::string summary = "/api/reports/ResumoPorProduto";
  const std::string details = "/api/reports/DetalhesDosMovimentosPorClientes";
  const http_client::Headers rebind{{"Host", "rebind.example.com:" + std::to_string(port_)}};
  const http_client::Headers otherPort{{"Host", "localhost:1"}};
  const http_client::Headers evil{{"Origin", "http://evil.example"}};
  // An origin is scheme, name and port: this machine's name on another port is another
  // site, a page served on port 80 of it among them.
  const http_client::Headers noPort{{"Origin", "http://localhost"}};
  const std::string form = "application/x-www-form-urlencoded";
  const std::vector<Case> cases{
      {"unknown report", "/api/reports/Nope", "{}", 404, "unknown report"},
      {"unknown parameter", receipts, R"({"Filtro_X":"1"})", 400, "has no parameter Filtro_X"},
      {"wrong type", summary, R"({"Filtro_TipoVisao":"fiscal"})", 400, "Filtro_TipoVisao"},
      {"boolean", summary, R"({"Filtro_IsExibirCombustiveis":"sim"})", 400, "true or false"},
      {"payment forms that could end their literal", details,
       R"({"Filtro_FormasDePagto":"'Dinheiro') OR (1 = 1"})", 400, "quoted names separated"},
      {"not text", summary, R"({"Filtro_TipoVisao":1})", 400, "as text"},
      {"twice", summary, R"({"Filtro_TipoVisao":"0","Filtro_TipoVisao":"1"})", 400, "given twice"},
      {"not an object", summary, "[1,2]", 400, "JSON object"},
      {"not JSON", summary, "{", 400, "not JSON"},
      {"form post", summary, "a=1", 415, "Content-Type", {}, form},
      {"oversized body", summary, "{" + std::string(70 * 1024, ' ') + "}", 413, "larger than"},
      {"oversized value", summary, R"({"Filtro_IDProduto":")" + std::string(5000, '1') + "\"}", 400,
       "longer than"},
      {"bad format", receipts + "?format=docx", kMarch, 400, "format"},
      {"bad run id", receipts + "?run=a%20b", kMarch, 400, "run id"},
      {"foreign host", receipts, kMarch, 403, "own address", rebind},
      {"own name, other port", receipts, kMarch, 403, "own address", otherPort},
      {"foreign origin", receipts, kMarch, 403, "not accepted", evil},
      {"own name, no port in the origin", receipts, kMarch, 403, "not accepted", noPort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto answer = http_client::Send(port_, "POST", c.path, c.body, c.headers, c.contentType);
    EXPECT_EQ(answer.status, c.status) << answer.body;
    const json body = json::parse(answer.body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << answer.body;
    EXPECT_NE(body.value("error", "").find(c.message), std::string::npos) << answer.body;
    ExpectStillServing();
  }
  EXPECT_EQ(Get("/", {{"Host", "rebind.example.com"}}).status, 403);
  EXPECT_EQ(Get("/", {{"Host", "localhost:" + std::to_string(port_)}}).status, 200);
  // A request both with a length and a transfer coding is refused, whichever comes first,
  // and the connection closed: what follows could be read as another request.
  const std::string head = "POST /api/reports/RankingDeVendas HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const std::string& request :
       {RawPost("/api/reports/RankingDeVendas", kThreeDays, "Transfer-Encoding: chunked\r\n"),
        RawPost("/api/reports/RankingDeVendas", kThreeDays, "Transfer-Encoding: gzip\r\n"),
        head + "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n0\r\n\r\n"}) {
    SCOPED_TRACE(request);
    RawClient client(port_);
    ASSERT_TRUE(client.Send(request));
    const std::string answer = client.Read();
    EXPECT_EQ(LastStatus(answer), 400) << answer.substr(0, 300);
  }
}

TEST_F(ServeTest, TheCatalogueIsTheListWithTheFormsMetadata) {
  const json catalogue = json::parse(Get("/api/reports").body);
  ASSERT_EQ(catalogue["reports"].size(), reports::ReportList().size());
  for (const json& report : catalogue["reports"]) {
    SCOPED_TRACE(report["name"].get<std::string>());
    const reports::ReportDescriptor* operation =
        reports::FindReport(report["name"].get<std::string>());
    ASSERT_NE(operation, nullptr);
    ASSERT_EQ(report["parameters"].size(), operation->parameters.size());
    EXPECT_FALSE(report["title"].get<std::string>().empty());
    for (size_t i = 0; i < operation->parameters.size(); ++i) {
      const json& parameter = report["parameters"][i];
      const std::string name = parameter["name"];
      EXPECT_EQ(name, operation->parameters[i].name);
      // Every default and every choice is a value run accepts for that parameter.
      std::vector<std::string> values{parameter["default"].get<std::string>()};
      for (const json& choice : parameter.value("choices", json::array())) {
        values.push_back(choice["value"].get<std::string>());
      }
      for (const std::string& value : values) {
        EXPECT_NO_THROW(app::CheckParameters(*operation, {{name, value}})) << value;
      }
    }
  }
  EXPECT_EQ(catalogue["reports"][0]["parameters"][0]["default"], "01/04/2024");
  EXPECT_EQ(catalogue["reports"][0]["parameters"][1]["default"], "02/04/2024");
  // The form's presets on the server's day (2 April 2024, a Tuesday), in the form's format.
  const json periods = json::parse(Get("/api/periods").body)["periods"];
  EXPECT_EQ(periods[1], json({{"name", "ontem"},
                              {"label", "Ontem"},
                              {"first", "01/04/2024"},
                              {"last", "01/04/2024"}}));
  EXPECT_EQ(periods[5]["first"], "01/03/2024");
  EXPECT_EQ(periods[5]["last"], "31/03/2024");
}

TEST_F(ServeTest, TheListsComeFromTheDatabase) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"clientes", "SELECT COUNT(*) FROM Clientes"},
      {"produtos", "SELECT COUNT(*) FROM Produtos"},
      {"funcionarios", "SELECT COUNT(*) FROM [Funcionários]"},
      {"turnos", "SELECT COUNT(DISTINCT Caixa) FROM [Movimentações]"},
      {"formas", "SELECT COUNT(*) FROM T010_FormasDePagto"},
  };
  for (const auto& [list, count] : cases) {
    SCOPED_TRACE(list);
    const auto answer = Get("/api/lookup/" + list);
    ASSERT_EQ(answer.status, 200) << answer.body;
    const json items = json::parse(answer.body)["items"];
    EXPECT_EQ(testing::RawRows(count)[0][0], items.size());
    for (const json& item : items) {
      if (list == "turnos") {
        // As the reports print a till.
        EXPECT_EQ(item["label"], "T" + item["value"].get<std::string>());
      }
    }
  }
  // A quote in the search cannot end its literal, and a bracket is itself, not a T-SQL class
  // ([A] would match every name with an A): both find nothing and break nothing.
  for (const char* search : {"%27%20OR%20%271%27%3D%271", "%5BA%5D"}) {
    const auto answer = Get(std::string("/api/lookup/clientes?q=") + search);
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(json::parse(answer.body)["items"].empty()) << search;
  }
  EXPECT_EQ(Get("/api/lookup/senhas").status, 404);
}

// Twelve runs and as many plain requests again at once: every one answered, and each run
// what it gives alone.
TEST_F(ServeTest, ConcurrentClientsGetWhatTheyGetOneByOne) {
  const std::vector<std::string> bodies{
      kMarch,
      R"({"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"10/03/2024"})",
      R"({"Filtro_DataInicial":"11/03/2024","Filtro_DataFinal":"20/03/2024"})",
      R"({"Filtro_DataInicial":"21/03/2024","Filtro_DataFinal":"31/03/2024"})",
  };
  std::vector<std::string> oneByOne;
  for (const std::string& body : bodies) {
    oneByOne.push_back(Post("/api/reports/VendasPorTiposDeRecebimento", body).body);
  }
  std::latch go(1);
  std::vector<std::future<Answer>> answers;
  for (size_t i = 0; i < 40; ++i) {
    answers.push_back(std::async(std::launch::async, [&, i] {
      go.wait();
      return i < 12 ? Post("/api/reports/VendasPorTiposDeRecebimento", bodies[i % 4])
                    : Get("/api/runs");
    }));
  }
  go.count_down();
  for (size_t i = 0; i < answers.size(); ++i) {
    const Answer answer = answers[i].get();
    EXPECT_EQ(answer.status, 200) << answer.error;
    if (i < 12) {
      EXPECT_EQ(answer.body, oneByOne[i % 4]) << bodies[i % 4];
    }
  }
  EXPECT_EQ(server_->OpenConnections(), 0);
}

// The receipt-type report opens its connection (no statement yet), then runs its procedure on
// a connection of the command's own: the first steps counted are the procedure's. Stopped
// there, it frees both and the next run goes through.
TEST_F(ServeTest, AStoppedRunFreesItsConnectionAndTheServerGoesOn) {
  auto running = PostLater("/api/reports/VendasPorTiposDeRecebimento?run=in-procedure", kMarch);
  bool stopped = false;
  for (int i = 0; i < 2000 && !stopped; ++i) {
    const auto progress = Get("/api/runs/in-procedure");
    const json seen = progress.status == 200 ? json::parse(progress.body) : json::object();
    if (seen.value("state", "") == "running" && seen.value("steps", 0) > 0) {
      stopped = Post("/api/runs/in-procedure/stop", "").status == 202;
    }
  }
  ASSERT_TRUE(stopped) << "the run ended before it could be stopped";
  const auto answer = running.get();
  EXPECT_EQ(answer.status, 409);
  EXPECT_NE(answer.body.find("stopped"), std::string::npos);
  EXPECT_EQ(server_->OpenConnections(), 0);
  const json runs = json::parse(Get("/api/runs").body);
  EXPECT_TRUE(runs["runs"].empty());
  EXPECT_EQ(runs["connections"], 0);
  const auto after = Post("/api/reports/VendasPorTiposDeRecebimento", kMarch);
  EXPECT_EQ(after.status, 200);
  EXPECT_TRUE(json::parse(after.body)["result"].get<bool>());
}

TEST_F(ServeTest, RunsThatFillTheSameWorkingTableTakeTurnsAndTheOthersGoOn) {
  // Two slots: the second summary waits for TempDB's turn without taking the free one.
  Start("first", 2);
  // Both summaries fill ##VendasNosBicos.
  auto first = PostLater("/api/reports/ResumoPorProduto?run=first", kMarch);
  gate_.AwaitHeld();
  auto second = PostLater("/api/reports/ResumoPorGrupoDeProduto?run=second", kMarch);
  EXPECT_EQ(AwaitState("second", "queued"), "queued");
  EXPECT_EQ(Post("/api/reports/RankingDeVendas?run=other", kMarch).status, 200);
  EXPECT_EQ(AwaitState("second", "queued"), "queued");
  gate_.Open();
  EXPECT_EQ(first.get().status, 200);
  EXPECT_EQ(second.get().status, 200);
  EXPECT_EQ(gate_.Started(), (std::vector<std::string>{"first", "other", "second"}));
  EXPECT_EQ(server_->OpenConnections(), 0);
}

TEST_F(ServeTest, RequestsBeyondTheSlotsStartInOrderOfArrivalAndOnlyAFullLineIsRefused) {
  Start("held", 1, 3);
  auto held = PostLater("/api/reports/RankingDeVendas?run=held", kThreeDays);
  gate_.AwaitHeld();
  // With and without working tables; each is in line before the next is sent.
  const std::vector<std::pair<std::string, std::string>> waiters{
      {"q1", "ResumoPorProduto"}, {"q2", "RankingDeVendas"}, {"q3", "VendasPorTiposDeRecebimento"}};
  std::vector<std::future<Answer>> answers;
  for (size_t i = 0; i < waiters.size(); ++i) {
    const auto& [id, report] = waiters[i];
    SCOPED_TRACE(id);
    answers.push_back(PostLater("/api/reports/" + report + "?run=" + id, kThreeDays));
    ASSERT_EQ(AwaitState(id, "queued"), "queued");
    EXPECT_EQ(json::parse(Get("/api/runs/" + id).body)["position"], i + 1);
  }
  const auto refused = Post("/api/reports/RankingDeVendas?run=q4", kThreeDays);
  EXPECT_EQ(refused.status, 503);
  EXPECT_FALSE(refused.Header("retry-after").empty());
  EXPECT_NE(json::parse(refused.body).value("error", "").find("wait their turn"),
            std::string::npos);
  gate_.Open();
  EXPECT_EQ(held.get().Header("x-queue-seconds"), "0.000");
  for (size_t i = 0; i < waiters.size(); ++i) {
    SCOPED_TRACE(waiters[i].first);
    const auto answer = answers[i].get();
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(json::parse(answer.body)["result"].get<bool>());
    EXPECT_GT(std::stod("0" + answer.Header("x-queue-seconds")), 0.0);
  }
  EXPECT_EQ(gate_.Started(), (std::vector<std::string>{"held", "q1", "q2", "q3"}));
  EXPECT_EQ(server_->OpenConnections(), 0);
}

// A client that goes away stops its run, waiting or running, and frees its place; one that
// only shuts its sending side after a keep-alive request is still answered.
TEST_F(ServeTest, AClientThatHangsUpStopsItsRunAndOneThatHalfClosesIsAnswered) {
  Start("held", 1, 1);
  std::optional<RawClient> running(std::in_place, port_);
  ASSERT_TRUE(running->Send(RawPost("/api/reports/RankingDeVendas?run=held", kThreeDays)));
  gate_.AwaitHeld();
  {
    RawClient waiting(port_);
    ASSERT_TRUE(waiting.Send(RawPost("/api/reports/RankingDeVendas?run=gone", kThreeDays)));
    ASSERT_EQ(AwaitState("gone", "queued"), "queued");
  }
  EXPECT_EQ(AwaitState("gone", "gone"), "gone");
  // The running one: stopped at its next look at the stop switch, its slot free.
  running.reset();
  EXPECT_EQ(AwaitState("held", "stopping"), "stopping");
  gate_.Open();
  EXPECT_EQ(AwaitState("held", "gone"), "gone");
  EXPECT_EQ(gate_.Started(), std::vector<std::string>{"held"});

  RawClient halfClosed(port_);
  ASSERT_TRUE(halfClosed.Send(RawPost("/api/reports/RankingDeVendas", kThreeDays)));
  halfClosed.ShutDownSending();
  const std::string answer = halfClosed.Read();
  EXPECT_EQ(LastStatus(answer), 200) << answer.substr(0, 300);
  EXPECT_NE(answer.find("\"result\":true"), std::string::npos);
  EXPECT_EQ(server_->OpenConnections(), 0);
}

TEST_F(ServeTest, TheServerStopsTheWaitersWhileARunHoldsItsSlot) {
  Start("held", 1, 1);
  auto held = PostLater("/api/reports/RankingDeVendas?run=held", kThreeDays);
  gate_.AwaitHeld();
  auto last = PostLater("/api/reports/RankingDeVendas?run=last", kThreeDays);
  ASSERT_EQ(AwaitState("last", "queued"), "queued");
  auto stopping = std::async(std::launch::async, [this] { StopServer(); });
  EXPECT_EQ(last.get().status, 409);
  gate_.Open();
  stopping.get();
  held.get();
  EXPECT_EQ(gate_.Started(), std::vector<std::string>{"held"});
}

TEST_F(ServeTest, ASecondServerOnTheSamePortRefusesToStart) {
  const CommandResult command =
      Main({"serve", "--db", DemoMarch().string(), "--port", std::to_string(port_)});
  EXPECT_EQ(command.exitCode, 1);
  EXPECT_NE(command.err.find("in use"), std::string::npos) << command.err;
  ExpectStillServing();
}

// A reader that stops reading for longer than any deadline a server might set on writes
// (a browser laying out a long page) still gets the whole report and its end.
TEST_F(ServeTest, AReaderThatPausesInALongStreamGetsItsEnd) {
  RawClient reader(port_, nullptr, 16 * 1024);
  ASSERT_TRUE(reader.Send(RawPost("/api/reports/DetalhesDosMovimentosPorProdutos?format=html",
                                  kMarch, "", "HTTP/1.0")));
  std::string text = reader.Read(64 * 1024);
  ASSERT_EQ(LastStatus(text), 200) << text.substr(0, 300);
  std::this_thread::sleep_for(std::chrono::seconds(12));
  text += reader.Read();
  EXPECT_GT(text.size(), 4'000'000u);
  EXPECT_NE(text.rfind("</html>"), std::string::npos) << text.substr(text.size() - 200);
}

// Connections that send a request a line at a time hold no thread and no place another
// client needs: the server reads them as their lines come, and bounds those of one address.
TEST_F(ServeTest, SixtyFourDribblingConnectionsDoNotHoldUpARequest) {
  std::vector<std::unique_ptr<RawClient>> dribblers;
  for (int i = 0; i < 64; ++i) {
    dribblers.push_back(std::make_unique<RawClient>(port_, "127.0.0.2"));
    ASSERT_TRUE(dribblers.back()->Connected());
    dribblers.back()->Send("POST /api/reports/RankingDeVendas HTTP/1.1\r\n");
  }
  std::atomic<bool> answered{false};
  std::thread dribbling([&] {
    for (int line = 0; line < 10 && !answered; ++line) {
      for (auto& dribbler : dribblers) {
        dribbler->Send("X-Line: " + std::to_string(line) + "\r\n");
      }
      for (int i = 0; i < 20 && !answered; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
  });
  const Answer answer =
      http_client::Send(port_, "GET", "/api/reports", "", {}, "", std::chrono::seconds(8));
  answered = true;
  dribbling.join();
  EXPECT_EQ(answer.status, 200) << answer.error;
}

TEST_F(ServeTest, AssinarAddsTheFormAsASubscriptionThatTheListShows) {
  // On 2 April the form's March is the month before.
  const std::string form = R"({"report": "VendasPorTiposDeRecebimento", "parameters": )" +
                           std::string(kMarch) + R"(, "when": "dia 1 06:00")";
  const auto added = Post("/api/subscriptions", form + "}");
  EXPECT_EQ(added.status, 400);
  EXPECT_NE(json::parse(added.body)["error"].get<std::string>().find("neither folder nor email"),
            std::string::npos);
  const auto again = Post("/api/subscriptions", form + R"(, "folder": "m"})");
  EXPECT_EQ(again.status, 201) << again.body;
  const auto list = Get("/api/subscriptions");
  const json subscriptions = json::parse(list.body)["subscriptions"];
  ASSERT_EQ(subscriptions.size(), 1u) << list.body;
  EXPECT_EQ(subscriptions[0]["name"], "vendas-por-tipos-de-recebimento-mes-passado");
  EXPECT_EQ(subscriptions[0]["period"], "mes-passado");
  EXPECT_EQ(subscriptions[0]["delivered"], nullptr);
  std::filesystem::remove(Folder() / "assinaturas.toml");
}

// Off this machine the figures need the secret: a browser shows it once in the login page
// and keeps a cookie, a program sends it with each request; a run is stopped only by who
// started it.
TEST_F(ServeTest, WithASecretOnlyWhoShowsItComesInAndStopsOnlyItsOwnRuns) {
  EXPECT_EQ(Main({"serve", "--db", DemoMarch().string(), "--bind", "192.0.2.1"}).exitCode, 2);
  const std::string secret = "segredo-do-posto-0123";
  Start("mine", 4, 32, secret);

  const Answer page = Get("/");
  EXPECT_EQ(page.status, 401);
  EXPECT_NE(page.body.find("Segredo de acesso"), std::string::npos);
  EXPECT_EQ(Get("/api/reports").status, 401);
  EXPECT_EQ(Get("/api/reports", {{"Authorization", "Bearer " + secret}}).status, 200);
  EXPECT_EQ(Get("/api/reports", {{"Authorization", "Bearer nope"}}).status, 401);

  auto login = [&](const std::string& given) {
    return http_client::Send(port_, "POST", "/login", "segredo=" + given, {},
                             "application/x-www-form-urlencoded");
  };
  EXPECT_EQ(login("errado").status, 401);
  std::vector<std::string> cookies;
  for (int browser = 0; browser < 2; ++browser) {
    const Answer in = login(secret);
    ASSERT_EQ(in.status, 303);
    const std::string cookie = in.Header("set-cookie");
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
    cookies.push_back(cookie.substr(0, cookie.find(';')));
  }
  EXPECT_EQ(Get("/", {{"Cookie", cookies[0]}}).status, 200);

  auto mine = std::async(std::launch::async, [&] {
    return Post("/api/reports/RankingDeVendas?run=mine", kThreeDays, {{"Cookie", cookies[0]}});
  });
  gate_.AwaitHeld();
  EXPECT_EQ(Post("/api/runs/mine/stop", "", {{"Cookie", cookies[1]}}).status, 403);
  EXPECT_EQ(Post("/api/runs/mine/stop", "", {{"Authorization", "Bearer " + secret}}).status, 403);
  EXPECT_EQ(Post("/api/runs/mine/stop", "", {{"Cookie", cookies[0]}}).status, 202);
  gate_.Open();
  EXPECT_EQ(mine.get().status, 409);
}

}  // namespace
}  // namespace orla::cli
