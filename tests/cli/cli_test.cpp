// orla-vendas as outside tools drive it: the JSON contract, the SQL trace, the exit codes, the
// CSV a spreadsheet opens.
#include <fstream>
#include <regex>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::string> kMarch = {
    "VendasPorTiposDeRecebimento", "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024"};

TEST_F(CliTest, JsonIsTheContractObject) {
  const CommandResult raw = Run(With(kMarch, {"--format", "json"}));
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(raw.out);
  std::vector<std::string> keys;
  for (const auto& [key, value] : ordered.items()) {
    keys.push_back(key);
  }
  const json outcome = json::parse(raw.out);
  EXPECT_THAT(keys, ElementsAre("operation", "result", "report", "shown", "messages", "errors"));
  EXPECT_EQ(outcome["operation"], "VendasPorTiposDeRecebimento");
  EXPECT_EQ(outcome["result"], true);
  EXPECT_EQ(outcome["shown"], true);
  EXPECT_EQ(outcome["messages"], json::array());
  EXPECT_EQ(outcome["errors"], json::array());
  const json& report = outcome["report"];
  EXPECT_EQ(report["layout"], "rptVendasPorTiposDeRecebimento");
  EXPECT_EQ(report["title"], "Vendas - Por Tipos de Recebimento");
  EXPECT_EQ(report["headerLines"], json({"[12.345.678/0001-95] - AUTO POSTO ORLA LTDA",
                                         "Visão fiscal / De 01/03/24 até 31/03/24"}));
  EXPECT_EQ(report["columns"], json({"TipoRecebimento", "FormaPagto", "QtdeVendas", "VLTotal",
                                     "VLTroco", "VLLiquido", "VLTicketMedio", "TxParticipacao"}));
  ASSERT_FALSE(report["rows"].empty());
  for (const json& row : report["rows"]) {
    EXPECT_TRUE(row[0].is_string());
    EXPECT_TRUE(row[2].is_number_integer());
    EXPECT_TRUE(row[3].is_number());
  }
}

TEST_F(CliTest, TheTraceShowsEveryDatabaseCallInOrder) {
  const std::filesystem::path trace = Folder() / "receipt-types.trace";
  RunJson(With(kMarch, {"--trace-sql", trace.string()}));
  const std::vector<json> calls = ReadTrace(trace);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], json({{"call", "DB_Open"}}));
  EXPECT_EQ(calls[1], json({{"call", "GetConnectionString"}}));
  EXPECT_EQ(calls[2]["call"], "Command.Execute");
  EXPECT_EQ(calls[2]["text"], "_RPT_VTR");
  EXPECT_EQ(calls[2]["parameters"], json::parse(R"([
              {"name":"dtInicial","type":7,"direction":1,"size":0,"value":"2024-03-01"},
              {"name":"dtFinal","type":7,"direction":1,"size":0,"value":"2024-03-31"},
              {"name":"IDRetorno","type":200,"direction":2,"size":200,"value":null}])"));
  EXPECT_EQ(calls[3]["call"], "OpenRecordSet");
  // The final query reads the procedure's rows by the key it returned, quoted as it came.
  const std::string sql = calls[3]["sql"];
  const std::string keyStart = "(vr.WorkStationID = '";
  const size_t from = sql.find(keyStart) + keyStart.size();
  const std::string key = sql.substr(from, sql.find('\'', from) - from);
  EXPECT_THAT(key, ::testing::MatchesRegex("ORLA-[0-9]+-[0-9]+"));
  EXPECT_EQ(calls[4], json({{"call", "DB_Close"}}));
}

