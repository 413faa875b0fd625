// The two stored procedures on a small dataset whose figures are worked out by hand.
#include <algorithm>
#include <exception>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "demo/generator.h"
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

// Eight sales of March and April 2024 (S1 to S8), each with its payment forms:
// S1  coupon printer, 01/03, fuel 100.00, cash 100.00
// S2  NFC-e, 01/03, water 50.00 less 5.00 discount, Visa credit 45.00
// S3  NFC-e, 02/03 01:00 in the night till period opened 01/03: fuel 60.00 plus 2.00
//     surcharge and a soda 18.00; half cash (50.00 tendered, 10.00 change), half PIX 40.00
// S4  reversed; S5 a transfer; S6 on no fiscal document (till period of 01/03, water 25.00,
//     cash); S7 in April; none of these counts in the fiscal view
// S8  coupon printer, 15/03, complementary fuel 20.00 less 1.00 discount, fleet credit card
// Invoices of March (till period of 15/03), all but S14 paid in cash:
// S9  the station's own sale invoice, 05/03, water 30.00; its note's type-0 request is of
//     April, outside the period, so it counts
// S10 a third-party invoice; S11 a standalone invoice that moves no stock; S12 an invoice of
//     an operation that is no sale; S13 an invoice whose note has a type-0 request in March:
//     none of these counts in the fiscal view
// S14 a standalone invoice that moves stock, 20/03, soda 20.00, PIX: counts
constexpr const char* kDataset = R"sql(
INSERT INTO [Grupos] VALUES (1, 'COMBUSTÍVEIS'), (4, 'BEBIDAS')
INSERT INTO [Produtos] VALUES (1, 'GASOLINA COMUM', 1, 1, 'L', 5, 4),
  (12, 'ÁGUA', 4, 6, 'UN', 25, 10), (15, 'REFRIGERANTE', 4, 6, 'UN', 18, 9)
INSERT INTO [Movimentações] VALUES
  (1, '1', '2024/03/01', '1900-01-01 06:00:00', '2024/03/01 14:00:00'),
  (2, '3', '2024/03/01', '1900-01-01 22:00:00', '2024/03/02 06:00:00'),
  (3, '2', '2024/03/15', '1900-01-01 14:00:00', '2024/03/15 22:00:00'),
  (4, '1', '2024/04/01', '1900-01-01 06:00:00', NULL)
INSERT INTO [Movimentações em Vendas] (Código, Código_Venda, IDCaixa, Código_ECF,
  Número_Cupom_Fiscal, Data_ECF, Hora_Movimento, Tipo, IDProduto, Código_Produto, Descrição,
  Qtde, Valor_Unitario, Valor_Custo, Valor_Venda, Valor_Desconto, Valor_Acrescimo,
  Cupom_Complementar, IsEstornado, Transferência, ECF, NFConsumidor_Modelo, NF,
  Situação_Tributária) VALUES
  (1, 1, 1, 1, 10, '2024/03/01', '1900-01-01 07:00:00', 'C', 1, '01', 'GASOLINA COMUM', 20, 5, 4, 100, 0, 0, 0, 0, 0, 1, NULL, 0, 'FF'),
  (2, 2, 1, 3, 20, '2024/03/01', '1900-01-01 08:00:00', 'P', 12, '12', 'ÁGUA', 2, 25, 10, 50, 5, 0, 0, 0, 0, 0, '65', 0, 'TT'),
  (3, 3, 2, 3, 21, '2024/03/02', '1900-01-01 01:00:00', 'C', 1, '02', 'GASOLINA COMUM', 10, 6, 4, 60, 0, 2, 0, 0, 0, 0, '65', 0, 'FF'),
  (4, 3, 2, 3, 21, '2024/03/02', '1900-01-01 01:00:00', 'P', 15, '15', 'REFRIGERANTE', 1, 18, 9, 18, 0, 0, 0, 0, 0, 0, '65', 0, 'FF'),
  (5, 4, 1, 1, 11, '2024/03/01', '1900-01-01 09:00:00', 'C', 1, '01', 'GASOLINA COMUM', 6, 5, 4, 30, 0, 0, 0, 1, 0, 1, NULL, 0, 'FF'),
  (6, 5, 1, 1, 12, '2024/03/01', '1900-01-01 10:00:00', 'C', 1, '01', 'GASOLINA COMUM', 2, 6, 4, 12, 0, 0, 0, 0, 1, 1, NULL, 0, 'FF'),
  (7, 6, 1, 3, 13, '2024/03/01', '1900-01-01 11:00:00', 'P', 12, '12', 'ÁGUA', 1, 25, 10, 25, 0, 0, 0, 0, 0, 0, NULL, 0, 'TT'),
  (8, 7, 4, 1, 14, '2024/04/01', '1900-01-01 07:00:00', 'C', 1, '01', 'GASOLINA COMUM', 18, 5.5, 4, 99, 0, 0, 0, 0, 0, 1, NULL, 0, 'FF'),
  (9, 8, 3, 1, 15, '2024/03/15', '1900-01-01 15:00:00', 'C', 1, '01', 'GASOLINA COMUM', 4, 5, 4, 20, 1, 0, 1, 0, 0, 1, NULL, 0, 'FF')
