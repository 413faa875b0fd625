// The engine's own PDF against Pango drawing the same layouts through Cairo: the same
// words at the same places, and the same pictures, whether a text comes from the cache, from the
// glyph table of numbers or from Pango, alone or batched by font and colour.
#include "engine/pdf_text.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include <cairo-pdf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine::pdf {
namespace {

struct Case {
  Font font;
  std::string text;
  double width;
  Align align;
  int maxLines;  // 0 with DrawNumber
  bool number;
};

// Three inks, so that a batch holds texts of one font in several colours.
Rgb Ink(size_t k) {
  return {k % 3 == 1 ? 0.8 : 0, 0, k % 3 == 2 ? 0.8 : 0};
}

// Every case drawn twice, so the second time comes from the cache; `batch` cases at a time
// are written together. With `pango`, Pango draws each layout itself on a Cairo surface.
void DrawAll(const std::filesystem::path& file, bool pango, const std::vector<Case>& cases,
             size_t batch = 1) {
  Typesetter type;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  std::unique_ptr<PdfFile> ours;
  if (pango) {
    surface = cairo_pdf_surface_create(file.c_str(), 842, 595);
    cr = cairo_create(surface);
  } else {
    ours = std::make_unique<PdfFile>(file, 842, 595);
  }
  double y = 20;
  bool pageOpen = false;
  for (int round = 0; round < 2; ++round) {
    for (size_t k = 0; k < cases.size(); ++k) {
      const Case& c = cases[k];
      const bool last = k % batch == batch - 1 || k + 1 == cases.size();
      if (pango) {
        cairo_set_source_rgb(cr, Ink(k).r, Ink(k).g, Ink(k).b);
        PangoLayout* layout =
            type.Prepare(c.font, c.text, c.number ? -1 : c.width, c.number ? 0 : c.maxLines,
                         c.number ? Align::Left : c.align);
        cairo_save(cr);
        cairo_translate(cr, 20, y);
        if (c.number) {
          PangoRectangle logical;
          pango_layout_get_extents(layout, nullptr, &logical);
          const double width = static_cast<double>(logical.width) / PANGO_SCALE;
          if (width > c.width) {
            cairo_scale(cr, c.width / width, 1);
          } else if (c.align == Align::Right) {
            cairo_translate(cr, c.width - width, 0);
          }
        }
        cairo_move_to(cr, 0, 0);
        pango_cairo_show_layout(cr, layout);
        cairo_restore(cr);
      } else {
        type.SetColour(Ink(k));
        if (c.number) {
          type.DrawNumber(c.font, c.text, 20, y, c.width, c.align);
        } else {
          type.Draw(c.font, c.text, 20, y, c.width, c.align, c.maxLines);
        }
        if (last) {
          type.Flush(*ours);
        }
      }
      // Each below the last, however many lines it takes.
      y += std::max(24.0,
                    type.Lines(c.font, c.text, c.width, c.maxLines) * type.LineHeight(c.font) + 4);
      pageOpen = true;
      if (last && y > 450) {
        pageOpen = false;
        if (pango) {
          cairo_show_page(cr);
        } else {
          ours->EndPage();
        }
        y = 20;
      }
    }
  }
  if (pango) {
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  } else {
    if (pageOpen) {
      ours->EndPage();
    }
    ours->Finish();
  }
}

// Pages as grey pixels, one string per page.
std::vector<std::string> Pictures(const std::filesystem::path& pdf) {
  const std::filesystem::path dir = pdf.string() + ".pages";
  std::filesystem::create_directory(dir);
  testing::RunCommand("pdftoppm -gray -r 100 '" + pdf.string() + "' '" + (dir / "p").string() +
                      "'");
  std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(dir), {});
  std::sort(files.begin(), files.end());
  std::vector<std::string> pages;
  for (const auto& file : files) {
    const std::string bytes = testing::Slurp(file);
    // Past the header "P5\nW H\n255\n".
    size_t at = 0;
    for (int fields = 0; fields < 4; ++fields) {
      at = bytes.find_first_of(" \n", at) + 1;
    }
    pages.push_back(bytes.substr(at));
  }
  std::filesystem::remove_all(dir);
  return pages;
}

// poppler places glyphs on a grid of quarter pixels, so a position that differs in a far
// decimal may move a glyph by a quarter pixel (a quarter of the ink at its edges); a glyph
// out of place or missing changes pixels by far more.
void ExpectSamePictures(const std::filesystem::path& expected,
                        const std::filesystem::path& actual) {
  const auto want = Pictures(expected);
  const auto got = Pictures(actual);
  ASSERT_FALSE(want.empty());
  ASSERT_EQ(got.size(), want.size());
  for (size_t p = 0; p < want.size(); ++p) {
    SCOPED_TRACE("page " + std::to_string(p + 1));
    ASSERT_EQ(got[p].size(), want[p].size());
    int largest = 0;
    size_t differ = 0;
    for (size_t i = 0; i < want[p].size(); ++i) {
      const int d =
          std::abs(static_cast<unsigned char>(want[p][i]) - static_cast<unsigned char>(got[p][i]));
      largest = std::max(largest, d);
      differ += d > 0 ? 1 : 0;
    }
    EXPECT_LE(largest, 80) << differ << " pixels differ: " << expected << ", " << actual;
  }
}