TEST_F(CliTest, ARefusedPeriodExitsOneNamingTheDateAndStillClosesTheConnection) {
  const std::filesystem::path trace = Folder() / "refused.trace";
  const CommandResult raw =
      Run({"VendasPorTiposDeRecebimento", "Filtro_DataInicial=31/02/2024",
           "Filtro_DataFinal=31/03/2024", "--format", "json", "--trace-sql", trace.string()});
  EXPECT_EQ(raw.exitCode, 1);
  const json outcome = json::parse(raw.out);
  EXPECT_EQ(outcome["result"], false);
  EXPECT_EQ(outcome["report"], nullptr);
  EXPECT_EQ(outcome["shown"], false);
  // After the report's own message, which does not say which date it could not read.
  EXPECT_EQ(outcome["messages"],
            json::parse(R"([{"text":"Você precisa informar o período desejado!",
                             "title":"Atenção","style":64}])"));
  EXPECT_EQ(outcome["details"],
            json::array({"Filtro_DataInicial: 31/02/2024 is not a valid date"}));
  EXPECT_THAT(ReadTrace(trace), ElementsAre(json({{"call", "DB_Close"}})));
  EXPECT_THAT(raw.err, ::testing::ContainsRegex("desejado!\n.*Filtro_DataInicial: 31/02/2024"));
  EXPECT_THAT(raw.err, ::testing::Not(HasSubstr("Filtro_DataFinal")));
}

// A client code with a quote reaches the statement doubled and fails to convert: one line
// naming the operation, the host's call and the reason, on the terminal and in the JSON; the
// statement only in the trace and with --verbose.
TEST_F(CliTest, ADatabaseErrorIsOneLineAndItsStatementGoesToTheTrace) {
  const std::filesystem::path trace = Folder() / "failed.trace";
  const std::vector<std::string> run = {"ClienteEspecial",
                                        "Filtro_DataInicial=01/03/2024",
                                        "Filtro_DataFinal=31/03/2024",
                                        "Filtro_IDCliente=1'x",
                                        "--format",
                                        "json",
                                        "--trace-sql",
                                        trace.string()};
  const CommandResult quiet = Run(run);
  EXPECT_EQ(quiet.exitCode, 1);
  const json errors = json::parse(quiet.out)["errors"];
  ASSERT_EQ(errors.size(), 1u);
  const std::string description = errors[0]["description"];
  EXPECT_THAT(description, HasSubstr("Conversion failed"));
  EXPECT_THAT(description, ::testing::Not(HasSubstr("SELECT")));
  EXPECT_THAT(quiet.err, HasSubstr("error in Reports.ClienteEspecial(): " + description + "\n"));
  EXPECT_THAT(quiet.err, ::testing::Not(HasSubstr("SELECT")));
  const std::vector<json> calls = ReadTrace(trace);
  const auto failed =
      std::ranges::find_if(calls, [](const json& c) { return c.contains("failed"); });
  ASSERT_NE(failed, calls.end());
  EXPECT_EQ((*failed)["failed"], "SQL_Execute");
  EXPECT_EQ("SQL_Execute: " + (*failed)["description"].get<std::string>(), description);
  EXPECT_THAT((*failed)["statement"].get<std::string>(), HasSubstr("= '1''x'"));
  EXPECT_THAT(Run(With(run, {"--verbose"})).err, HasSubstr("statement: INSERT INTO ##vcliesp"));
  // A stored procedure's failure names the procedure (an empty file is a database without
  // the sales tables).
  const std::filesystem::path empty = Folder() / "empty.db";
  std::ofstream{empty};
  EXPECT_THAT(Main({"run", "VendasPorTiposDeRecebimento", "--db", empty.string()}).err,
              HasSubstr("error in Reports.VendasPorTiposDeRecebimento(): Command.Execute _RPT_VTR: "
                        "SQLite: no such table"));
}