INSERT INTO [Movimentações em Vendas] (Código, Código_Venda, IDCaixa, Código_ECF,
  Número_Cupom_Fiscal, Data_ECF, Hora_Movimento, Tipo, IDProduto, Código_Produto, Descrição,
  Qtde, Valor_Unitario, Valor_Custo, Valor_Venda, ECF, NF, IsNFAvulsa, IsNFTerceiro,
  IsMovimentacaoFisicaDoEstoque, S010_ID, Situação_Tributária) VALUES
  (10, 9, 3, 0, 0, '2024/03/05', '1900-01-01 09:00:00', 'P', 12, '12', 'ÁGUA', 1, 30, 10, 30, 0, 1, 0, 0, 1, 1, 'TT'),
  (11, 10, 3, 0, 0, '2024/03/06', '1900-01-01 09:00:00', 'P', 12, '12', 'ÁGUA', 1, 40, 10, 40, 0, 1, 0, 1, 1, 1, 'TT'),
  (12, 11, 3, 0, 0, '2024/03/07', '1900-01-01 09:00:00', 'P', 12, '12', 'ÁGUA', 1, 41, 10, 41, 0, 1, 1, 0, 0, 1, 'TT'),
  (13, 12, 3, 0, 0, '2024/03/08', '1900-01-01 09:00:00', 'P', 12, '12', 'ÁGUA', 1, 42, 10, 42, 0, 1, 0, 0, 1, 3, 'TT'),
  (14, 13, 3, 0, 0, '2024/03/09', '1900-01-01 09:00:00', 'P', 12, '12', 'ÁGUA', 1, 43, 10, 43, 0, 1, 0, 0, 1, 1, 'TT'),
  (15, 14, 3, 0, 0, '2024/03/20', '1900-01-01 09:00:00', 'P', 15, '15', 'REFRIGERANTE', 1, 20, 9, 20, 0, 1, 1, 0, 1, 1, 'TT')
INSERT INTO [NotasFiscais_Itens] VALUES (1, 901, 9, 10, 1, 30), (2, 913, 13, 14, 1, 43)
INSERT INTO [T008_Nfe_Solicitacoes] VALUES (1, 901, 0, '2024/04/02 10:00:00'),
  (2, 913, 0, '2024/03/10 10:00:00'), (3, 901, 1, '2024/03/06 10:00:00')
INSERT INTO [T011_ImagemDosMeiosDePagtoUtilizados] VALUES
  (10, 9, 0, 1, 'Dinheiro', 100, 30, 0),
  (11, 10, 0, 1, 'Dinheiro', 100, 40, 0),
  (12, 11, 0, 1, 'Dinheiro', 100, 41, 0),
  (13, 12, 0, 1, 'Dinheiro', 100, 42, 0),
  (14, 13, 0, 1, 'Dinheiro', 100, 43, 0),
  (15, 14, 0, 10, 'PIX', 100, 20, 0)
INSERT INTO [T011_ImagemDosMeiosDePagtoUtilizados] VALUES
  (1, 1, 1, 1, 'Dinheiro', 100, 100, 0),
  (2, 2, 3, 4, 'Cartão Visa Crédito', 100, 45, 0),
  (3, 3, 3, 1, 'Dinheiro', 50, 50, 10),
  (4, 3, 3, 10, 'PIX', 50, 40, 0),
  (5, 4, 1, 1, 'Dinheiro', 100, 30, 0),
  (6, 5, 1, 12, 'Requisição', 100, 12, 0),
  (7, 6, 3, 1, 'Dinheiro', 100, 25, 0),
  (8, 7, 1, 1, 'Dinheiro', 100, 99, 0),
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

  // "group/form/day" -> "quantity value" for one run.
  std::map<std::string, std::string> Cells(const std::string& key) {
    host::RecordsetRef rows = db_.OpenRecordSet(
        "SELECT Grupo, FP, CONVERT(VARCHAR(10), DtMov, 103) AS Dia, SUM(Qtde) AS Qtde, "
        "SUM(Valor) AS Valor FROM ###VendasF WHERE WorkStationID = '" +
        key + "' GROUP BY Grupo, FP, DtMov");
    std::map<std::string, std::string> cells;
    for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
      cells[rows->Field("Grupo").AsText() + "/" + rows->Field("FP").AsText() + "/" +
            rows->Field("Dia").AsText()] =
          rows->Field("Qtde").Describe() + " " + rows->Field("Valor").Describe();
    }
    return cells;
  }

  static std::filesystem::path* file_;
  Database db_;
};

