// The two stored procedures on a small dataset whose figures are worked out by hand.
#include <algorithm>
#include <exception>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "demo/schema.h"
#include "host/command.h"
#include "host/errors.h"
#include "sqlite/command.h"
#include "sqlite/connection.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::Value;

// Four sales of March 2024 that the fiscal view counts, with their payment forms: S1 cash,
// S2 credit card, S3 (02/03, in the night till period opened 01/03) half cash and half PIX,
// S8 fleet card.
constexpr const char* kDataset = R"sql(
INSERT INTO [Grupos] VALUES (1, 'COMBUSTÍVEIS'), (4, 'BEBIDAS')
INSERT INTO [Produtos] VALUES (1, 'GASOLINA COMUM', 1, 1, 'L', 5, 4),
  (12, 'ÁGUA', 4, 6, 'UN', 25, 10), (15, 'REFRIGERANTE', 4, 6, 'UN', 18, 9)
INSERT INTO [Movimentações] VALUES
  (1, '1', '2024/03/01', '1900-01-01 06:00:00', '2024/03/01 14:00:00'),
  (2, '3', '2024/03/01', '1900-01-01 22:00:00', '2024/03/02 06:00:00'),
  (3, '2', '2024/03/15', '1900-01-01 14:00:00', '2024/03/15 22:00:00')
INSERT INTO [Movimentações em Vendas] (Código, Código_Venda, IDCaixa, Código_ECF,
  Número_Cupom_Fiscal, Data_ECF, Hora_Movimento, Tipo, IDProduto, Código_Produto, Descrição,
  Qtde, Valor_Unitario, Valor_Custo, Valor_Venda, Valor_Desconto, Valor_Acrescimo,
  Cupom_Complementar, IsEstornado, Transferência, ECF, NFConsumidor_Modelo, NF,
  Situação_Tributária) VALUES
  (1, 1, 1, 1, 10, '2024/03/01', '1900-01-01 07:00:00', 'C', 1, '01', 'GASOLINA COMUM', 20, 5, 4, 100, 0, 0, 0, 0, 0, 1, NULL, 0, 'FF'),
  (2, 2, 1, 3, 20, '2024/03/01', '1900-01-01 08:00:00', 'P', 12, '12', 'ÁGUA', 2, 25, 10, 50, 5, 0, 0, 0, 0, 0, '65', 0, 'TT'),
  (3, 3, 2, 3, 21, '2024/03/02', '1900-01-01 01:00:00', 'C', 1, '02', 'GASOLINA COMUM', 10, 6, 4, 60, 0, 2, 0, 0, 0, 0, '65', 0, 'FF'),
  (4, 3, 2, 3, 21, '2024/03/02', '1900-01-01 01:00:00', 'P', 15, '15', 'REFRIGERANTE', 1, 18, 9, 18, 0, 0, 0, 0, 0, 0, '65', 0, 'FF'),
  (9, 8, 3, 1, 15, '2024/03/15', '1900-01-01 15:00:00', 'C', 1, '01', 'GASOLINA COMUM', 4, 5, 4, 20, 1, 0, 1, 0, 0, 1, NULL, 0, 'FF')
INSERT INTO [T011_ImagemDosMeiosDePagtoUtilizados] VALUES
  (1, 1, 1, 1, 'Dinheiro', 100, 100, 0),
  (2, 2, 3, 4, 'Cartão Visa Crédito', 100, 45, 0),
  (3, 3, 3, 1, 'Dinheiro', 50, 50, 10),
  (4, 3, 3, 10, 'PIX', 50, 40, 0),
  (9, 8, 1, 15, 'Cartão Frota Crédito', 100, 19, 0)
)sql";

struct Inputs {
  std::string procedure;
  std::vector<std::pair<std::string, Value>> values;
};

Value Day(int month, int day) {
  return Value(*host::DateTime::FromParts(2024, month, day));
}

Inputs ReceiptTypesInputs(const Value& from, const Value& to) {
  return {"_RPT_VTR", {{"dtInicial", from}, {"dtFinal", to}}};
}

struct GroupRun {
  bool ignoreComplementary = false, ignoreOthers = false;
  bool fuels = true, others = true;
  std::string products;
  bool financial = false;
  int lastDay = 31;  // of March
};

