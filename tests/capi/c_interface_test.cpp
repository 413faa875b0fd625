// The C interface's contract: each misuse gives its status and a message, nothing leaks, and
// a run gives exactly what `orla-vendas run --format json` writes.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "orla_vendas.h"

namespace {

namespace fs = std::filesystem;

struct Owned {
  char* text = nullptr;
  ~Owned() { orla_vendas_free(text); }
  std::string str() const { return text ? text : ""; }
};

using Handle = std::unique_ptr<orla_vendas_db, decltype(&orla_vendas_release)>;

// What the program writes, to hold the library's answer against.
std::string ProgramOutput(const std::string& arguments) {
  const std::string command = std::string(ORLA_PROGRAM) + " " + arguments + " 2>/dev/null";
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
  std::string out;
  std::array<char, 4096> buffer;
  size_t read = 0;
  while ((read = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
    out.append(buffer.data(), read);
  }
  if (!out.empty() && out.back() == '\n') {
    out.pop_back();
  }
  return out;
}

class CInterface : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = fs::temp_directory_path() / ("orla-capi-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    // The month ctest writes once for every test that reads it, or else one of our own.
    if (const char* shared = std::getenv("ORLA_DEMO_MARCH")) {
      database_ = shared;
    } else {
      database_ = folder_ / "march.db";
      ProgramOutput("demo-db --out " + database_.string() + " --start 2024-03-01 --days 31");
    }
    ASSERT_TRUE(fs::exists(database_));
  }
  static void TearDownTestSuite() { fs::remove_all(folder_); }

  static Handle Open(const std::string& database = database_.string()) {
    orla_vendas_db* db = nullptr;
    Owned error;
    EXPECT_EQ(orla_vendas_open(database.c_str(), &db, &error.text), ORLA_VENDAS_OK) << error.str();
    EXPECT_EQ(orla_vendas_set_today(db, "2024-03-31", nullptr), ORLA_VENDAS_OK);
    return Handle(db, &orla_vendas_release);
  }

  static std::string RunJson(orla_vendas_db* db, const char* report, const char* parameters) {
    Owned json;
    Owned error;
    EXPECT_EQ(orla_vendas_run(db, report, parameters, &json.text, &error.text), ORLA_VENDAS_OK)
        << error.str();
    return json.str();
  }

  static fs::path folder_;
  static fs::path database_;
};

fs::path CInterface::folder_;
fs::path CInterface::database_;

TEST_F(CInterface, MisusesGiveTheirStatusAndAMessage) {
  const fs::path notSqlite = folder_ / "notes.db";
  std::ofstream(notSqlite) << "not a database at all, but long enough to be read as one......\n";
  const fs::path empty = folder_ / "empty.db";
  std::ofstream{empty};
  Handle open = Open();
  Handle closed = Open();
  ASSERT_EQ(orla_vendas_close(closed.get(), nullptr), ORLA_VENDAS_OK);
  ASSERT_EQ(orla_vendas_close(closed.get(), nullptr), ORLA_VENDAS_OK);

  struct Case {
    const char* name;
    std::function<int(char** json, char** error)> call;
    int status;
    std::string message;
  };
  auto openText = [](std::string text) {
    return [text](char**, char** error) {
      orla_vendas_db* db = nullptr;
      const int status = orla_vendas_open(text.c_str(), &db, error);
      EXPECT_EQ(db, nullptr);
      orla_vendas_release(db);
      return status;
    };
  };
  // Most misuses are runs of the open handle; db picks another.
  auto run = [&](const char* report, const char* parameters, orla_vendas_db* db = nullptr) {
    return [=, db = db ? db : open.get()](char** json, char** error) {
      return orla_vendas_run(db, report, parameters, json, error);
    };
  };
  auto render = [&](const char* format, std::string file) {
    return [&, format, file](char** json, char** error) {
      return orla_vendas_render(open.get(), "ResumoPorProduto", nullptr, format, file.c_str(), json,
                                error);
    };
  };
  const char* resumo = "ResumoPorProduto";
  const char* ranking = "RankingDeVendas";
  const Case cases[] = {
      {"no database", [](char**, char** e) { return orla_vendas_open(nullptr, nullptr, e); },
       ORLA_VENDAS_INVALID_ARGUMENT, "is NULL"},
      {"missing file", openText("/nowhere/vendas.db"), ORLA_VENDAS_DATABASE,
       "no such database file: /nowhere/vendas.db"},
      {"not SQLite", openText(notSqlite.string()), ORLA_VENDAS_DATABASE,
       "cannot open the sales database " + notSqlite.string()},
      {"no sales in it", openText(empty.string()), ORLA_VENDAS_DATABASE, "Movimentações em Vendas"},
      {"another provider", openText("Provider=SQLOLEDB;Data Source=\"x.db\""), ORLA_VENDAS_DATABASE,
       "not SQLite"},
      {"connection string to no file", openText("Provider=SQLite;Data Source=\"/nowhere/x.db\""),
       ORLA_VENDAS_DATABASE, "no such database file: /nowhere/x.db"},
      {"bad JSON", run(resumo, R"({"Filtro_TipoVisao": )"), ORLA_VENDAS_BAD_JSON, "are not JSON"},
      {"JSON but no object", run(resumo, "[1, 2]"), ORLA_VENDAS_BAD_JSON, "object but array"},
      {"a number beyond a double", run(ranking, R"({"Filtro_QtdeRegistros":1e400})"),
       ORLA_VENDAS_BAD_JSON, "Filtro_QtdeRegistros: the number 1e400 is out of range"},
      // Read as 0, it would pass for a number the caller never gave.
      {"a number below a double", run(ranking, R"({"Filtro_QtdeRegistros":1e-400})"),
       ORLA_VENDAS_BAD_JSON, "1e-400 is out of range"},
      {"unknown report", run("ResumoPorNada", nullptr), ORLA_VENDAS_UNKNOWN_REPORT,
       "unknown report 'ResumoPorNada'"},
      {"no report", run(nullptr, nullptr), ORLA_VENDAS_INVALID_ARGUMENT, "report name is NULL"},
      {"unknown parameter", run(resumo, R"({"Filtro_Nada": "1"})"), ORLA_VENDAS_BAD_PARAMETER,
       "ResumoPorProduto has no parameter Filtro_Nada"},
      {"given twice", run(resumo, R"({"Filtro_TipoVisao":"1","Filtro_TipoVisao":"0"})"),
       ORLA_VENDAS_BAD_PARAMETER, "parameter Filtro_TipoVisao is given twice"},
      {"text for a number", run(resumo, R"({"Filtro_TipoVisao": "um"})"), ORLA_VENDAS_BAD_PARAMETER,
       "Filtro_TipoVisao"},
      {"array for a number", run(resumo, R"({"Filtro_TipoVisao": [1]})"), ORLA_VENDAS_BAD_PARAMETER,
       "must be text, a boolean or a number, not array"},
      {"boolean for a number", run(resumo, R"({"Filtro_TipoVisao": true})"),
       ORLA_VENDAS_BAD_PARAMETER, "Filtro_TipoVisao"},
      {"beyond a 16-bit integer",
       run("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
           R"({"Filtro_TipoConfigPreVenda": 40000})"),
       ORLA_VENDAS_BAD_PARAMETER, "Filtro_TipoConfigPreVenda"},
      {"payment forms that would end the literal",
       run("DetalhesDosMovimentosPorClientes",
           R"({"Filtro_FormasDePagto": "'Dinheiro') OR (1=1"})"),
       ORLA_VENDAS_BAD_PARAMETER, "Filtro_FormasDePagto"},
      {"run after close", run(resumo, nullptr, closed.get()), ORLA_VENDAS_CLOSED, "closed"},
      {"list after close", [&](char** j, char** e) { return orla_vendas_list(closed.get(), j, e); },
       ORLA_VENDAS_CLOSED, "closed"},
      {"today after close",
       [&](char**, char** e) { return orla_vendas_set_today(closed.get(), "2024-03-01", e); },
       ORLA_VENDAS_CLOSED, "closed"},
      {"a today that is no date",
       [&](char**, char** e) { return orla_vendas_set_today(open.get(), "31/03/2024", e); },
       ORLA_VENDAS_INVALID_ARGUMENT, "today"},
      {"unknown format", render("docx", (folder_ / "out.pdf").string()), ORLA_VENDAS_OUTPUT,
       "not 'docx'"},
      {"format not told by the file", render(nullptr, "relatorio"), ORLA_VENDAS_OUTPUT,
       "cannot tell the format"},
      {"unwritable file", render("pdf", "/nowhere/r.pdf"), ORLA_VENDAS_OUTPUT,
       "cannot write /nowhere/r.pdf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Owned json;
    Owned error;
    EXPECT_EQ(orla_vendas_status_name(c.call(&json.text, &error.text)),
              std::string(orla_vendas_status_name(c.status)));
    EXPECT_NE(error.str().find(c.message), std::string::npos) << error.str();
    // Only a report that ran gives its document.
    EXPECT_EQ(json.text != nullptr,
              c.status == ORLA_VENDAS_OUTPUT && c.message.starts_with("cannot write"));
  }
}

TEST_F(CInterface, RunGivesWhatTheProgramWrites) {
  Handle db = Open("Provider=SQLite;Data Source=\"" + database_.string() + "\"");
  const std::string cli = "run RankingDeVendas --db " + database_.string() +
                          " --today 2024-03-31 --format json Filtro_DataInicial=01/03/2024"
                          " Filtro_DataFinal=31/03/2024 Filtro_QtdeRegistros=5"
                          " Filtro_TipoAgrupamento=1 Filtro_IsExibirOutrosProdutos=false";
  // The same values as texts and as JSON's own booleans and numbers.
  for (const char* parameters :
       {R"({"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"31/03/2024",
            "Filtro_QtdeRegistros":"5","Filtro_TipoAgrupamento":"1",
            "Filtro_IsExibirOutrosProdutos":"false"})",
        R"({"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"31/03/2024",
            "Filtro_QtdeRegistros":"5","Filtro_TipoAgrupamento":1,
            "Filtro_IsExibirOutrosProdutos":false})"}) {
    SCOPED_TRACE(parameters);
    EXPECT_EQ(RunJson(db.get(), "RankingDeVendas", parameters), ProgramOutput(cli));
  }
  // Without parameters, the defaults of the handle's today: March 2024.
  EXPECT_EQ(RunJson(db.get(), "VendasPorTiposDeRecebimento", nullptr),
            ProgramOutput("run VendasPorTiposDeRecebimento --db " + database_.string() +
                          " --today 2024-03-31 --format json"));
}