// The same words where Pango put them. Cairo writes a glyph's width rounded down to a
// thousandth of the type size and places the next glyph by its true width, so its glyphs
// fall behind by half a thousandth each on average: 0.4 points at the end of a 50-glyph
// line of 16 points. A glyph taken for another, a line broken elsewhere or a glyph out of
// place by a letter are all further off.
void ExpectSameAsPango(const std::vector<Case>& cases, const std::string& name, size_t batch = 1,
                       bool pictures = false) {
  // Kept for a look when they differ; a folder of this process's own, as the dev and
  // sanitizer runs of this test may meet.
  const auto dir =
      std::filesystem::temp_directory_path() / ("orla-pdf-text-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto pango = dir / (name + "-pango.pdf");
  const auto ours = dir / (name + ".pdf");
  DrawAll(pango, true, cases, batch);
  DrawAll(ours, false, cases, batch);
  const auto want = testing::Words(pango);
  const auto got = testing::Words(ours);
  ASSERT_GT(want.size(), cases.size());
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].text, want[i].text);
    EXPECT_NEAR(got[i].left, want[i].left, 0.5) << want[i].text;
    EXPECT_NEAR(got[i].top, want[i].top, 0.01) << want[i].text;
    if (::testing::Test::HasFailure()) {
      return;
    }
  }
  if (pictures) {
    ExpectSamePictures(pango, ours);
  }
  if (!::testing::Test::HasFailure()) {
    std::filesystem::remove(pango);
    std::filesystem::remove(ours);
    std::filesystem::remove(dir);
  }
}

TEST(PdfTextTest, NumbersFromTheGlyphTableAreWhatPangoSets) {
  // Brazilian money, quantities, prices, percents, dates and times, and strings of signs
  // in any order, so every pair of signs meets.
  std::vector<std::string> texts = {"1.234,56", "-0,50",      "12,34%",           "01/03/2024",
                                    "14:05:09", "(1.234,00)", "01/03/2024 14:05", "+5",
                                    "100123",   "0",          "999.999.999,99",   "5,899"};
  std::mt19937 random(7);
  constexpr std::string_view signs = NumberGlyphs::kSigns;
  for (int i = 0; i < 200; ++i) {
    std::string text;
    const size_t length = 1 + random() % 12;
    for (size_t k = 0; k < length; ++k) {
      text += signs[random() % signs.size()];
    }
    texts.push_back(text);
  }
  std::vector<Case> cases;
  for (const std::string& text : texts) {
    for (Font font : {Font::Body, Font::BodyBold}) {
      // Right in a wide cell, left, and narrowed into a cell too small.
      cases.push_back({font, text, 120, Align::Right, 0, true});
      cases.push_back({font, text, 120, Align::Left, 0, true});
      cases.push_back({font, text, 12, Align::Right, 0, true});
    }
  }
  ExpectSameAsPango(cases, "numbers");
}

TEST(PdfTextTest, TextInABoxWrapsAndCutsAsPangoDoes) {
  const std::vector<std::string> texts = {
      "GASOLINA ADITIVADA D'OURO",
      "Óleo Diesel S-10 — Açaí",
      "ÁGUA MINERAL 500ML",
      "Visão fiscal / De 01/03/24 até 31/03/24",
      "Página 3 de 12",
      "Uma observação longa o bastante para ocupar várias linhas de uma coluna estreita",
      "Supercalifragilisticexpialidocious",
      "T01",
      "1.234,56",
      " 12 ",
      "12 34",
  };
  std::vector<Case> cases;
  for (const std::string& text : texts) {
    // Widths around where these texts start to wrap, so both sides of the edge are drawn.
    for (double width : {6.0, 24.0, 31.5, 60.0, 90.0, 400.0}) {
      for (int maxLines : {1, 2, 0}) {
        for (Align align : {Align::Left, Align::Right}) {
          cases.push_back({Font::Body, text, width, align, maxLines, false});
        }
      }
      cases.push_back({Font::ColumnHeader, text, width, Align::Left, 2, false});
      cases.push_back({Font::Footer, text, width, Align::Right, 1, false});
      cases.push_back({Font::Title, text, width, Align::Left, 1, false});
    }
  }
  // Numbers whose width sits exactly on a cell's edge, where Pango decides to wrap or not.
  for (const char* text : {"1.234,56", "01/03/2024", "14:05:09", "100123"}) {
    for (double width = 20; width < 45; width += 0.125) {
      cases.push_back({Font::Body, text, width, Align::Right, 1, false});
      cases.push_back({Font::Body, text, width, Align::Left, 2, false});
    }
  }
  ExpectSameAsPango(cases, "boxes");
}

