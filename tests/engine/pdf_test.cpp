// PDFs checked with poppler-utils: a valid file, the right page count, the text (accents
// included), and where the pages break.
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/render.h"
#include "engine/svg_pages.h"
#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

constexpr std::string_view kGroupedList = R"({
  "name": "rptPaginas", "title": "Vendas - Movimentação por Grupo",
  "fields": [
    {"column": "Grupo", "visible": false},
    {"column": "Item", "caption": "Produto", "width": 30},
    {"column": "Valor", "caption": "Valor", "format": "money", "total": "sum"}
  ],
  "groups": [{"field": "Grupo", "header": "{Grupo}", "footer": "Total {Grupo}"}],
  "sections": [
    {"name": "Section3", "kind": "details"},
    {"name": "Section4", "kind": "reportFooter", "totals": true}
  ]
})";

std::shared_ptr<Report> GroupedList(const std::vector<int>& groupSizes) {
  const auto report = testing::ReportOf(kGroupedList);
  report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO AÇAÍ");
  report->SetHeaderLine(1, "Visão fiscal / De 01/03/24 até 31/03/24");
  std::vector<MemoryRecordset::Row> rows;
  for (size_t g = 0; g < groupSizes.size(); ++g) {
    for (int i = 0; i < groupSizes[g]; ++i) {
      rows.push_back({"GRUPO " + std::to_string(g + 1), "Ação Ñandu " + std::to_string(i), 1.5});
    }
  }
  report->SetDataSource(testing::Recordset({"Grupo", "Item", "Valor"}, rows));
  return report;
}

int PageCount(const std::filesystem::path& pdf) {
  const std::string info = testing::RunCommand("pdfinfo '" + pdf.string() + "'");
  const size_t at = info.find("Pages:");
  return at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

std::vector<std::string> PageLines(const std::filesystem::path& pdf, int page) {
  const std::string text =
      testing::RunCommand("pdftotext -layout -f " + std::to_string(page) + " -l " +
                          std::to_string(page) + " '" + pdf.string() + "' -");
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t start = line.find_first_not_of(" \f");
    if (start != std::string::npos) {
      lines.push_back(line.substr(start));
    }
  }
  return lines;
}

TEST(PdfTest, NumbersItsPagesAndRepeatsTheHeaders) {
  testing::TempDir dir;
  const auto pdf = dir / "lista.pdf";
  const auto report = GroupedList({150});
  report->SetPrintedBy("ana");
  Render(*report, Format::Pdf, pdf);
  const int pages = PageCount(pdf);
  ASSERT_GE(pages, 3) << "pdfinfo could not read the file, or it is too short";
  for (int p = 1; p <= pages; ++p) {
    SCOPED_TRACE(p);
    const auto lines = PageLines(pdf, p);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "[12.345.678/0001-90] - AUTO POSTO AÇAÍ");
    EXPECT_EQ(lines[1], "Vendas - Movimentação por Grupo");
    EXPECT_TRUE(lines[3].starts_with("Produto")) << lines[3];
    EXPECT_NE(lines.back().find("Página " + std::to_string(p) + " de " + std::to_string(pages)),
              std::string::npos)
        << lines.back();
    EXPECT_TRUE(std::regex_search(lines.back(),
                                  std::regex("^Impresso em ../../.... ..:.. por ana +Página")))
        << lines.back();
    if (p > 1) {
      EXPECT_EQ(lines[4], "GRUPO 1 (continuação)");
    }
  }
  const auto last = PageLines(pdf, pages);
  EXPECT_TRUE(last[last.size() - 2].starts_with("Total geral")) << last[last.size() - 2];
  EXPECT_NE(last[last.size() - 2].find("225,00"), std::string::npos);
}

