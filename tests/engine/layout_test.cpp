#include "engine/layout.h"

#include <gtest/gtest.h>

#include "host/errors.h"

namespace orla::engine {
namespace {

// A small valid layout; each bad case below spoils one part of it.
constexpr std::string_view kGood = R"({
  "name": "rptTeste", "title": "Teste",
  "formulas": ["Dias"],
  "fields": [
    {"column": "Grupo"},
    {"column": "Valor", "format": "money", "total": "sum"},
    {"name": "Media", "compute": "Valor / @Dias", "format": "money"}
  ],
  "groups": [{"field": "Grupo"}],
  "sections": [
    {"name": "Section3", "kind": "details"},
    {"name": "GroupHeaderSection1", "kind": "groupHeader", "group": "Grupo", "lines": ["{Grupo}"]},
    {"name": "Section4", "kind": "reportFooter", "subreport": "Sub",
     "chart": {"type": "bar", "category": "Grupo", "value": "Valor"}}
  ],
  "subreports": [{"name": "Sub", "title": "Sub", "fields": [{"column": "X"}],
                  "sections": [{"name": "Section3", "kind": "details"}]}]
})";

std::string Replace(std::string_view text, std::string_view from, std::string_view to) {
  std::string result(text);
  const size_t at = result.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return result.replace(at, from.size(), to);
}

// A host names fields, sections, subreports and formulas in any case.
TEST(LayoutTest, FindsNamesWhateverTheirCase) {
  const Layout layout = ParseLayout(kGood);
  EXPECT_EQ(layout.FindField("valor"), 1u);
  EXPECT_NE(layout.FindSection("groupheadersection1"), nullptr);
  EXPECT_NE(layout.FindSubreport("sub"), nullptr);
  EXPECT_EQ(layout.FindFormula("DIAS"), 0u);
}

TEST(LayoutTest, RefusesBadDocumentsSayingWhy) {
  struct Case {
    const char* name;
    std::string document;
    const char* message;
  };
  const Case cases[] = {
      {"not JSON", "{", "not valid JSON"},
      {"no title", Replace(kGood, R"("title": "Teste",)", ""), "\"title\" is missing"},
      {"unknown format",
       Replace(kGood, R"("format": "money", "total")", R"("format": "reais", "total")"),
       "unknown format reais"},
      {"text naming no field", Replace(kGood, R"(["{Grupo}"])", R"(["{Grupos}"])"),
       "names no field"},
      {"text naming no formula", Replace(kGood, R"(["{Grupo}"])", R"(["{@Legenda}"])"),
       "names no formula"},
      {"section twice", Replace(kGood, R"("name": "Section4")", R"("name": "Section3")"),
       "section Section3 appears twice"},
      {"group section of no group",
       Replace(kGood, R"("group": "Grupo", "lines")", R"("group": "Valor", "lines")"),
       "belongs to no group"},
      {"sum of text",
       Replace(kGood, R"({"column": "Grupo"})", R"({"column": "Grupo", "total": "sum"})"),
       "cannot be summed"},
      {"subreport not placed", Replace(kGood, R"(, "subreport": "Sub")", ""),
       "every subreport must be placed"},
      {"unknown subreport", Replace(kGood, R"("subreport": "Sub")", R"("subreport": "Outro")"),
       "unknown subreport Outro"},
      {"no details",
       Replace(kGood, R"("kind": "details"},
    {"name": "GroupHeaderSection1")",
               R"("kind": "reportHeader"},
    {"name": "GroupHeaderSection1")"),
       "exactly one details section"},
      {"computed reading a later computed field",
       Replace(kGood, R"("compute": "Valor / @Dias")", R"("compute": "Media / @Dias")"),
       "reads Media, which is computed later"},
      {"lines in the details",
       Replace(kGood, R"("kind": "details"})", R"("kind": "details", "lines": ["x"]})"),
       "cannot print lines"},
      {"unknown section kind", Replace(kGood, R"("kind": "details")", R"("kind": "detail")"),
       "unknown section kind detail"},
      {"a bar on a figure that is not a percent",
       Replace(kGood, R"("format": "money"})", R"("format": "money", "bar": true})"),
       "draws a bar, which needs the percent format"},
      {"the report total of a computed field",
       Replace(kGood, R"("format": "money"}
  ])",
               R"x("format": "money"},
    {"name": "Parte", "compute": "Media / total(Media)", "format": "percent"}
  ])x"),
       "reads total(Media), which is not a query column"},
      {"a chart in the details",
       Replace(kGood, R"("kind": "details"})", R"("kind": "details", "chart": {}})"),
       "section Section3 cannot hold a chart"},
      {"a chart of text", Replace(kGood, R"("value": "Valor")", R"("value": "Grupo")"),
       "the chart of section Section4 draws Grupo, which is not numeric"},
      {"a chart naming no field", Replace(kGood, R"("category": "Grupo")", R"("category": "G")"),
       "names no field G"},
      {"a share of two values",
       Replace(kGood, R"("type": "bar", "category": "Grupo", "value": "Valor")",
               R"("type": "share", "category": "Grupo", "values": ["Valor", "Media"])"),
       "shares one value among its categories"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ParseLayout(c.document);
      ADD_FAILURE() << "accepted";
    } catch (const host::LayoutError& e) {
      EXPECT_NE(e.Description().find(c.message), std::string::npos) << e.Description();
    }
  }
}

}  // namespace
}  // namespace orla::engine
