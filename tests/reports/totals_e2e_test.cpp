// Every layout's printed totals hold on a generated month: each group's total is the sum of
// the lines it closes, every group that prints lines prints its total, the grand total is the
// sum of the groups, a cross-tab line's total is the sum of its cells, and no total adds
// quantities of different units. Checked on the lines the engine hands its writers.
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "app/parameters.h"
#include "app/run.h"
#include "demo/generator.h"
#include "engine/decimal.h"
#include "engine/document.h"
#include "engine/report.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

using engine::Decimal;
using engine::RowKind;
using engine::TableColumn;

// A printed number ("-1.234,567", "12,50%") as an exact decimal; nothing for an empty cell.
std::optional<Decimal> Printed(std::string text) {
  std::string plain;
  for (char c : text) {
    if (c == ',') {
      plain += '.';
    } else if (c != '.' && c != '%') {
      plain += c;
    }
  }
  return plain.empty() ? std::nullopt : Decimal::Parse(plain, 6);
}

using Sums = std::map<std::string, std::vector<Decimal>>;  // by measure, by column

// Buffers each table's lines and checks its totals when the table ends.
class TotalsChecker final : public engine::DocumentWriter {
 public:
  // `crosstab`: the first table is a cross-tab, whose lines end with their own total.
  TotalsChecker(bool crosstab, std::string untotalled)
      : crosstab_(crosstab), untotalled_(std::move(untotalled)) {}

  std::vector<std::string> failures;
  int totalLines = 0;

  void Begin(const engine::DocumentHead&) override {}
  void Paragraph(const std::string&, bool) override {}
  void BeginTable(const std::vector<TableColumn>& columns, const std::string& name) override {
    columns_ = columns;
    name_ = name;
    events_.clear();
  }
  // Only what is added up, and the labels that name a line, need formatting.
  bool NeedsCells(size_t column) const override {
    return column == 0 || columns_[column].total == engine::TotalKind::Sum ||
           columns_[column].caption.empty();
  }
  void GroupHeader(size_t level, const std::string& text) override {
    events_.push_back({true, RowKind::Detail, level, {text}});
  }
  void TableRow(RowKind kind, size_t level, const std::vector<engine::Cell>& cells, size_t,
                bool) override {
    Event event{false, kind, level, {}};
    for (const engine::Cell& cell : cells) {
      event.cells.push_back(cell.text);
    }
    events_.push_back(std::move(event));
  }
  void EndTable() override {
    Check(crosstab_);
    crosstab_ = false;
  }
  void End() override {}

 private:
  struct Event {
    bool header;
    RowKind kind;
    size_t level;
    std::vector<std::string> cells;
  };
  struct Group {
    std::string name;
    Sums rows;
    bool hasRows = false;
    bool totalled = false;
  };

  void Fail(const std::string& what) { failures.push_back(name_ + ": " + what); }

  // Adds a line's summed cells to `sums` under its measure.
  void Add(Sums& sums, const std::string& key, const Event& line) {
    std::vector<Decimal>& to = sums[key];
    to.resize(columns_.size(), Decimal::FromInteger(0, 6));
    for (size_t i = 0; i < line.cells.size() && i < columns_.size(); ++i) {
      if (columns_[i].total == engine::TotalKind::Sum) {
        if (auto n = Printed(line.cells[i])) {
          to[i] += *n;
        }
      }
    }
  }

  void Compare(const Event& line, const std::string& key, Sums& sums, const std::string& what) {
    std::vector<Decimal>& expected = sums[key];
    expected.resize(columns_.size(), Decimal::FromInteger(0, 6));
    for (size_t i = 0; i < line.cells.size() && i < columns_.size(); ++i) {
      const auto printed = Printed(line.cells[i]);
      if (columns_[i].total == engine::TotalKind::Sum && printed && !(*printed == expected[i])) {
        Fail("\"" + line.cells[0] + "\" " + key + " " + columns_[i].caption + " prints " +
             line.cells[i] + ", the sum of " + what + " is " + expected[i].ToString());
      }
    }
  }

  void Close(Group& group) {
    if (group.hasRows && !group.totalled) {
      Fail("the group \"" + group.name + "\" prints lines but no total");
    }
  }