// Two printouts on different filters are told apart on paper: the values, the names looked
// up for the codes, the switches off their default; a run on none prints no line.
TEST_F(CliTest, TheFiltersLineNamesEveryValueGivenUnderTheCaption) {
  const std::vector<std::string> filtered = {"DetalhesDosMovimentosPorClientes",
                                             "Filtro_DataInicial=01/03/2024",
                                             "Filtro_DataFinal=31/03/2024",
                                             "Filtro_IDTurno=1",
                                             "Filtro_IDProduto=1",
                                             "Filtro_FormasDePagto='Dinheiro','PIX'",
                                             "Filtro_IsExibirOutrosProdutos=false"};
  const std::string line =
      "Filtros: Produto 1 - GASOLINA COMUM · Turno T1 · Sem outros produtos · "
      "Formas de pagamento: Dinheiro, PIX";
  for (const char* format : {"txt", "html", "pdf"}) {
    SCOPED_TRACE(format);
    const std::filesystem::path file = Folder() / (std::string("filtered.") + format);
    const CommandResult result = Run(With(filtered, {"--out", file.string()}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string text = std::string(format) == "pdf" ? PdfText(file) : ReadFile(file);
    EXPECT_THAT(text, HasSubstr(line));
  }
  EXPECT_THAT(Run(kMarch).out, ::testing::Not(HasSubstr("Filtros:")));
}

TEST_F(CliTest, AnEmptyResultTellsTheUserUnlessTheViewerIsHidden) {
  const std::vector<std::string> august = {"VendasPorTiposDeRecebimento",
                                           "Filtro_DataInicial=01/08/2024",
                                           "Filtro_DataFinal=31/08/2024"};
  const json visible = RunJson(august);
  EXPECT_EQ(visible["result"], true);
  EXPECT_EQ(visible["shown"], false);
  EXPECT_EQ(visible["messages"][0]["text"], "Nenhum registro foi localizado para ser impresso!!!");
  EXPECT_EQ(visible["report"]["rows"], json::array());
  const json hidden = RunJson(With(august, {"--viewer-hidden"}));
  EXPECT_EQ(hidden["messages"], json::array());
}

TEST_F(CliTest, BadArgumentsExitTwoAndRunNothing) {
  const std::filesystem::path trace = Folder() / "never.trace";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"Vendas"}, "unknown operation 'Vendas'"},
      {{"VendasPorTiposDeRecebimento", "Filtro_IDTurno=1"}, "no parameter Filtro_IDTurno"},
      {{"TabelaDeVendasPorBico", "Filtro_TipoVisao=abc"}, "Filtro_TipoVisao expects"},
      {{"TabelaDeVendasPorBico", "Filtro_TipoVisao=1.5"}, "Filtro_TipoVisao expects"},
      {{"TabelaDeVendasPorBico", "Filtro_IsIgnorarADOutrosTipos=yes"}, "expects true or false"},
      {{"ResumoPorClassificacaoFiscal", "Filtro_ST_AL_ICMS=17,5"}, "decimal point"},
      {{"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "Filtro_TipoConfigPreVenda=40000"},
       "from -32768 to 32767"},
      {{"RankingDeVendas", "OrderListIndex=1", "OrderListIndex=2"}, "given twice"},
      {{"RankingDeVendas", "--today", "2024-13-01"}, "--today expects a date"},
      {{"RankingDeVendas", "--format", "PDF"}, "--format expects"},
      {{"RankingDeVendas", "--out", "ranking.docx"}, "cannot tell the format"},
      {{"RankingDeVendas", "--colour"}, "unknown option --colour"},
  };
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const CommandResult result = Run(With(arguments, {"--trace-sql", trace.string()}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr(message));
    EXPECT_TRUE(result.out.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(trace));
  EXPECT_EQ(Main({"run", "RankingDeVendas", "--db", (Folder() / "missing.db").string()}).exitCode,
            2);
}

TEST_F(CliTest, TodayIsTheDateTheReportSees) {
  // Without dates the period is the current month up to today.
  const json outcome = RunJson({"VendasPorTiposDeRecebimento", "--today", "2024-03-20"});
  EXPECT_EQ(outcome["report"]["headerLines"][1], "Visão fiscal / De 01/03/24 até 20/03/24");
}

// Both CSV dialects opened as a spreadsheet would open them (LibreOffice Calc, headless):
// plain as a program's file (",", decimal point), br as a Brazilian user's (";", decimal
// comma); either way the net values come back as numbers, the report's own.
TEST_F(CliTest, EitherCsvDialectOpensInASpreadsheetWithItsNumbers) {
  const json report = RunJson(kMarch)["report"];
  const std::filesystem::path folder = Folder() / "calc";
  std::filesystem::create_directories(folder);
  struct Dialect {
    std::string name, filter, head;
  };
  for (const Dialect& d :
       {Dialect{"plain", "CSV:44,34,76,1,,1033", "TipoRecebimento,FormaPagto,QtdeVendas,"},
        Dialect{"br", "CSV:59,34,76,1,,1046",
                "\xEF\xBB\xBFTipo de recebimento;Forma de pagamento;Vendas;Valor total;"}}) {
    SCOPED_TRACE(d.name);
    const std::filesystem::path csv = folder / (d.name + ".csv");
    ASSERT_EQ(Run(With(kMarch, {"--csv-dialect", d.name, "--out", csv.string()})).exitCode, 0);
    EXPECT_THAT(ReadFile(csv), ::testing::StartsWith(d.head));
    const std::string command =
        "timeout 120 soffice -env:UserInstallation=file://" + (folder / "profile").string() +
        " --headless --convert-to xlsx --infilter=" + d.filter + " --outdir '" + folder.string() +
        "' '" + csv.string() + "' >/dev/null 2>&1 && unzip -p '" +
        (folder / (d.name + ".xlsx")).string() + "' xl/worksheets/sheet1.xml";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string sheet;
    for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;) {
      sheet += static_cast<char>(c);
    }
    ASSERT_FALSE(sheet.empty()) << "LibreOffice Calc (libreoffice-calc-nogui) converted nothing";
    // Column F is the net value in both: VLLiquido, "Valor líquido".
    const std::regex cell(R"re(<c r="F([0-9]+)"[^>]* t="n"><v>([^<]*)</v></c>)re");
    size_t numbers = 0;
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell);
         it != std::sregex_iterator(); ++it, ++numbers) {
      const size_t row = std::stoul((*it)[1]) - 2;
      ASSERT_LT(row, report["rows"].size());
      EXPECT_NEAR(std::stod((*it)[2]), report["rows"][row][5].get<double>(), 0.005) << row;
    }
    EXPECT_EQ(numbers, report["rows"].size());
  }
}

