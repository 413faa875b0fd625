// Renders 1k, 10k and 100k generated rows to PDF, as read, sorted and with charts, each size
// in a child process of its own, and prints the time and the peak memory (maximum resident
// set) of each child. The rows are made on the fly by the recordset, so the memory measured
// is the engine's.
//
//   engine_render_bench [--keep] [OUTPUT_DIR] [SIZES...]
//
// --keep leaves the PDFs (bench-ORDER-ROWS.pdf) to be compared as pictures.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/chart.h"
#include "engine/render.h"

namespace {

using orla::host::Column;
using orla::host::DateTime;
using orla::host::Value;

// Sale lines of one month, in date and time order as the query gives them.
class GeneratedSales final : public orla::host::Recordset {
 public:
  explicit GeneratedSales(int64_t rows) : rows_(rows) {
    for (const char* name :
         {"Data_Movimento", "Hora_Movimento", "Caixa", "IDECF", "COO", "IDProduto", "Descricao",
          "Qtde", "ValorVendaUnitario", "ValorCustoUnitario", "Valor_Acrescimo", "Valor_Desconto",
          "ValorDeCusto", "ValorDeVendaBruto", "ValorDeVendaLiquido", "ValorDeLucroBruto",
          "SituacaoTributaria", "AliquotaICMS", "IDFuncionario"}) {
      columns_.push_back({name, orla::host::ColumnType::Unknown});
    }
  }

  Value Eof() override { return row_ >= rows_; }
  void MoveNext() override { ++row_; }
  void MoveFirst() override { row_ = 0; }
  Value Field(std::string_view) override { return {}; }
  const std::vector<Column>& Columns() override { return columns_; }

  Value FieldAt(std::size_t index) override {
    static const std::array<const char*, 8> kProducts = {
        "GASOLINA COMUM",       "GASOLINA ADITIVADA", "ETANOL HIDRATADO", "DIESEL S10",
        "ÓLEO LUBRIFICANTE 1L", "ÁGUA MINERAL 500ML", "ADITIVO RADIADOR", "CAFÉ EXPRESSO"};
    const int64_t day = row_ * 31 / rows_;
    const int64_t second = 6 * 3600 + (row_ * 61) % (16 * 3600);
    const uint64_t h = static_cast<uint64_t>(row_) * 2654435761u;
    const size_t product = h % kProducts.size();
    const double qtde = product < 4 ? 5 + (h % 6000) / 100.0 : 1 + h % 3;
    const double price = product < 4 ? 5.899 - product * 0.4 : 4.5 + product;
    const double gross = qtde * price;
    const double discount = h % 5 == 0 ? 0.5 : 0;
    switch (index) {
      case 0:
        return DateTime::FromDays(19783 + day);  // March 2024
      case 1:
        return DateTime::FromDays(-25569, static_cast<int32_t>(second));
      case 2:
        return "T0" + std::to_string(1 + h % 3);
      case 3:
        return static_cast<int64_t>(1 + h % 2);
      case 4:
        return static_cast<int64_t>(100000 + row_);
      case 5:
        return product < 4 ? "B0" + std::to_string(1 + product) : std::to_string(2000 + product);
      case 6:
        return kProducts[product];
      case 7:
        return qtde;
      case 8:
        return price;
      case 9:
        return price * 0.82;
      case 10:
        return 0.0;
      case 11:
        return discount;
      case 12:
        return qtde * price * 0.82;
      case 13:
        return gross;
      case 14:
        return gross - discount;
      case 15:
        return gross - discount - qtde * price * 0.82;
      case 16:
        return product < 4 ? "FF" : "TT";
      case 17:
        return product < 4 ? 0.0 : 18.0;
      default:
        return "00" + std::to_string(1 + h % 7);
    }
  }