// The viewer shows a first page drawn from the first rows while the rest are read: it must be
// the printed first page, or not be drawn at all.
TEST(PdfTest, DrawsTheFirstPageAheadOnlyWhenLaterRowsCannotChangeIt) {
  struct Pages final : PageSink {
    std::vector<std::string> texts;
    std::string ahead;
    void Counted(int) override {}
    void Font(const PageFont&) override {}
    void Page(std::string, std::string text) override { texts.push_back(std::move(text)); }
    void Ahead(std::string, std::string text) override { ahead = std::move(text); }
  };
  const PrintTime printed = CurrentPrintTime();
  const auto body = [](const std::string& text) { return text.substr(0, text.rfind("Página")); };

  const auto list = GroupedList({150});
  Pages ahead;
  Pages all;
  ASSERT_TRUE(RenderFirstPage(*list, printed, ahead, 60));
  RenderPages(*list, printed, all);
  ASSERT_GE(all.texts.size(), 3u);
  EXPECT_EQ(body(ahead.ahead), body(all.texts[0]));
  EXPECT_TRUE(ahead.ahead.ends_with("Página 1\n")) << ahead.ahead;

  // A sort, or a share of the report's total, reads every row before the first prints.
  std::string sorted(kGroupedList);
  sorted.replace(sorted.find(R"("groups")"), 0,
                 R"("sort": [{"field": "Item", "descending": true}], )");
  std::string shares(kGroupedList);
  shares.replace(
      shares.find(R"({"column": "Valor")"), 0,
      R"j({"name": "Parte", "compute": "Valor / total(Valor)", "format": "percent"}, )j");
  for (const std::string& layout : {sorted, shares}) {
    SCOPED_TRACE(layout);
    const auto report = testing::ReportOf(layout);
    std::vector<MemoryRecordset::Row> rows(150, {"GRUPO 1", "Item", 1.5});
    report->SetDataSource(testing::Recordset({"Grupo", "Item", "Valor"}, rows));
    Pages none;
    EXPECT_FALSE(RenderFirstPage(*report, printed, none, 60));
    EXPECT_EQ(none.ahead, "");
  }
}

TEST(PdfTest, NeverLeavesAGroupHeaderOrTotalsAloneAcrossABreak) {
  testing::TempDir dir;
  // Somewhere in this range the second group starts at the foot of the first page.
  for (int first = 36; first <= 70; ++first) {
    SCOPED_TRACE(first);
    const auto pdf = dir / ("grupos" + std::to_string(first) + ".pdf");
    Render(*GroupedList({first, 2, 40}), Format::Pdf, pdf);
    const int pages = PageCount(pdf);
    ASSERT_GE(pages, 2);
    for (int p = 1; p <= pages; ++p) {
      const auto lines = PageLines(pdf, p);
      ASSERT_GE(lines.size(), 6u);
      const std::string& lastBody = lines[lines.size() - 2];  // before the foot
      EXPECT_FALSE(lastBody.starts_with("GRUPO")) << "page " << p << " ends with " << lastBody;
      // After company, title, caption and columns, and a repeated group header if any.
      size_t first = 4;
      while (first < lines.size() && lines[first].find("(continuação)") != std::string::npos) {
        ++first;
      }
      EXPECT_FALSE(lines[first].starts_with("Total"))
          << "page " << p << " starts with " << lines[first];
    }
  }
}