std::filesystem::path* StoredProcedures::file_ = nullptr;

TEST_F(StoredProcedures, ReceiptTypesPerPaymentForm) {
  const std::string key = ReceiptTypes(Day(3, 1), Day(3, 31));
  host::RecordsetRef rows = db_.OpenRecordSet(
      "SELECT FormaPagto, QtdeVendas, VLTotal, VLTroco, VLLiquido, VLTicketMedio, TxParticipacao, "
      "IsCartaoCredito, IsFrota, IsPix FROM ###vtr_rpt WHERE WorkStationID = '" +
      key + "' ORDER BY FormaPagto");
  std::vector<std::string> lines;
  for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
    std::string line;
    for (std::size_t i = 0; i < rows->Columns().size(); ++i) {
      line += (i ? " " : "") + rows->FieldAt(i).Describe();
    }
    lines.push_back(line);
  }
  // Net 170 + 45 + 60 + 19 = 294; cash 170 (S1, S3, S9) is 57.82 % of it, 56.67 a sale.
  EXPECT_EQ(lines,
            (std::vector<std::string>{"\"Cartão Frota Crédito\" 1 19 0 19 19 6.46 true true false",
                                      "\"Cartão Visa Crédito\" 1 45 0 45 45 15.31 true false false",
                                      "\"Dinheiro\" 3 180 10 170 56.67 57.82 false false false",
                                      "\"PIX\" 2 60 0 60 30 20.41 false false true"}));
}

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

TEST_F(StoredProcedures, GroupsAndFormsFiscalView) {
  EXPECT_EQ(Cells(GroupsAndForms({})),
            (std::map<std::string, std::string>{
                {"BEBIDAS/Cartão Visa Crédito/01/03/2024", "2 45"},
                {"BEBIDAS/Dinheiro/02/03/2024", "0.5 9"},  // half the soda of S3
                {"BEBIDAS/PIX/02/03/2024", "0.5 9"},
                {"BEBIDAS/Dinheiro/05/03/2024", "1 30"},  // S9's invoice
                {"BEBIDAS/PIX/20/03/2024", "1 20"},       // S14's standalone invoice
                {"COMBUSTÍVEIS/Cartão Frota Crédito/15/03/2024", "4 19"},
                {"COMBUSTÍVEIS/Dinheiro/01/03/2024", "20 100"},
                {"COMBUSTÍVEIS/Dinheiro/02/03/2024", "5 31"},
                {"COMBUSTÍVEIS/PIX/02/03/2024", "5 31"},
            }));
}

TEST_F(StoredProcedures, GroupsAndFormsSwitches) {
  GroupRun ignoring;
  ignoring.ignoreComplementary = true;  // S8's discount is left out
  ignoring.ignoreOthers = true;         // and so are S2's discount and S3's surcharge
  const auto adjusted = Cells(GroupsAndForms(ignoring));
  EXPECT_EQ(adjusted.at("COMBUSTÍVEIS/Cartão Frota Crédito/15/03/2024"), "4 20");
  EXPECT_EQ(adjusted.at("BEBIDAS/Cartão Visa Crédito/01/03/2024"), "2 50");
  EXPECT_EQ(adjusted.at("COMBUSTÍVEIS/PIX/02/03/2024"), "5 30");

  GroupRun fuels;
  fuels.others = false;
  for (const auto& [cell, figures] : Cells(GroupsAndForms(fuels))) {
    EXPECT_TRUE(cell.starts_with("COMBUSTÍVEIS/")) << cell;
  }
  GroupRun products;
  products.products = "'12', '15'";
  EXPECT_EQ(Cells(GroupsAndForms(products)).size(), 5u);
  products.products = "12";
  EXPECT_EQ(Cells(GroupsAndForms(products)),
            (std::map<std::string, std::string>{{"BEBIDAS/Cartão Visa Crédito/01/03/2024", "2 45"},
                                                {"BEBIDAS/Dinheiro/05/03/2024", "1 30"}}));
}

TEST_F(StoredProcedures, GroupsAndFormsFinancialView) {
  GroupRun financial;
  financial.financial = true;
  const auto cells = Cells(GroupsAndForms(financial));
  // The night sale of 02/03 belongs to the till period opened 01/03, and the sale on no
  // fiscal document counts.
  EXPECT_EQ(cells.at("COMBUSTÍVEIS/PIX/01/03/2024"), "5 31");
  EXPECT_EQ(cells.at("BEBIDAS/Dinheiro/01/03/2024"), "1.5 34");
  EXPECT_EQ(cells.count("COMBUSTÍVEIS/PIX/02/03/2024"), 0u);
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
  // A generated week, the period of the runs.
  const std::filesystem::path file = orla::testing::ScratchFile("week.db");
  demo::GeneratorOptions week;
  week.start = *host::DateTime::FromParts(2024, 3, 1);
  week.days = 7;
  demo::Generate(file, week);
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