TEST_F(CInterface, RenderWritesTheShownReportOnly) {
  Handle db = Open();
  const fs::path pdf = folder_ / "resumo.pdf";
  Owned json;
  ASSERT_EQ(orla_vendas_render(db.get(), "ResumoPorProduto", nullptr, nullptr, pdf.c_str(),
                               &json.text, nullptr),
            ORLA_VENDAS_OK);
  EXPECT_EQ(json.str(), RunJson(db.get(), "ResumoPorProduto", nullptr));
  std::ifstream written(pdf, std::ios::binary);
  std::string head(5, '\0');
  written.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");

  // The foot names the user the host gives.
  ASSERT_EQ(orla_vendas_set_user(db.get(), "ana", nullptr), ORLA_VENDAS_OK);
  const fs::path text = folder_ / "resumo.txt";
  ASSERT_EQ(orla_vendas_render(db.get(), "ResumoPorProduto", nullptr, "txt", text.c_str(), nullptr,
                               nullptr),
            ORLA_VENDAS_OK);
  std::stringstream printed;
  printed << std::ifstream(text).rdbuf();
  EXPECT_TRUE(printed.str().ends_with(" por ana\n")) << printed.str();

  // A month without sales prints nothing, and says so in its document too.
  const fs::path none = folder_ / "none.csv";
  Owned emptyJson;
  Owned error;
  EXPECT_EQ(
      orla_vendas_render(db.get(), "ResumoPorProduto",
                         R"({"Filtro_DataInicial":"01/01/2020","Filtro_DataFinal":"31/01/2020"})",
                         "csv", none.c_str(), &emptyJson.text, &error.text),
      ORLA_VENDAS_NOT_SHOWN);
  EXPECT_FALSE(fs::exists(none));
  EXPECT_EQ(nlohmann::json::parse(emptyJson.str()).at("shown"), false);

  // A date that does not exist: the error names the value the library could not read.
  Owned refused;
  EXPECT_EQ(orla_vendas_render(db.get(), "ResumoPorProduto", R"({"Filtro_DataFinal":"31/02/2024"})",
                               "csv", none.c_str(), nullptr, &refused.text),
            ORLA_VENDAS_NOT_SHOWN);
  EXPECT_EQ(refused.str(),
            "nothing to print: the report was not shown; Filtro_DataFinal: "
            "31/02/2024 is not a valid date");
}