// Sets an environment variable for one scope (nullptr: unsets it), then puts it back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The foot says when and by whom the report was printed, once at the end where there are no
// pages; the files say when they were made. Both are the real time, which SOURCE_DATE_EPOCH
// fixes, so that the same report gives the same bytes.
TEST(PdfTest, SaysWhenAndByWhomItWasPrinted) {
  testing::TempDir dir;
  const auto report = GroupedList({30, 30});
  report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO AÇAÍ");
  report->SetPrintedBy("ana");
  {
    const ScopedEnvironment epoch("SOURCE_DATE_EPOCH", "1711900800");  // 31/03/2024 16:00 UTC
    const std::string printed = "Impresso em 31/03/2024 16:00 por ana";
    std::ostringstream text;
    Render(*report, Format::Text, text);
    EXPECT_TRUE(text.str().ends_with("\n" + printed + "\n")) << text.str();
    std::ostringstream html;
    Render(*report, Format::Html, html);
    EXPECT_NE(html.str().find("<div>" + printed + "</div>\n</footer>"), std::string::npos);

    for (const char* name : {"a.pdf", "b.pdf", "a.xlsx", "b.xlsx"}) {
      Render(*report, std::string(name).ends_with("pdf") ? Format::Pdf : Format::Xlsx, dir / name);
    }
    EXPECT_EQ(testing::Slurp(dir / "a.pdf"), testing::Slurp(dir / "b.pdf"));
    EXPECT_EQ(testing::Slurp(dir / "a.xlsx"), testing::Slurp(dir / "b.xlsx"));
    EXPECT_NE(PageLines(dir / "a.pdf", 1).back().find(printed), std::string::npos);
    const std::string info =
        testing::RunCommand("pdfinfo -isodates '" + (dir / "a.pdf").string() + "'");
    for (const char* property :
         {"Title:           Vendas - Movimentação por Grupo\n",
          "Subject:         Visão fiscal / De 01/03/24 até 31/03/24\n",
          "Author:          [12.345.678/0001-90] - AUTO POSTO AÇAÍ\n",
          "Creator:         orla-vendas 321.0\n", "CreationDate:    2024-03-31T16:00:00Z\n"}) {
      EXPECT_NE(info.find(property), std::string::npos) << property << info;
    }
    const auto unzip = [&](const char* member) {
      return testing::RunCommand("unzip -p '" + (dir / "a.xlsx").string() + "' " + member);
    };
    EXPECT_NE(unzip("docProps/core.xml").find(">2024-03-31T16:00:00Z<"), std::string::npos);
    EXPECT_NE(unzip("docProps/core.xml").find("<dc:creator>[12.345.678/0001-90] - AUTO POSTO"),
              std::string::npos);
    EXPECT_NE(unzip("docProps/custom.xml").find("orla-vendas 321.0"), std::string::npos);
    EXPECT_NE(
        unzip("xl/worksheets/sheet1.xml")
            .find("<oddFooter>&amp;L" + printed + "&amp;RPágina &amp;P de &amp;N</oddFooter>"),
        std::string::npos);
  }
  {
    const ScopedEnvironment epoch("SOURCE_DATE_EPOCH", "amanhã");
    std::ostringstream text;
    EXPECT_THROW(Render(*report, Format::Text, text), host::HostError);
  }
  const ScopedEnvironment unset("SOURCE_DATE_EPOCH", nullptr);
  const std::time_t before = std::time(nullptr);
  Render(*report, Format::Pdf, dir / "now.pdf");
  const std::time_t after = std::time(nullptr);
  const std::string bytes = testing::Slurp(dir / "now.pdf");
  const size_t at = bytes.find("/CreationDate(D:");
  ASSERT_NE(at, std::string::npos);
  std::tm made{};
  ASSERT_NE(strptime(bytes.substr(at + 16, 14).c_str(), "%Y%m%d%H%M%S", &made), nullptr);
  const std::time_t created = timegm(&made);
  EXPECT_TRUE(created >= before && created <= after) << bytes.substr(at, 32);
}

// Text cut with "…" keeps its words in the text layer (a reader still copies the whole
// name), all standing where the cut text stands; a narrowed number comes out a few
// characters at a time.
using testing::Word;

const Word* Starting(const std::vector<Word>& words, const std::string& prefix) {
  for (const Word& w : words) {
    if (w.text.starts_with(prefix)) {
      return &w;
    }
  }
  return nullptr;
}

// "stem0 stem1 ..." up to count words.
std::string Numbered(const std::string& stem, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += (i ? " " : "") + stem + std::to_string(i);
  }
  return text;
}

