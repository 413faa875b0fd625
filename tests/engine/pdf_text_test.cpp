// The shaped-text cache and the glyph table of numbers against Pango alone: the same texts
// drawn both ways must give the same PDF, byte for byte (glyphs, places, line breaks, cuts
// and the text layer).
#include "engine/pdf_text.h"

#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include <cairo-pdf.h>
#include <gtest/gtest.h>

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

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every case drawn twice, so the second time comes from the cache; `batch` cases at a time
// (none when 0) share one drawing call where they can (cached only), never across pages.
std::string DrawAll(const std::filesystem::path& file, bool cached, const std::vector<Case>& cases,
                    size_t batch = 0) {
  cairo_surface_t* surface = cairo_pdf_surface_create(file.c_str(), 842, 595);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2024-01-01T00:00:00Z");
  cairo_t* cr = cairo_create(surface);
  {
    Typesetter type(cr, cached);
    double y = 20;
    for (int round = 0; round < 2; ++round) {
      for (size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        const bool first = batch > 0 && k % batch == 0;
        const bool last = batch == 0 || k % batch == batch - 1 || k + 1 == cases.size();
        if (first) {
          type.BeginBatch();
        }
        // Three inks, so that a batch holds texts of one font in several colours.
        cairo_set_source_rgb(cr, k % 3 == 1 ? 0.8 : 0, 0, k % 3 == 2 ? 0.8 : 0);
        if (c.number) {
          type.DrawNumber(cr, c.font, c.text, 20, y, c.width, c.align);
        } else {
          type.Draw(cr, c.font, c.text, 20, y, c.width, c.align, c.maxLines);
        }
        if (batch > 0 && last) {
          type.EndBatch(cr);
        }
        y += 24;
        if (last && y > 450) {
          cairo_show_page(cr);
          y = 20;
        }
      }
    }
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return Slurp(file);
}

std::string Pictures(const std::filesystem::path& pdf) {
  const std::string png = pdf.string() + ".png";
  testing::RunCommand("pdftoppm -png -r 100 -singlefile '" + pdf.string() + "' '" + pdf.string() +
                      "'");
  const std::string bytes = Slurp(png);
  std::filesystem::remove(png);
  return bytes;
}

void ExpectSameAsPango(const std::vector<Case>& cases, const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto pango = dir / ("orla-pdf-text-" + name + "-pango.pdf");
  const auto cached = dir / ("orla-pdf-text-" + name + "-cached.pdf");
  const std::string expected = DrawAll(pango, false, cases);
  const std::string actual = DrawAll(cached, true, cases);
  ASSERT_GT(expected.size(), 1000u);
  EXPECT_TRUE(actual == expected) << "differs from Pango's: compare " << pango << " and " << cached;
  // What a reader copies out is the same too (a clearer message when it is not).
  EXPECT_EQ(testing::RunCommand("pdftotext '" + cached.string() + "' -"),
            testing::RunCommand("pdftotext '" + pango.string() + "' -"));
  if (actual == expected) {
    std::filesystem::remove(pango);
    std::filesystem::remove(cached);
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
      "100123",
      "1.234,56",
      " 12 ",
      "12 34",
      "x",
  };
  std::vector<Case> cases;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    // Widths around where these texts start to wrap, so both sides of the edge are drawn.
    for (double width : {6.0, 18.0, 24.0, 31.5, 40.0, 60.0, 90.0, 400.0}) {
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
  ExpectSameAsPango(cases, "boxes");
}

// A number whose width sits exactly on a cell's edge, where Pango decides to wrap or not.
TEST(PdfTextTest, NumbersAtTheEdgeOfTheirBox) {
  std::vector<Case> cases;
  for (const char* text : {"1.234,56", "01/03/2024", "14:05:09", "100123"}) {
    for (double width = 20; width < 45; width += 0.125) {
      cases.push_back({Font::Body, text, width, Align::Right, 1, false});
      cases.push_back({Font::Body, text, width, Align::Left, 2, false});
    }
  }
  ExpectSameAsPango(cases, "edges");
}

}  // namespace
}  // namespace orla::engine::pdf

namespace orla::engine::pdf {
namespace {

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

}  // namespace
}  // namespace orla::engine::pdf

namespace orla::engine::pdf {
namespace {

// Texts batched by font and colour, a row's worth or a page's: other bytes, but the same
// page to the eye and to a reader. Narrowed numbers and text Pango must draw itself wait
// for the end of the batch.
TEST(PdfTextTest, TextsDrawnInOneCallLookAndReadTheSame) {
  std::vector<Case> cases;
  for (int row = 0; row < 20; ++row) {
    const std::string n = std::to_string(row);
    cases.push_back({Font::Body, "01/03/2024", 40, Align::Left, 0, true});
    cases.push_back({Font::Body, "ÓLEO LUBRIFICANTE " + n, 60, Align::Left, 2, false});
    cases.push_back({Font::Body, "1.234," + n, row % 3 == 0 ? 8.0 : 50.0, Align::Right, 0, true});
    cases.push_back({Font::BodyBold, "Total " + n, 50, Align::Left, 1, false});
    cases.push_back({Font::Body, "日本 " + n, 50, Align::Left, 1, false});
  }
  for (size_t batch : {5, 10}) {
    SCOPED_TRACE(batch);
    const auto dir = std::filesystem::temp_directory_path();
    const auto pango = dir / "orla-pdf-text-batch-pango.pdf";
    const auto batched = dir / ("orla-pdf-text-batch-" + std::to_string(batch) + ".pdf");
    DrawAll(pango, false, cases, batch);
    DrawAll(batched, true, cases, batch);
    EXPECT_EQ(testing::RunCommand("pdftotext -layout '" + batched.string() + "' -"),
              testing::RunCommand("pdftotext -layout '" + pango.string() + "' -"));
    const std::string picture = Pictures(pango);
    ASSERT_GT(picture.size(), 1000u);
    const bool same = Pictures(batched) == picture;
    EXPECT_TRUE(same) << "the pages differ: " << pango << ", " << batched;
    if (same) {
      std::filesystem::remove(pango);
      std::filesystem::remove(batched);
    }
  }
}

}  // namespace
}  // namespace orla::engine::pdf