// Rows of texts batched by font and colour, a row's worth or a page's, narrowed numbers
// among them.
TEST(PdfTextTest, TextsWrittenTogetherLookAndReadTheSame) {
  std::vector<Case> cases;
  for (int row = 0; row < 20; ++row) {
    const std::string n = std::to_string(row);
    cases.push_back({Font::Body, "01/03/2024", 40, Align::Left, 0, true});
    cases.push_back({Font::Body, "ÓLEO LUBRIFICANTE " + n, 60, Align::Left, 2, false});
    cases.push_back({Font::Body, "1.234," + n, row % 3 == 0 ? 8.0 : 50.0, Align::Right, 0, true});
    cases.push_back({Font::BodyBold, "Total " + n, 50, Align::Left, 1, false});
  }
  for (size_t batch : {4, 10}) {
    SCOPED_TRACE(batch);
    ExpectSameAsPango(cases, "batch" + std::to_string(batch), batch, true);
  }
}

// The table sets what it knows and declines the rest, so the comparisons above do go
// through it.
TEST(PdfTextTest, TheGlyphTableTakesNumbersOnly) {
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(map);
  pango_cairo_context_set_resolution(context, 72);
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans Condensed 8.5");
  pango_layout_set_font_description(layout, font);
  {
    NumberGlyphs table(layout);
    const std::pair<const char*, bool> cases[] = {
        {"1.234,56", true}, {"01/03/2024 14:05", true}, {"-12,5%", true},
        {"R$ 1,00", false}, {"1,5 L", false},           {"", false},
    };
    for (const auto& [text, taken] : cases) {
      SCOPED_TRACE(text);
      ShapedText shaped;
      ASSERT_EQ(table.Shape(text, shaped), taken);
      if (taken) {
        pango_layout_set_text(layout, text, -1);
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        EXPECT_EQ(shaped.width, logical.width);
        EXPECT_EQ(shaped.runs.at(0).glyphs.size(), std::string_view(text).size());
      }
    }
  }
  pango_font_description_free(font);
  g_object_unref(layout);
  g_object_unref(context);
  g_object_unref(map);
}

// The file itself: every object where the cross-reference table says, fonts embedded as
// subsets with a map back to the text, and signs no font has (drawn as the font's box) and
// a glyph standing for several texts still read as what was written.
TEST(PdfFileTest, IsWellFormedAndReadsBackItsText) {
  testing::TempDir dir;
  const auto pdf = dir / "texto.pdf";
  const std::vector<std::string> lines = {"Visão", "Ação …", "日本 123", "Visão fiscal de março"};
  {
    PdfFile file(pdf, 595, 842);
    file.SetInfo({"Relatório", "Vendas", "AUTO POSTO", "orla-vendas", 0});
    Typesetter type;
    double y = 40;
    for (const std::string& line : lines) {
      type.Draw(Font::Paragraph, line, 40, y, 400, Align::Left, 1);
      y += 20;
    }
    // Cut with "…": that glyph stands for the rest of the text here, and for itself above.
    type.Draw(Font::Paragraph, "Visão fiscal de março", 40, y, 40, Align::Left, 1);
    type.Flush(file);
    file.Fill({0.5, 0.5, 0.5}, 40, 200, 100, 10);
    file.EndPage();
    file.Finish();
  }
  const std::string bytes = testing::Slurp(pdf);
  const size_t start = std::stoul(bytes.substr(bytes.rfind("startxref") + 10));
  ASSERT_EQ(bytes.compare(start, 5, "xref\n"), 0);
  std::istringstream table(bytes.substr(start + 5));
  size_t first = 0;
  size_t count = 0;
  table >> first >> count;
  ASSERT_GT(count, 5u);
  for (size_t object = 0; object < count; ++object) {
    std::string offset, generation, kind;
    table >> offset >> generation >> kind;
    if (kind == "n") {
      const std::string head = std::to_string(object) + " 0 obj";
      EXPECT_EQ(bytes.compare(std::stoul(offset), head.size(), head), 0) << object;
    }
  }
  const std::string fonts = testing::RunCommand("pdffonts '" + pdf.string() + "'");
  EXPECT_TRUE(std::regex_search(
      fonts, std::regex(R"([A-Z]{6}\+DejaVuSans +CID TrueType +Identity-H +yes yes yes)")))
      << fonts;
  std::string expected;
  for (const std::string& line : lines) {
    expected += line + "\n";
  }
  expected += "Visão fiscal de março\n";
  EXPECT_EQ(testing::RunCommand("pdftotext '" + pdf.string() + "' - | tr -s '\\n' '\\n' | head -5"),
            expected);
}

// Whether the file cannot be made or its bytes cannot be stored.
TEST(PdfFileTest, AFileThatCannotBeWrittenIsAHostError) {
  for (const char* path : {"/nonexistent-dir/x.pdf", "/dev/full"}) {
    SCOPED_TRACE(path);
    try {
      PdfFile file(path, 595, 842);
      file.Fill({0, 0, 0}, 0, 0, 10, 10);
      file.EndPage();
      file.Finish();
      FAIL() << "no error";
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.Description(), std::string("Cannot write ") + path);
    }
  }
}

}  // namespace
}  // namespace orla::engine::pdf