// A column takes what its texts need, however narrow the layout drew it, while the line has
// room; once it is full the widest texts are cut (a wrapping text after its lines), numbers
// never.
TEST(PdfTest, GivesColumnsWhatTheirTextsNeedAndCutsOnlyWhatCannotFit) {
  testing::TempDir dir;
  auto render = [&](const std::string& name, const std::string& note, const std::string& rest) {
    const auto report = testing::ReportOf(R"({
      "name": "rptEstreito", "title": "Estreito",
      "fields": [{"column": "Nome", "width": 3}, {"column": "Obs", "width": 10, "wrap": 2},
                 {"column": "Valor", "format": "money", "width": 3},
                 {"column": "Resto", "width": 84}],
      "sections": [{"name": "Section3", "kind": "details"}]
    })");
    report->SetDataSource(
        testing::Recordset({"Nome", "Obs", "Valor", "Resto"}, {{name, note, 123456789.5, rest}}));
    const auto pdf = dir / "estreito.pdf";
    Render(*report, Format::Pdf, pdf);
    return testing::Words(pdf, 1);
  };
  // Room: the name keeps its three words apart (a cut text reads back as one run of words,
  // where it was cut).
  const auto roomy = render("Transportadora Irmãos Araújo", Numbered("obs", 8), "curto");
  for (const char* word : {"Transportadora", "Irmãos", "Araújo", "obs7", "123.456.789,50"}) {
    const Word* found = Starting(roomy, word);
    ASSERT_NE(found, nullptr) << word;
    EXPECT_EQ(found->text, word);
  }
  EXPECT_LT(Starting(roomy, "Araújo")->right, Starting(roomy, "obs0")->left);

  const auto full = render(Numbered("nome", 12), Numbered("obs", 40), Numbered("resto", 60));
  // Where a text is cut, the words it could not show read back as one run.
  auto cutRun = [&](const std::string& stem) -> const Word* {
    for (const Word& w : full) {
      if (w.text.starts_with(stem) && w.text.find(' ') != std::string::npos) {
        return &w;
      }
    }
    return nullptr;
  };
  const Word* name = cutRun("nome");
  const Word* note = cutRun("obs");
  const Word* first = Starting(full, "obs0");
  const Word* number = Starting(full, "123");
  ASSERT_TRUE(name && note && first && number);
  EXPECT_LE(name->right, first->left);
  EXPECT_GE(note->top, first->bottom - 1);  // wrapped to a second line
  EXPECT_LE(note->right, number->left);     // and cut there
  EXPECT_EQ(number->text, "123.456.789,50");
  for (const Word& w : full) {
    EXPECT_LE(w.right, 567.5) << w.text;  // within the page's margin
  }
}

TEST(PdfTest, WrapsALongNoteAndStartsTheTableBelowIt) {
  testing::TempDir dir;
  const std::string note = Numbered("nota", 60);
  const auto report = testing::ReportOf(R"({
    "name": "rptNota", "title": "Nota", "formulas": ["Texto"],
    "fields": [{"column": "Item", "caption": "Produto"}],
    "sections": [{"name": "Section1", "kind": "reportHeader", "lines": ["{@Texto}"]},
                 {"name": "Section3", "kind": "details"}]
  })");
  report->SetFormula("Texto", "'" + note + "'");
  report->SetDataSource(testing::Recordset({"Item"}, {{"x"}}));
  const auto pdf = dir / "nota.pdf";
  Render(*report, Format::Pdf, pdf);
  const auto words = testing::Words(pdf, 1);
  const Word* first = Starting(words, "nota0");
  const Word* last = Starting(words, "nota59");
  const Word* caption = Starting(words, "Produto");
  ASSERT_TRUE(first != nullptr && last != nullptr && caption != nullptr);
  EXPECT_GT(last->top, first->bottom);  // more than one line
  EXPECT_GE(caption->top, last->bottom);
}