Inputs GroupsAndFormsInputs(const GroupRun& run) {
  return {"_VendasPorGrupoDeProdutosPorFormaDePagto",
          {{"IsIgnorarDescontoCC", Value(run.ignoreComplementary)},
           {"IsCombustiveis", Value(run.fuels)},
           {"IsOutrosProdutos", Value(run.others)},
           {"IDProdutos", Value(run.products)},
           {"dtInicial", Day(3, 1)},
           {"dtFinal", Day(3, run.lastDay)},
           {"IsIgnorarDescontoOT", Value(run.ignoreOthers)},
           {"IsVisaoFinanceira", Value(run.financial)}}};
}

// Runs a procedure through a command object, as the library does; gives its run's key.
std::string RunProcedure(const std::string& connection, const Inputs& inputs) {
  auto command = CreateCommand("ADODB.Command");
  command->SetActiveConnection(connection);
  command->SetCommandTimeout(0);
  command->SetCommandType(host::ado::kCmdStoredProc);
  command->SetCommandText(inputs.procedure);
  auto& parameters = command->Parameters();
  for (const auto& [name, value] : inputs.values) {
    parameters.Append(command->CreateParameter(name, value.GetKind() == Value::Kind::Date ? 7 : 200,
                                               1, 0, value));
  }
  parameters.Append(command->CreateParameter("IDRetorno", 200, 2, 200));
  command->Execute();
  return command->Item("IDRetorno").AsText();
}

class StoredProcedures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = new std::filesystem::path(orla::testing::ScratchFile("procedures.db"));
    demo::CreateEmptyDatabase(*file_);
    Database(*file_).SQL_Execute(kDataset);
  }
  static void TearDownTestSuite() { delete file_; }

  StoredProcedures() : db_(*file_) {}

  std::string ReceiptTypes(const Value& from, const Value& to) {
    return RunProcedure(db_.GetConnectionString(), ReceiptTypesInputs(from, to));
  }

  std::string GroupsAndForms(const GroupRun& run) {
    return RunProcedure(db_.GetConnectionString(), GroupsAndFormsInputs(run));
  }

  static std::filesystem::path* file_;
  Database db_;
};

std::filesystem::path* StoredProcedures::file_ = nullptr;

TEST_F(StoredProcedures, ARunLastsUntilItsThreadRunsTheProcedureAgainOrEnds) {
  auto count = [&](const std::string& key) {
    return db_.OpenRecordSet(
        "SELECT COUNT(*), SUM(VLLiquido) FROM ###vtr_rpt WHERE "
        "WorkStationID = '" +
        key + "'");
  };
  const std::string month = ReceiptTypes(Day(3, 1), Day(3, 31));
  EXPECT_EQ(count(month)->FieldAt(0), Value(int64_t{4}));
  std::string kept;
  std::string ended;
  std::thread worker([&] {
    kept = ReceiptTypes(Day(3, 2), Day(3, 2));
    std::thread([&] { ended = ReceiptTypes(Day(3, 1), Day(3, 1)); }).join();
  });
  worker.join();
  GroupsAndForms({});  // another procedure leaves this one's rows alone
  EXPECT_EQ(count(month)->FieldAt(0), Value(int64_t{4}));

  const std::string second = ReceiptTypes(Day(3, 2), Day(3, 2));
  ASSERT_NE(month, second);
  EXPECT_EQ(count(month)->FieldAt(0), Value(int64_t{0})) << "removed by the next run";
  EXPECT_EQ(count(second)->FieldAt(0), Value(int64_t{2}));  // S3 alone: cash and PIX
  EXPECT_EQ(count(second)->FieldAt(1), Value(80.0));
  EXPECT_EQ(count(ended)->FieldAt(0), Value(int64_t{0})) << "removed when its thread ended";
  EXPECT_EQ(count(kept)->FieldAt(0), Value(int64_t{0})) << "removed when its thread ended";

  for (int run = 0; run < 5; ++run) {
    ReceiptTypes(Day(3, 1), Day(3, 31));
  }
  EXPECT_EQ(db_.OpenRecordSet("SELECT COUNT(DISTINCT WorkStationID) FROM ###vtr_rpt")->FieldAt(0),
            Value(int64_t{1}))
      << "a thread that runs all day keeps one run";
  const std::string empty = ReceiptTypes(Day(2, 1), Day(2, 29));
  EXPECT_EQ(count(empty)->FieldAt(0), Value(int64_t{0}));
}