  void Check(bool crosstab) {
    std::optional<size_t> measureColumn;  // a cross-tab's line per measure
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].caption.empty() && columns_[i].align == engine::Align::Left) {
        measureColumn = i;
      }
    }
    bool totals = false;
    bool subtotals = false;
    for (const Event& e : events_) {
      totals = totals || (!e.header && e.kind != RowKind::Detail);
      subtotals = subtotals || (!e.header && e.kind == RowKind::Subtotal);
    }
    std::vector<Group> open;
    Sums grand;
    Sums groups;  // what the outermost groups' totals print
    auto openGroup = [&](size_t level, const std::string& name) {
      if (open.size() > level && !open[level].hasRows && !open[level].totalled) {
        return;  // another line of the same group's header
      }
      while (open.size() > level) {
        if (totals) {
          Close(open.back());
        }
        open.pop_back();
      }
      Group group;
      group.name = name;
      open.push_back(std::move(group));
    };
    for (const Event& e : events_) {
      if (e.header) {
        openGroup(e.level, e.cells[0]);
        continue;
      }
      const std::string key = measureColumn ? e.cells[*measureColumn] : "";
      if (e.kind != RowKind::Detail && !untotalled_.empty()) {
        for (size_t i = 0; i < e.cells.size(); ++i) {
          if ((columns_[i].caption == untotalled_ && !e.cells[i].empty()) || key == untotalled_) {
            Fail("a total line adds up " + untotalled_ + ", which mixes units");
          }
        }
      }
      if (crosstab && e.cells.size() > 1 && !e.cells.back().empty()) {
        // Along the line: the Total column is the sum of the value columns.
        Decimal across = Decimal::FromInteger(0, 6);
        for (size_t i = 0; i + 1 < e.cells.size(); ++i) {
          if (columns_[i].align == engine::Align::Right) {
            if (auto n = Printed(e.cells[i])) {
              across += *n;
            }
          }
        }
        if (!(across == *Printed(e.cells.back()))) {
          Fail("the line \"" + e.cells[0] + "\" " + key + " totals " + e.cells.back() +
               ", its cells add up to " + across.ToString());
        }
      }
      switch (e.kind) {
        case RowKind::Detail:
          if (crosstab && subtotals && !e.cells[0].empty()) {
            openGroup(0, e.cells[0]);
          }
          for (Group& g : open) {
            Add(g.rows, key, e);
            g.hasRows = true;
          }
          Add(grand, key, e);
          break;
        case RowKind::Summary:
          // A group printed as one line: a line of the groups above, the total of its own.
          for (size_t level = 0; level < e.level && level < open.size(); ++level) {
            Add(open[level].rows, key, e);
            open[level].hasRows = true;
          }
          Add(grand, key, e);
          if (e.level == 0) {
            Add(groups, key, e);
          }
          if (e.level < open.size()) {
            open[e.level].totalled = true;
          }
          break;
        case RowKind::Subtotal: {
          if (e.level >= open.size()) {
            Fail("a total line \"" + e.cells[0] + "\" closes no group");
            break;
          }
          ++totalLines;
          Compare(e, key, open[e.level].rows, "its lines");
          open[e.level].totalled = true;
          if (e.level == 0) {
            Add(groups, key, e);
          }
          break;
        }
        case RowKind::Total:
          ++totalLines;
          Compare(e, key, grand, "all lines");
          if (!groups.empty()) {
            Compare(e, key, groups, "the groups");
          }
          break;
      }
    }
    while (!open.empty() && totals) {
      Close(open.back());
      open.pop_back();
    }
  }

  bool crosstab_;
  std::string untotalled_;
  std::string name_;
  std::vector<TableColumn> columns_;
  std::vector<Event> events_;
};

struct Case {
  std::string name;
  std::string operation;
  std::vector<app::Assignment> parameters;
  std::string untotalled;  // a column, or a cross-tab measure, no total line may add up
  // Layouts of the other report types, fed the same rows, which only the order of their
  // query changes: the client details build their working table once, not three times.
  std::vector<std::string> alsoLayouts = {};
};

