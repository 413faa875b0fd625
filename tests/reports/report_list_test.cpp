#include "reports/report_list.h"

#include <regex>
#include <set>

#include <gmock/gmock.h>

#include "layouts/layouts.h"
#include "reports/by_name.h"
#include "tests/service/frame_fixture.h"

namespace orla::reports {
namespace {

using service::FrameTest;

const Parameter* ParameterOf(const ReportDescriptor& report, std::string_view name) {
  for (const Parameter& parameter : report.parameters) {
    if (parameter.name == name) {
      return &parameter;
    }
  }
  return nullptr;
}

// GetSQL's kinds are fixed by the host; a report claiming another's kind would take its place.
TEST(ReportList, EachKindSelectsItsReportsBuilder) {
  const char* const byKind[] = {"DetalhesDosMovimentosPorProdutos",
                                "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
                                "MovimentacaoDeCombustiveisPorVendaComplementar",
                                "RankingDeVendas",
                                "ResumoPorClassificacaoFiscal",
                                "ResumoPorGrupoDeProduto",
                                "ResumoPorProduto",
                                "TabelaDeVendasPorBico",
                                "TabelaDeVendasPorCombustiveis",
                                "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                                "VendasPorTiposDeRecebimento"};
  std::set<std::string_view> named;
  for (const ReportDescriptor& report : ReportList()) {
    SCOPED_TRACE(report.name);
    EXPECT_TRUE(named.insert(report.name).second) << "listed twice";
    if (report.kind) {
      ASSERT_GE(*report.kind, 0);
      ASSERT_LT(*report.kind, 11);
      EXPECT_EQ(report.name, byKind[*report.kind]);
      EXPECT_NE(report.build, nullptr);
    }
  }
  EXPECT_EQ(named.size(), 13u);
}

// What a form reads must point at something: a layout the library carries, a parameter of
// the same report, a choice the default is one of, a drill's field and target parameter.
TEST(ReportList, WhatTheDescriptorsNameExists) {
  orla::testing::ScopedFakePlatform platform;
  for (const ReportDescriptor& report : ReportList()) {
    SCOPED_TRACE(report.name);
    EXPECT_FALSE(report.summary.empty());
    for (const std::string_view layout : report.layouts) {
      EXPECT_TRUE(layouts::Find(layout).has_value()) << layout;
    }
    for (const Rule& rule : report.rules) {
      for (const std::string_view name : rule.parameters) {
        EXPECT_NE(ParameterOf(report, name), nullptr) << name;
      }
    }
    for (const ExampleValue& value : report.example) {
      EXPECT_NE(ParameterOf(report, value.name), nullptr) << value.name;
    }
    // A misspelt drill leads nowhere, or to the target without its filter.
    const std::string layout(layouts::Find(report.layouts[0]).value_or(""));
    auto inLayout = [&](std::string_view field) {
      return layout.find("\"" + std::string(field) + "\"") != std::string::npos;
    };
    for (const Drill& drill : report.drills) {
      for (const std::string_view field : drill.fields) {
        EXPECT_TRUE(inLayout(field)) << field;
      }
      for (const DrillValue& value : drill.values) {
        EXPECT_TRUE(inLayout(value.field)) << value.field;
        EXPECT_NE(ParameterOf(*drill.target, value.parameter), nullptr) << value.parameter;
      }
      if (!drill.when.parameter.empty()) {
        EXPECT_NE(ParameterOf(report, drill.when.parameter), nullptr) << drill.when.parameter;
      }
    }
    for (const Parameter& parameter : report.parameters) {
      SCOPED_TRACE(parameter.name);
      EXPECT_FALSE(parameter.label.empty());
      EXPECT_FALSE(parameter.help.empty());
      EXPECT_EQ(parameter.input == Input::Picker, parameter.picker != nullptr);
      for (const Dependency& dependency : parameter.dependencies) {
        EXPECT_NE(ParameterOf(report, dependency.parameter), nullptr) << dependency.parameter;
      }
      if (parameter.input == Input::Choice) {
        const host::Value fallback = DefaultValue(parameter, host::DateTime());
        EXPECT_TRUE(std::any_of(parameter.choices.begin(), parameter.choices.end(),
                                [&](const Choice& c) { return fallback == host::Value(c.value); }));
      }
    }
  }
}

// A report that fills a ## table without saying so would run beside another that fills it
// too, in the viewer, and each would read the other's rows.
TEST_F(FrameTest, EveryWorkingTableAReportFillsIsDeclared) {
  const std::regex workingTable("#{2,3}[A-Za-z_]+");
  for (const ReportDescriptor& report : ReportList()) {
    SCOPED_TRACE(report.name);
    std::set<std::string> seen;
    // The financial view is the one that fills the nozzle readings' table.
    std::vector<std::vector<NamedValue>> runs{{}};
    if (ParameterOf(report, "Filtro_TipoVisao") != nullptr) {
      runs.push_back({{"Filtro_TipoVisao", "0"}});
    }
    for (const std::vector<NamedValue>& values : runs) {
      platform->log.clear();
      Run(report.name, values);
      for (const std::string& call : platform->log) {
        for (auto it = std::sregex_iterator(call.begin(), call.end(), workingTable);
             it != std::sregex_iterator(); ++it) {
          seen.insert(it->str());
        }
      }
    }
    const std::set<std::string> declared(report.workingTables.begin(), report.workingTables.end());
    EXPECT_EQ(seen, declared);
  }
}

}  // namespace
}  // namespace orla::reports