TEST_F(CliTest, EveryCommandExplainsItself) {
  for (const char* command : {"run", "list", "render", "demo-db", "deliver"}) {
    SCOPED_TRACE(command);
    const CommandResult help = Main({command, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("usage: orla-vendas " + std::string(command)));
    EXPECT_THAT(help.out, HasSubstr("example"));
  }
  EXPECT_EQ(Main({}).exitCode, 2);
  EXPECT_EQ(Main({"frobnicate"}).exitCode, 2);
  const CommandResult version = Main({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("orla-vendas 321\\.0\n"
                                                   "library ORLA_Vendas\\.Reports 321\\.0\n"
                                                   "SQLite 3\\.[0-9.]+\n"
                                                   "Cairo 1\\.[0-9.]+\n"
                                                   "Pango 1\\.[0-9.]+\n"
                                                   "HarfBuzz [0-9.]+\n"));
}

TEST_F(CliTest, ListShowsEveryOperationWithItsParameters) {
  const CommandResult list = Main({"list"});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_THAT(list.out,
              ::testing::ContainsRegex("== Detalhes dos movimentos ==\n\nClienteEspecial: "
                                       "Vendas - [^\n]+\n  Filtro_DataInicial"));
  EXPECT_THAT(list.out,
              HasSubstr("VendasPorTiposDeRecebimento: Vendas - Por Tipos de Recebimento\n"));
  EXPECT_THAT(list.out, ::testing::ContainsRegex("Filtro_QtdeRegistros +text +default 40"));
  EXPECT_THAT(list.out,
              ::testing::ContainsRegex("Filtro_TipoConfigPreVenda +16-bit integer +default 1"));
}

}  // namespace
}  // namespace orla::cli