// Every operation, and each view or report type that prints another layout.
const std::string kView = "Filtro_TipoVisao";
const std::string kType = "Filtro_TipoRelatorio";
const std::vector<Case> kCases = {
    {"ReceiptTypes", "VendasPorTiposDeRecebimento", {}, ""},
    {"NozzlesFinancial", "TabelaDeVendasPorBico", {{kView, "0"}}, ""},
    {"NozzlesFiscal", "TabelaDeVendasPorBico", {{kView, "1"}}, ""},
    {"RankingProducts", "RankingDeVendas", {{"Filtro_TipoAgrupamento", "1"}}, "Quantidade"},
    {"RankingClients", "RankingDeVendas", {{"Filtro_TipoAgrupamento", "0"}}, "Quantidade"},
    {"Readings", "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", {}, ""},
    {"Complementary", "MovimentacaoDeCombustiveisPorVendaComplementar", {}, ""},
    {"FuelsFinancial", "TabelaDeVendasPorCombustiveis", {{kView, "0"}}, ""},
    {"FuelsFiscal", "TabelaDeVendasPorCombustiveis", {{kView, "1"}}, ""},
    {"GroupsByForm", "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", {{kType, "0"}}, ""},
    {"DaysByForm", "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", {{kType, "2"}}, ""},
    {"FormsByGroup", "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", {{kType, "3"}}, "Qtde"},
    {"ProductsFinancial", "ResumoPorProduto", {{kView, "0"}}, ""},
    {"ProductsFiscal", "ResumoPorProduto", {{kView, "1"}}, ""},
    {"GroupsFinancial", "ResumoPorGrupoDeProduto", {{kView, "0"}}, ""},
    {"GroupsFiscal", "ResumoPorGrupoDeProduto", {{kView, "1"}}, ""},
    {"TaxFinancial", "ResumoPorClassificacaoFiscal", {{kView, "0"}}, ""},
    {"TaxFiscal", "ResumoPorClassificacaoFiscal", {{kView, "1"}}, ""},
    {"ProductLines", "DetalhesDosMovimentosPorProdutos", {}, ""},
    {"ClientLines",
     "DetalhesDosMovimentosPorClientes",
     {{kType, "1"}},
     "",
     {"rptDetalhesDosMovimentosPorClientesApresentarCliente",
      "rptDetalhesDosMovimentosPorClientesApresentarClienteAgrupadoPorPlaca"}},
    {"SpecialClients", "ClienteEspecial", {}, ""},
};

// One month of the demo station, made once for all the layouts: March 2024 with the days
// before it, so that the shift opened on 29 February sells in March on its own day, as it
// does in the demo database.
TEST(TotalsTest, EveryTotalIsTheSumOfWhatItClosesInEveryLayout) {
  const std::filesystem::path database = testing::ScratchFile("march.db");
  demo::GeneratorOptions options;
  options.start = *host::DateTime::FromParts(2024, 2, 28);
  options.days = 33;
  demo::Generate(database, options);

  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const reports::ReportDescriptor& operation = app::CheckOperation(c.operation);
    std::vector<app::Assignment> parameters = {{"Filtro_DataInicial", "01/03/2024"},
                                               {"Filtro_DataFinal", "31/03/2024"}};
    parameters.insert(parameters.end(), c.parameters.begin(), c.parameters.end());
    app::RunSetup setup;
    setup.database = database;
    setup.clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 3, 31));
    const app::RunResult run =
        app::ExecuteRun(operation, app::CheckParameters(operation, parameters), setup);
    ASSERT_TRUE(run.result && run.shown) << "printed nothing";
    const auto& report = dynamic_cast<const engine::Report&>(*run.report);
    auto check = [&](const engine::Report& printed) {
      TotalsChecker checker(printed.GetLayout().crosstab.has_value(), c.untotalled);
      engine::WriteDocument(printed, checker);
      for (const std::string& failure : checker.failures) {
        ADD_FAILURE() << printed.GetLayout().name << ": " << failure;
      }
      EXPECT_GT(checker.totalLines, 0) << printed.GetLayout().name << ": no total line";
    };
    check(report);
    for (const std::string& layout : c.alsoLayouts) {
      const auto other = engine::CreateReport(layout);
      other->SetDataSource(report.DataSource());
      for (const auto& subreport : report.Subreports()) {
        other->Subreport(subreport->GetLayout().name)->SetDataSource(subreport->DataSource());
      }
      check(*other);
    }
  }
}

}  // namespace
}  // namespace orla::cli