TEST_F(StoredProcedures, AStopCheckInterruptsAProcedureOnItsOwnConnection) {
  ReceiptTypes(Day(3, 1), Day(3, 31));  // the work tables exist from here on
  int asked = 0;
  {
    // Asked at every step, and true once the procedure is well into its transaction.
    const StopCheckScope scope([&] { return ++asked > 200; }, 1);
    try {
      ReceiptTypes(Day(3, 1), Day(3, 31));
      ADD_FAILURE() << "the procedure ran to its end";
    } catch (const host::DatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("interrupt"), std::string::npos) << e.what();
    }
  }
  EXPECT_GT(asked, 200);
  // The next run is whole, and nothing of the stopped one is left beside it.
  const std::string key = ReceiptTypes(Day(3, 1), Day(3, 31));
  EXPECT_EQ(db_.OpenRecordSet("SELECT COUNT(*) FROM ###vtr_rpt WHERE WorkStationID = '" + key + "'")
                ->FieldAt(0),
            Value(int64_t{4}));
  EXPECT_EQ(db_.OpenRecordSet("SELECT COUNT(*) FROM ###vtr_rpt")->FieldAt(0), Value(int64_t{4}));
}

// Runs on other connections neither wait for one another's work nor see one another's rows,
// and a report still reading the sales file on a third thread holds none of them up: two
// threads running both procedures at once get the rows of runs one by one.
TEST(StoredProceduresAtOnce, TwoConnectionsGetTheRowsOfRunsOneByOne) {
  GroupRun fiscal;
  fiscal.lastDay = 7;
  GroupRun financial = fiscal;
  financial.financial = true;
  const std::vector<Inputs> runs = {ReceiptTypesInputs(Day(3, 1), Day(3, 7)),
                                    GroupsAndFormsInputs(fiscal), GroupsAndFormsInputs(financial)};
  const std::filesystem::path& file = orla::testing::MarchDatabase();
  auto runAll = [&] {
    Database db(file);
    std::vector<std::string> lines;
    for (const Inputs& run : runs) {
      const std::string key = RunProcedure(db.GetConnectionString(), run);
      const std::string table = run.procedure == "_RPT_VTR" ? "###vtr_rpt" : "###VendasF";
      host::RecordsetRef rows =
          db.OpenRecordSet("SELECT * FROM " + table + " WHERE WorkStationID = '" + key + "'");
      std::vector<std::string> seen;
      for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
        std::string line = run.procedure;
        for (std::size_t i = 1; i < rows->Columns().size(); ++i) {
          line += " " + rows->FieldAt(i).Describe();
        }
        seen.push_back(line);
      }
      std::sort(seen.begin(), seen.end());
      lines.insert(lines.end(), seen.begin(), seen.end());
    }
    return lines;
  };
  const std::vector<std::string> alone = runAll();
  ASSERT_GT(alone.size(), 100u);
  Database reportDb(file);
  host::RecordsetRef report =
      reportDb.OpenRecordSet("SELECT Código FROM [Movimentações em Vendas] ORDER BY Código");
  ASSERT_FALSE(report->Eof().AsBoolean());
  std::vector<std::string> results[2];
  std::exception_ptr failures[2];
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
      threads.emplace_back([&, t] {
        try {
          results[t] = runAll();
        } catch (...) {
          failures[t] = std::current_exception();
        }
      });
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
  }
  for (int t = 0; t < 2; ++t) {
    SCOPED_TRACE(t);
    if (failures[t]) {
      try {
        std::rethrow_exception(failures[t]);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
      }
    }
    EXPECT_EQ(results[t], alone);
  }
  int64_t reported = 0;
  for (; !report->Eof().AsBoolean(); report->MoveNext()) {
    ++reported;
  }
  EXPECT_EQ(reported, reportDb.OpenRecordSet("SELECT COUNT(*) FROM [Movimentações em Vendas]")
                          ->FieldAt(0)
                          .AsInteger());
}

}  // namespace
}  // namespace orla::sqlite