TEST_F(CInterface, ListsTheThirteenReports) {
  Owned json;
  ASSERT_EQ(orla_vendas_list(nullptr, &json.text, nullptr), ORLA_VENDAS_OK);
  const nlohmann::json catalogue = nlohmann::json::parse(json.str());
  ASSERT_EQ(catalogue.at("reports").size(), 13u);
  for (const nlohmann::json& report : catalogue.at("reports")) {
    EXPECT_FALSE(report.at("parameters").empty()) << report.at("name");
  }
}

// Threads, each with a handle of its own; the first two fill the same working table.
TEST_F(CInterface, ThreadsRunSideBySideAsTheyWouldInTurn) {
  const std::vector<const char*> reports = {"ResumoPorProduto", "TabelaDeVendasPorBico",
                                            "RankingDeVendas", "ResumoPorProduto"};
  std::vector<std::string> alone;
  {
    Handle db = Open();
    for (const char* report : reports) {
      alone.push_back(RunJson(db.get(), report, nullptr));
    }
  }
  std::vector<std::string> together(reports.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < reports.size(); ++i) {
    threads.emplace_back([&, i] {
      Handle db = Open();
      together[i] = RunJson(db.get(), reports[i], nullptr);
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (size_t i = 0; i < reports.size(); ++i) {
    SCOPED_TRACE(reports[i]);
    EXPECT_EQ(nlohmann::json::parse(together[i]).at("result"), true);
    EXPECT_EQ(together[i], alone[i]);
  }
}

}  // namespace
