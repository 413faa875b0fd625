// Hostile values for every parameter of every operation, through `run`, `sql` and the viewer's
// API: each gives a refusal, a clean error or a report, never a crash, and never a statement
// whose shape the value changed.
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "bench/load/http_client.h"
#include "demo/generator.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "serve/server.h"
#include "sqlite/tsql_tokenizer.h"
#include "tests/cli/cli_fixture.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

using nlohmann::json;
namespace tsql = sqlite::tsql;
using reports::ParameterType;

// The shape of a statement: its tokens with every literal reduced to its kind, a list of
// literals (an IN list) to one literal and a sign to the number it stands before, so runs
// that differ only in the values they look for have the same shapes.
std::string Shape(const std::string& sql) {
  const std::vector<tsql::Token> tokens = tsql::Tokenize(sql);
  std::vector<std::string> pieces;
  bool inList = false;  // after "IN (" and literals only
  for (size_t i = 0; i < tokens.size(); ++i) {
    const tsql::Token& token = tokens[i];
    const bool listed = inList;
    inList = false;
    switch (token.kind) {
      case tsql::TokenKind::String:
      case tsql::TokenKind::Number:
        if (listed && pieces.back() == ",") {
          pieces.pop_back();
        } else {
          pieces.push_back("?");
        }
        inList = listed || (pieces.size() >= 3 && pieces[pieces.size() - 2] == "(" &&
                            pieces[pieces.size() - 3] == "IN");
        break;
      case tsql::TokenKind::Comma:
        pieces.push_back(",");
        inList = listed;
        break;
      case tsql::TokenKind::Operator: {
        const bool sign = (token.text == "-" || token.text == "+") && i + 1 < tokens.size() &&
                          tokens[i + 1].kind == tsql::TokenKind::Number &&
                          (i == 0 || tokens[i - 1].kind == tsql::TokenKind::Operator ||
                           tokens[i - 1].kind == tsql::TokenKind::LeftParen ||
                           tokens[i - 1].kind == tsql::TokenKind::Comma);
        if (!sign) {
          pieces.push_back(token.text);
        }
        break;
      }
      case tsql::TokenKind::Word: {
        std::string word = token.text;
        for (char& c : word) {
          c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        pieces.push_back(word);
        break;
      }
      case tsql::TokenKind::QuotedName:
        pieces.push_back("[" + token.text + "]");
        break;
      default:
        pieces.push_back(token.text);
    }
  }
  std::string shape;
  for (const std::string& piece : pieces) {
    shape += piece + ' ';
  }
  return shape;
}

TEST(StatementShape, TellsValuesFromSqlAValueAdded) {
  struct Case {
    std::string a, b;
    bool same;
  };
  const std::vector<Case> cases{
      {"SELECT a FROM t WHERE (b = '1')", "select a from t where (b = 'x'' OR ''1''=''1')", true},
      {"SELECT a FROM t WHERE (b = '1')", "SELECT a FROM t WHERE (b = '1' OR '1'='1')", false},
      {"SELECT a FROM t WHERE b IN ('x')", "SELECT a FROM t WHERE b IN ('x', 'y','z')", true},
      {"SELECT TOP 40 a FROM t", "SELECT TOP 1,5 a FROM t", false},
      {"SELECT TOP 40 a FROM t", "SELECT TOP -1 a FROM t", false},
      {"SELECT a FROM t WHERE (b = 17.5)", "SELECT a FROM t WHERE (b = -0.5)", true},
      {"SELECT a FROM t WHERE (b = '1')", "SELECT a FROM t WHERE (b = '1'); DROP TABLE t", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.b);
    EXPECT_EQ(Shape(c.a) == Shape(c.b), c.same) << Shape(c.a) << "\n" << Shape(c.b);
  }
}

struct Hostile {
  std::string name;
  std::string value;
};

// A megabyte of text with a quote in every line of it.
std::string OneMegabyte() {
  std::string text;
  while (text.size() < (1u << 20)) {
    text += "D'Ouro ";
    text.append(57, 'x');
  }
  return text;
}

// Several dangers a value where one cannot hide another: what the host refuses, it refuses
// for any of them.
std::vector<Hostile> HostileTexts(std::string_view parameter) {
  std::vector<Hostile> values{
      {"quotes, semicolons, comments", "1' OR '1'='1'; DROP TABLE [Clientes]; -- /*"},
      {"a quoted name that holds SQL", "'a''); DELETE FROM [Clientes]; --'"},
      {"a backslash before CR, LF and a GO line", "1\\\r\nGO\r\n' OR 1=1 --"},
      {"NUL", std::string("1\0' OR 1=1 --", 14)},
      {"quote look-alikes", "1\xCA\xBC OR 1=1 --\xEF\xBC\x87"},
      {"not UTF-8", "1\xFF\xFE'\xC3"},
      {"placeholders and names", "{c}{a}{0}{1}{2}{CLASS}@dtInicial [x] \"y\" */"},
      // A number under the regional rules, with a sign, a decimal comma and an exponent.
      {"a number of several tokens", "-1,5e3"},
      {"1 MB", OneMegabyte()},
  };
  if (parameter.starts_with("Filtro_Data")) {
    for (const char* date :
         {"31/02/2024", "29/02/2023", "00/00/0000", "01/13/2024", "9999", "29/02/2024 10:00"}) {
      values.push_back({date, date});
    }
  }
  return values;
}

constexpr std::string_view kToday = "2024-03-03";
constexpr size_t kLongest = 4096;  // what the API takes

class BadInputTest : public CliTest {
 protected:
  // Three days are enough: the cases check shapes and outcomes, not figures.
  static void SetUpTestSuite() {
    database_ = testing::ScratchFile("tiny.db");
    demo::GeneratorOptions options;
    options.days = 3;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    demo::Generate(database_, options);
  }

  static const std::filesystem::path& Database() { return database_; }

  struct Traced {
    CommandResult command;
    std::vector<std::string> statements;  // each traced "sql", in order
  };

  static Traced RunTraced(std::string_view operation, const std::vector<std::string>& assignments) {
    const std::filesystem::path trace = Database().string() + ".trace";
    std::filesystem::remove(trace);
    std::vector<std::string> arguments{"run", std::string(operation)};
    arguments.insert(arguments.end(), assignments.begin(), assignments.end());
    arguments.insert(arguments.end(), {"--db", Database().string(), "--format", "json", "--today",
                                       std::string(kToday), "--trace-sql", trace.string()});
    Traced run;
    run.command = Main(arguments);
    if (std::filesystem::exists(trace)) {
      for (const json& call : ReadTrace(trace)) {
        if (call.contains("sql")) {
          run.statements.push_back(call["sql"].get<std::string>());
        }
      }
    }
    return run;
  }

  // The run on a value that no one would call hostile: a day of the period for the date
  // parameters, else an identifier, or a quoted name where the slot takes a list of names.
  static Traced RunBenign(std::string_view operation, const std::string& name) {
    if (name.starts_with("Filtro_Data")) {
      return RunTraced(operation, {name + "=02/03/2024"});
    }
    Traced run = RunTraced(operation, {name + "=1"});
    return run.command.exitCode == 2 ? RunTraced(operation, {name + "='1'"}) : run;
  }

  // What every answer must be: exit 2 naming the parameter with nothing run, or the JSON
  // outcome with a result that matches the exit status.
  static void ExpectCleanOutcome(const Traced& run, std::string_view operation,
                                 const std::string& name) {
    const int exit = run.command.exitCode;
    ASSERT_TRUE(exit == 0 || exit == 1 || exit == 2) << exit;
    if (exit == 2) {
      EXPECT_NE(run.command.err.find(name), std::string::npos) << run.command.err;
      EXPECT_TRUE(run.statements.empty());
      return;
    }
    const json outcome = json::parse(run.command.out, nullptr, false);
    ASSERT_FALSE(outcome.is_discarded()) << run.command.out.substr(0, 200);
    EXPECT_EQ(outcome["operation"], operation);
    EXPECT_EQ(outcome["result"], exit == 0);
    for (const json& error : outcome["errors"]) {
      EXPECT_EQ(error["procedure"], "Reports." + std::string(operation) + "()");
    }
  }

  static inline std::filesystem::path database_;
};

// The first operation that has a parameter of this name. A megabyte costs time in every
// statement it crosses, and what it could break (memory, a length limit) does not depend on
// the report, so one operation a parameter meets it.
bool FirstToTake(const reports::ReportDescriptor& operation, std::string_view parameter) {
  for (const reports::ReportDescriptor& other : reports::ReportList()) {
    for (const reports::Parameter& p : other.parameters) {
      if (p.name == parameter) {
        return &other == &operation;
      }
    }
  }
  return false;
}

class BadInputPerOperation : public BadInputTest,
                             public ::testing::WithParamInterface<std::string_view> {};

TEST_P(BadInputPerOperation, HostileTextKeepsEveryStatementInItsShape) {
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    if (operation.name != GetParam()) {
      continue;
    }
    for (const reports::Parameter& parameter : operation.parameters) {
      if (parameter.type != ParameterType::Text) {
        continue;
      }
      const std::string name(parameter.name);
      SCOPED_TRACE(std::string(operation.name) + " " + name);
      const Traced benign = RunBenign(operation.name, name);
      ASSERT_EQ(benign.command.exitCode, 0) << benign.command.err;
      std::set<std::string> shapes;
      for (const std::string& sql : benign.statements) {
        shapes.insert(Shape(sql));
      }
      const bool filtersRows = name.starts_with("Filtro_ID") || name == "Filtro_FormasDePagto";
      for (const Hostile& hostile : HostileTexts(name)) {
        if (hostile.value.size() > kLongest && !FirstToTake(operation, name)) {
          continue;
        }
        SCOPED_TRACE(hostile.name);
        const Traced run = RunTraced(operation.name, {name + "=" + hostile.value});
        ExpectCleanOutcome(run, operation.name, name);
        if (run.command.exitCode == 0 && filtersRows) {
          // No client, product, shift, employee or payment form is called that: a report
          // with rows would mean the filter was lost on the way.
          EXPECT_EQ(json::parse(run.command.out)["shown"], false);
        }
        for (const std::string& sql : run.statements) {
          std::string shape;
          ASSERT_NO_THROW(shape = Shape(sql)) << sql.substr(0, 300);
          EXPECT_TRUE(shapes.contains(shape)) << "-->|" << sql.substr(0, 2000) << "|<--";
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, BadInputPerOperation, ::testing::ValuesIn([] {
                           std::vector<std::string_view> names;
                           for (const reports::ReportDescriptor& operation :
                                reports::ReportList()) {
                             names.push_back(operation.name);
                           }
                           return names;
                         }()),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(BadInputTest, NumbersOutOfRangeAreRefusedAndTheExtremesRunCleanly) {
  const std::vector<std::string> neverNumbers{"", "1,5", "0x10", "1;"};
  auto refused = [&](ParameterType type) {
    std::vector<std::string> values = neverNumbers;
    switch (type) {
      case ParameterType::Int16:
        values.insert(values.end(), {"32768", "-32769", "1.5", "99999999999999999999"});
        break;
      case ParameterType::Int32:
        values.insert(values.end(), {"2147483648", "-2147483649", "1.5", "1e3"});
        break;
      default:
        values.insert(values.end(), {"1e400", "nan", "inf", "1e3", "1" + std::string(400, '0')});
    }
    return values;
  };
  // The least and the greatest each number takes, all at once in one run each.
  auto extreme = [](ParameterType type, bool least) -> std::string {
    switch (type) {
      case ParameterType::Int16:
        return least ? "-32768" : "32767";
      case ParameterType::Int32:
        return least ? "-2147483648" : "2147483647";
      default:
        return least ? "-99999999999999999999.99" : "0.0000001";
    }
  };
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    std::vector<std::string> least;
    std::vector<std::string> greatest;
    for (const reports::Parameter& parameter : operation.parameters) {
      if (parameter.type == ParameterType::Text || parameter.type == ParameterType::Boolean) {
        continue;
      }
      const std::string name(parameter.name);
      least.push_back(name + "=" + extreme(parameter.type, true));
      greatest.push_back(name + "=" + extreme(parameter.type, false));
      for (const std::string& value : refused(parameter.type)) {
        SCOPED_TRACE(std::string(operation.name) + " " + name + "=" + value);
        const Traced run = RunTraced(operation.name, {name + "=" + value});
        EXPECT_EQ(run.command.exitCode, 2);
        ExpectCleanOutcome(run, operation.name, name);
      }
    }
    for (const auto& assignments : {least, greatest}) {
      if (assignments.empty()) {
        continue;
      }
      SCOPED_TRACE(std::string(operation.name) + " " + assignments.front());
      const Traced run = RunTraced(operation.name, assignments);
      EXPECT_NE(run.command.exitCode, 2) << run.command.err;
      ExpectCleanOutcome(run, operation.name, "");
      for (const std::string& sql : run.statements) {
        EXPECT_NO_THROW(Shape(sql)) << sql.substr(0, 300);
      }
    }
  }
}

TEST_F(BadInputTest, SqlKeepsHostileTextInsideItsLiteralAndRefusesBrokenBatches) {
  for (const Hostile& hostile : HostileTexts("")) {
    SCOPED_TRACE(hostile.name);
    std::string literal;
    for (char c : hostile.value) {
      literal += c == '\'' ? std::string("''") : std::string(1, c);
    }
    const CommandResult result = Main({"sql", "--db", Database().string(), "--format", "json",
                                       "SELECT '" + literal + "' AS v; SELECT 2 AS w"});
    if (hostile.value.find('\0') != std::string::npos) {
      // SQLite reads a statement up to its first NUL, so the literal is left open: an error.
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_FALSE(result.err.empty());
      continue;
    }
    if (hostile.value.find("\nGO") != std::string::npos) {
      // A GO line ends the batch before any quote is read, as sqlcmd cuts it; the string left
      // open is an error.
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_NE(result.err.find("unterminated string"), std::string::npos) << result.err;
      continue;
    }
    ASSERT_EQ(result.exitCode, 0) << result.err.substr(0, 300);
    const json rows = json::parse(result.out, nullptr, false);
    ASSERT_FALSE(rows.is_discarded()) << result.out.substr(0, 300);
    // The last statement that gives rows is the second: the text did not end the first early.
    EXPECT_EQ(rows["columns"], json::array({"w"}));
  }
  auto repeated = [](std::string_view text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) {
      all += text;
    }
    return all;
  };
  // Open literals and names, bytes that start no token, a statement that is no statement, and
  // nesting deep enough to exhaust the stack of a recursive parser.
  const std::vector<std::string> broken{
      "SELECT 'open",
      "SELECT [open",
      "SELECT 1 /* open",
      std::string("SELECT 1\0", 9),
      "SELECT \xFF",
      "'; DROP TABLE [Clientes]; --",
      "SELECT " + repeated("(", 30000) + "1" + repeated(")", 30000) + " AS a",
      "SELECT 1 AS a WHERE " + repeated("NOT ", 60000) + "1 = 1",
      "SELECT " + repeated("- ", 60000) + "1 AS a",
      "SELECT " + repeated("CASE WHEN 1 = 1 THEN ", 5000) + "1" + repeated(" END", 5000) + " AS a",
  };
  for (const std::string& batch : broken) {
    SCOPED_TRACE(batch.substr(0, 40));
    const CommandResult result = Main({"sql", "--db", Database().string(), batch});
    EXPECT_EQ(result.exitCode, 1) << result.out.substr(0, 300);
    EXPECT_FALSE(result.err.empty());
  }
  const CommandResult clients = Main({"sql", "--db", Database().string(), "--format", "csv",
                                      "SELECT COUNT(*) AS n FROM "
                                      "[Clientes]"});
  EXPECT_EQ(clients.exitCode, 0) << clients.err;
}

// The API checks and runs through the same code as `run`: the same hostile value gives the
// same answer, or a 400 where the HTTP side refuses before (a value too long for a request).
TEST_F(BadInputTest, TheApiAnswersHostileTextAsRunDoes) {
  serve::ServeOptions options;
  options.database = Database();
  options.port = 0;
  options.clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 3, 3));
  serve::ViewerServer server(options);
  const int port = server.Bind();
  std::thread serving([&] { server.Serve(); });
  struct Stop {
    serve::ViewerServer& server;
    std::thread& thread;
    ~Stop() {
      server.Stop();
      thread.join();
    }
  } stop{server, serving};

  // Each text parameter meets one hostile value in turn, which is enough to see every value
  // cross HTTP while `run` above meets all of them.
  size_t turn = 0;
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    for (const reports::Parameter& parameter : operation.parameters) {
      if (parameter.type != ParameterType::Text) {
        continue;
      }
      const std::string name(parameter.name);
      const std::vector<Hostile> values = HostileTexts(name);
      const Hostile& hostile = values[turn++ % values.size()];
      SCOPED_TRACE(std::string(operation.name) + " " + name + " " + hostile.name);
      // Written by hand: a JSON library refuses to write text that is not UTF-8, and the
      // server must meet it.
      std::string body = "{\"" + name + "\":\"";
      for (unsigned char c : hostile.value) {
        if (c == '"' || c == '\\') {
          body += '\\';
          body += static_cast<char>(c);
        } else if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          body += escaped;
        } else {
          body += static_cast<char>(c);
        }
      }
      body += "\"}";
      const auto answer =
          http_client::Post(port, "/api/reports/" + std::string(operation.name), body);
      ASSERT_TRUE(answer) << answer.error;
      if (hostile.value.size() > kLongest || hostile.name == "not UTF-8") {
        EXPECT_TRUE(answer.status == 400 || answer.status == 413) << answer.status;
        EXPECT_TRUE(json::parse(answer.body, nullptr, false).contains("error"));
      } else {
        const Traced run = RunTraced(operation.name, {name + "=" + hostile.value});
        if (run.command.exitCode == 2) {
          EXPECT_TRUE(answer.status == 400 || answer.status == 413) << answer.status;
          EXPECT_TRUE(json::parse(answer.body, nullptr, false).contains("error"));
        } else {
          EXPECT_EQ(answer.status, 200);
          EXPECT_EQ(answer.body, run.command.out);
        }
      }
    }
  }
}

}  // namespace
}  // namespace orla::cli