// Pages are counted before they are drawn, formatting only the texts that may wrap: rows
// made taller by a wrapped text must be counted as tall as they are drawn.
TEST(PdfTest, CountsThePagesWrappedRowsTake) {
  testing::TempDir dir;
  const auto report = testing::ReportOf(R"({
    "name": "rptObs", "title": "Observações",
    "fields": [{"column": "Obs", "width": 3, "wrap": 3},
               {"column": "Valor", "format": "money", "width": 5},
               {"column": "Resto", "width": 12}],
    "sections": [{"name": "Section3", "kind": "details"}]
  })");
  std::vector<MemoryRecordset::Row> rows;
  for (int i = 0; i < 150; ++i) {
    rows.push_back({i % 2 == 0
                        ? "uma observação que ocupa três linhas da coluna " + std::to_string(i)
                        : std::string("curta"),
                    1.5, ""});
  }
  report->SetDataSource(testing::Recordset({"Obs", "Valor", "Resto"}, rows));
  const auto pdf = dir / "obs.pdf";
  Render(*report, Format::Pdf, pdf);
  const int pages = PageCount(pdf);
  ASSERT_GE(pages, 3);
  for (int p : {1, pages}) {
    const auto lines = PageLines(pdf, p);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Página " + std::to_string(p) + " de " + std::to_string(pages)),
              std::string::npos)
        << lines.back();
  }
}

// Fills wait for the end of the page and are painted in layers: a detail row's bar must
// lie over its stripe, not under it. Every second row is striped, so two rows show twice
// the bar of one.
TEST(PdfTest, PaintsBarsOverTheStripesOfTheirRows) {
  testing::TempDir dir;
  auto barPixels = [&](int rowCount) {
    const auto report = testing::ReportOf(R"({
      "name": "rptBarras", "title": "Barras",
      "fields": [{"column": "Item", "width": 10},
                 {"column": "Perc", "format": "percent", "bar": true, "width": 20}],
      "sections": [{"name": "Section3", "kind": "details"}]
    })");
    report->SetDataSource(testing::Recordset(
        {"Item", "Perc"}, std::vector<MemoryRecordset::Row>(rowCount, {"x", 100.0})));
    const auto pdf = dir / ("barras" + std::to_string(rowCount) + ".pdf");
    Render(*report, Format::Pdf, pdf);
    testing::RunCommand("pdftoppm -r 72 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" +
                        pdf.string() + "'");
    std::ifstream in(pdf.string() + ".ppm", std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int depth = 0;
    in >> magic >> width >> height >> depth;
    in.get();
    std::string pixels(static_cast<size_t>(width) * height * 3, '\0');
    in.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    int count = 0;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
      // The bar's colour, 0.545 0.635 0.749, give or take the rounding of a renderer.
      const auto near = [&](size_t k, int value) {
        return std::abs(static_cast<unsigned char>(pixels[i + k]) - value) <= 2;
      };
      count += near(0, 139) && near(1, 162) && near(2, 191) ? 1 : 0;
    }
    return count;
  };
  const int one = barPixels(1);
  ASSERT_GT(one, 50) << "no bar drawn";
  const int two = barPixels(2);
  EXPECT_GT(two, one * 17 / 10);
  EXPECT_LT(two, one * 23 / 10);
}

TEST(PdfTest, PrintsAnEmptyReportOnOneLandscapePage) {
  testing::TempDir dir;
  const auto report = CreateReport("rptTabelaDeVendasPorBicos");
  const auto pdf = dir / "vazio.pdf";
  Render(*report, Format::Pdf, pdf);
  EXPECT_EQ(PageCount(pdf), 1);
  EXPECT_NE(testing::RunCommand("pdfinfo '" + pdf.string() + "'").find("841.89 x 595.276"),
            std::string::npos);
  const std::string text = testing::RunCommand("pdftotext '" + pdf.string() + "' -");
  EXPECT_NE(text.find("Vendas - Tabela de Vendas de Combustíveis por Bicos"), std::string::npos);
  EXPECT_NE(text.find("Página 1 de 1"), std::string::npos);
}

}  // namespace
}  // namespace orla::engine