 private:
  int64_t rows_;
  int64_t row_ = 0;
  std::vector<Column> columns_;
};

enum class Order { AsRead, Sorted, Charted };

const char* OrderName(Order order) {
  switch (order) {
    case Order::AsRead:
      return "as read";
    case Order::Sorted:
      return "sorted";
    case Order::Charted:
      return "charted";
  }
  return "";
}

// The details by product as they come (grouped by day, in the query's order); regrouped by
// product, which sorts every row through temporary files first; or as they come with two
// charts summed from every row: a share by product before the table, which reads the rows
// once more, and litres by day and product after it, summed as the table reads them.
std::shared_ptr<orla::engine::Report> NewReport(Order order) {
  using namespace orla::engine;
  auto layout = std::make_shared<Layout>(*LoadLayout("rptDetalhesDosMovimentosPorProdutos"));
  if (order == Order::Charted) {
    const size_t product = *layout->FindField("Descricao");
    auto share = std::make_shared<ChartDef>();
    share->kind = ChartKind::Share;
    share->category = product;
    share->values = {*layout->FindField("ValorDeVendaLiquido")};
    share->limit = 8;
    auto lines = std::make_shared<ChartDef>();
    lines->kind = ChartKind::Line;
    lines->category = *layout->FindField("Data_Movimento");
    lines->series = product;
    lines->values = {*layout->FindField("Qtde")};
    lines->order = ChartOrder::Category;
    lines->limit = 400;
    for (SectionDef& section : layout->sections) {
      if (section.kind == SectionKind::ReportHeader) {
        section.chart = share;
      } else if (section.kind == SectionKind::ReportFooter) {
        section.chart = lines;
      }
    }
  }
  if (order == Order::Sorted) {
    const size_t product = *layout->FindField("Descricao");
    layout->sort = {{product, false}};
    layout->groups.front().field = product;
    layout->groups.front().header.parts = {{Template::Part::Kind::Field, {}, product}};
    layout->groups.front().footer.parts = {{Template::Part::Kind::Literal, "Total ", 0},
                                           {Template::Part::Kind::Field, {}, product}};
  }
  return std::make_shared<Report>(layout);
}

void Render(Order order, int64_t rows, const std::filesystem::path& out) {
  auto report = NewReport(order);
  report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO ORLA LTDA");
  report->SetHeaderLine(1, "Visão fiscal / De 01/03/24 até 31/03/24");
  report->SetDataSource(std::make_shared<GeneratedSales>(rows));
  orla::engine::Render(*report, orla::engine::Format::Pdf, out);
}

int PageCount(const std::filesystem::path& pdf) {
  const std::string command = "pdfinfo '" + pdf.string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return 0;
  }
  char line[256];
  int pages = 0;
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::sscanf(line, "Pages: %d", &pages);
  }
  pclose(pipe);
  return pages;
}

}  // namespace

int main(int argc, char** argv) {
  const bool keep = argc > 1 && std::string_view(argv[1]) == "--keep";
  const int first = keep ? 2 : 1;
  const std::filesystem::path dir =
      argc > first ? argv[first] : std::filesystem::temp_directory_path();
  std::vector<int64_t> sizes;
  for (int i = first + 1; i < argc; ++i) {
    sizes.push_back(std::atoll(argv[i]));
  }
  if (sizes.empty()) {
    sizes = {1000, 10000, 100000};
  }
  std::printf("%-10s %-10s %10s %8s %8s %12s %14s\n", "order", "rows", "seconds", "CPU (s)",
              "pages", "PDF (KiB)", "peak RSS (MiB)");
  for (Order order : {Order::AsRead, Order::Sorted, Order::Charted}) {
    for (int64_t rows : sizes) {
      std::string name = OrderName(order);
      std::replace(name.begin(), name.end(), ' ', '-');
      const auto out = dir / ("bench-" + name + "-" + std::to_string(rows) + ".pdf");
      const auto start = std::chrono::steady_clock::now();
      const pid_t child = fork();
      if (child == 0) {
        try {
          Render(order, rows, out);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "%s\n", e.what());
          _exit(1);
        }
        _exit(0);
      }
      int status = 0;
      rusage usage{};
      wait4(child, &status, 0, &usage);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "rendering %lld rows failed\n", static_cast<long long>(rows));
        return 1;
      }
      // On a shared machine the processor time says more than the clock.
      const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
      std::printf("%-10s %-10lld %10.2f %8.2f %8d %12.0f %14.1f\n", OrderName(order),
                  static_cast<long long>(rows), seconds, cpu, PageCount(out),
                  std::filesystem::file_size(out) / 1024.0, usage.ru_maxrss / 1024.0);
      std::fflush(stdout);
      if (!keep) {
        std::filesystem::remove(out);
      }
    }
  }
  return 0;
}
