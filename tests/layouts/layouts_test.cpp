// The seventeen layouts: each has the name, title, sections, formulas and subreports its
// report needs, a field for every column of the query that feeds it, and renders in every
// format from rows of those columns.
#include "layouts/layouts.h"

#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/render.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

using Names = std::vector<std::string>;

// Names apart by blanks.
Names Words(std::string_view text) {
  Names words;
  std::istringstream stream{std::string(text)};
  for (std::string word; stream >> word;) {
    words.push_back(word);
  }
  return words;
}

struct LayoutNeeds {
  std::string name;
  std::string title;
  const char* columns;  // of the query that feeds it
};

const char* kSummary =
    "Tipo Descrição Qtde PM_Custo PM_Venda VL_Lucro Valor_Acrescimo Valor_Desconto Valor_Venda";
const char* kNozzles =
    "Bico Combustivel QtdeVendida ValorDeVenda ValorDeCusto ValorDesconto ValorAcrescimo "
    "ValorDeVendaAtual";
const char* kClientsTitle = "Vendas - Detalhes dos Movimentos por Clientes";
const char* kClientDetails =
    "ID IDCliente NomeCliente Data_Movimento Hora_Movimento Modelo Número_NF Código_Venda "
    "IsCVRepeat Descrição T011_FormaDePagto IsClienteEspecial IsTeclado Cupom_Complementar Placa "
    "Funcionário Valor_Unitario Valor_Custo QtdeOrig Qtde ValorAcrescimo ValorDesconto "
    "ValorTotalOrig ValorTotal PercFormPgto Motorista KM";
const char* kGrossProfit = "Relação do Lucro Bruto Geral, por Grupos, nas Vendas";

const LayoutNeeds kLayouts[] = {
    {"rptVendasPorTiposDeRecebimento", "Vendas - Por Tipos de Recebimento",
     "TipoRecebimento FormaPagto QtdeVendas VLTotal VLTroco VLLiquido VLTicketMedio "
     "TxParticipacao"},
    {"rptTabelaDeVendasPorBicos", "Vendas - Tabela de Vendas de Combustíveis por Bicos",
     "Data_Abertura Caixa Código_Produto QtdeVendida ValorVenda"},
    {"rptRanking", "Vendas - Ranking", "Codigo Nome SomaDeValor_Venda SomaDeQtde Lucro"},
    {"rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
     "Vendas - Movimentação de Combustíveis pelas Leituras de Caixa do PDV", kNozzles},
    {"rptMovimentacaoDeCombustiveisPorCupomComplementar",
     "Vendas - Movimentação de Combustíveis por Cupom Complementar", kSummary},
    {"rptTabelaDeVendasPorCombustiveis", "Vendas - Tabela de Vendas por Combustíveis",
     "Data_Movimento Qtde VLTotal Descrição"},
    {"rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
     "Vendas - Tabela de Vendas por Forma de Pagto", "Produto Forma_PG Valor"},
    {"rptTabelaDeVendasPorDtMovPorFormaDePagto", "Vendas - Tabela de Vendas por Forma de Pagto",
     "DtMov Forma_PG Valor"},
    {"rptVendasPorFormasDePagtoPorGrupoDeProdutos",
     "Vendas - Formas de Pagto por Grupos de Produtos", "Grupo FP Qtde Valor"},
    {"rptResumoPorProdutos", "Vendas - Resumo por Produtos", kSummary},
    {"rptResumoPorGrupoDeProdutos", "Vendas - Resumo por Grupo de Produtos", kSummary},
    {"rptResumoPorST", "Vendas - Resumo por Classificação Fiscal",
     "AliquotaICMS TipoST Descricao Qtde PM_Custo PM_Venda VL_Lucro Valor_Acrescimo "
     "Valor_Desconto Valor_Venda"},
    {"rptDetalhesDosMovimentosPorProdutos", "Vendas - Detalhes dos Movimentos por Produtos",
     "Data_Movimento Hora_Movimento Caixa IDECF COO IDProduto Descricao Qtde ValorVendaUnitario "
     "ValorCustoUnitario Valor_Acrescimo Valor_Desconto ValorDeCusto ValorDeVendaBruto "
     "ValorDeVendaLiquido ValorDeLucroBruto SituacaoTributaria AliquotaICMS IDFuncionario"},
    {"rptDetalhesDosMovimentosPorClientes", kClientsTitle, kClientDetails},
    {"rptDetalhesDosMovimentosPorClientesApresentarCliente", kClientsTitle, kClientDetails},
    {"rptDetalhesDosMovimentosPorClientesApresentarClienteAgrupadoPorPlaca", kClientsTitle,
     kClientDetails},
    {"rptClienteEspecial", "Vendas - Para Clientes Especiais",
     "IDClienteEspecial Nome DataHoraMovimento COO QtdeItens IDECF Valor_VendaBruta "
     "Valor_Desconto Valor_Acrescimo Valor_VendaLiquida IsSemUsoAD IDVenda TipoDoc IDFuncionario "
     "NomeFuncionario"},
};

// The sections the reports reach by name, or that the receipt types' report has though it
// prints nothing in them; a layout not listed needs none.
const std::map<std::string, const char*> kSections = {
    {"rptVendasPorTiposDeRecebimento",
     "Section1 Section2 GroupHeaderSection1 GroupHeaderSection2 GroupHeaderSection3 Section3 "
     "GroupFooterSection1 GroupFooterSection2 Section4 Section5"},
    {"rptTabelaDeVendasPorBicos",
     "ReportHeaderSection1 Section1 Section2 Section3 Section4 Section5"},
    {"rptRanking",
     "PageHeaderSection1 Section1 Section2 Section3 Section4 Section5 ReportFooterSection1 "
     "ReportFooterSection2"},
    {"rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "Section6 Section7"},
    {"rptMovimentacaoDeCombustiveisPorCupomComplementar",
     "PageHeaderSection1 Section1 Section2 Section3 Section4 Section5 Section6 Section7 Section8 "
     "Section9 ReportFooterSection1 ReportFooterSection2 ReportFooterSection3"},
    {"rptTabelaDeVendasPorCombustiveis",
     "ReportHeaderSection1 ReportHeaderSection2 Section2 Section3 Section4 Section5"},
};
const std::map<std::string, const char*> kFormulas = {
    {"rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "QtdeDiasDeMovimento"},
    {"rptTabelaDeVendasPorCombustiveis", "Legenda"},
    {"rptResumoPorGrupoDeProdutos", "Período DataInicial DataFinal"},
};
const std::map<std::string, std::string> kDescriptions = {
    {"rptResumoPorProdutos", kGrossProfit},
    {"rptResumoPorGrupoDeProdutos", kGrossProfit},
    {"rptDetalhesDosMovimentosPorProdutos", "Detalhes das vendas de produtos"},
};

struct SubreportNeeds {
  const char* section;
  const char* formulas;
  const char* columns;
};

// The client details print the summary of the first two report types; the others have no
// Valor_Custo.
std::vector<SubreportNeeds> SubreportsOf(const std::string& layout) {
  if (layout.starts_with("rptDetalhesDosMovimentosPorClientes")) {
    return {{"ReportFooterSection2", "",
             "Descrição Valor_Unitario Valor_Custo QtdeOrig Qtde ValorAcrescimo ValorDesconto "
             "ValorTotalOrig ValorTotal"}};
  }
  if (layout == "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV") {
    return {{"Section6", "QtdeDiasDeMovimento", kNozzles},
            {"Section7", "QtdeDiasDeMovimento DataInicial DataFinal", kNozzles}};
  }
  return {};
}

Names Of(const std::map<std::string, const char*>& needs, const std::string& layout) {
  const auto found = needs.find(layout);
  return found == needs.end() ? Names() : Words(found->second);
}

TEST(LayoutsTest, TheLibraryCarriesExactlyTheSeventeenLayouts) {
  Names expected;
  for (const LayoutNeeds& needs : kLayouts) {
    expected.push_back(needs.name);
  }
  std::sort(expected.begin(), expected.end());
  Names names;
  for (std::string_view n : layouts::Names()) {
    names.emplace_back(n);
  }
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(layouts::Find("rptranking").has_value());
}

void ExpectColumns(const Layout& layout, const char* columns) {
  for (const std::string& column : Words(columns)) {
    const auto field = layout.FindField(column);
    EXPECT_TRUE(field && !layout.fields[*field].computed)
        << layout.name << " has no field for " << column;
  }
}

TEST(LayoutsTest, EachHasWhatItsReportNeeds) {
  for (const LayoutNeeds& needs : kLayouts) {
    SCOPED_TRACE(needs.name);
    const auto report = CreateReport(needs.name);
    host::Report& r = *report;
    const Layout& layout = report->GetLayout();
    EXPECT_EQ(r.ReportTitle(), needs.title);
    if (kDescriptions.contains(needs.name)) {
      EXPECT_EQ(layout.description, kDescriptions.at(needs.name));
    }
    Names sections = Of(kSections, needs.name);
    for (const SubreportNeeds& sub : SubreportsOf(needs.name)) {
      sections.push_back(sub.section);
    }
    for (const std::string& section : sections) {
      EXPECT_NO_THROW(r.Section(section)) << section;
    }
    EXPECT_EQ(Names(layout.formulas.begin(), layout.formulas.end()), Of(kFormulas, needs.name));
    ExpectColumns(layout, needs.columns);
    EXPECT_EQ(layout.subreports.size(), SubreportsOf(needs.name).size());
    for (const SubreportNeeds& sub : SubreportsOf(needs.name)) {
      const std::string name = r.Section(sub.section).ReportObjects(1)->SubreportName();
      const auto subreport = std::dynamic_pointer_cast<Report>(r.OpenSubreportByName(name));
      ASSERT_NE(subreport, nullptr) << sub.section;
      const Layout& subLayout = subreport->GetLayout();
      EXPECT_EQ(Names(subLayout.formulas.begin(), subLayout.formulas.end()), Words(sub.formulas));
      ExpectColumns(subLayout, sub.columns);
    }
  }
}

host::Value SampleValue(const FieldFormat& format, int row, size_t column) {
  const int n = row * 7 + static_cast<int>(column);
  switch (format.kind) {
    case FormatKind::Date:
      return testing::Date(2024, 3, 1 + row % 5);
    case FormatKind::DateTime:
    case FormatKind::Time:
      return testing::Date(2024, 3, 1 + row % 5, 8 + row % 10, n % 60, 0);
    case FormatKind::Boolean:
      return row % 2 == 0;
    case FormatKind::Integer:
      return int64_t{n % 97};
    case FormatKind::Text:
      return "Valor " + std::to_string(row % 3) + (row % 4 == 0 ? " ação" : "");
    default:
      return (n % 1000) * 1.25;
  }
}

// Rows with exactly the columns of the query, typed as the layout prints them.
std::shared_ptr<MemoryRecordset> SampleRows(const Layout& layout, const char* query, int rows) {
  const Names columns = Words(query);
  std::vector<MemoryRecordset::Row> values;
  for (int r = 0; r < rows; ++r) {
    MemoryRecordset::Row row;
    for (size_t c = 0; c < columns.size(); ++c) {
      row.push_back(SampleValue(layout.fields[*layout.FindField(columns[c])].format, r, c));
    }
    values.push_back(row);
  }
  return testing::Recordset(columns, values);
}

TEST(LayoutsTest, EachRendersInEveryFormatFromRowsOfItsQuery) {
  testing::TempDir dir;
  constexpr int kRows = 12;
  for (const LayoutNeeds& needs : kLayouts) {
    SCOPED_TRACE(needs.name);
    const auto report = CreateReport(needs.name);
    report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO");
    report->SetHeaderLine(1, "Visão fiscal / De 01/03/24 até 31/03/24");
    report->SetDataSource(SampleRows(report->GetLayout(), needs.columns, kRows));
    for (const std::string& formula : Of(kFormulas, needs.name)) {
      report->SetFormula(formula, formula.rfind("Data", 0) == 0 ? "'01/04/2024'" : "31");
    }
    const std::vector<SubreportNeeds> subreports = SubreportsOf(needs.name);
    for (size_t i = 0; i < subreports.size(); ++i) {
      const auto& sub = report->Subreports()[i];
      sub->SetDataSource(SampleRows(sub->GetLayout(), subreports[i].columns, kRows));
    }

    for (Format format : {Format::Text, Format::Html, Format::Csv, Format::Json}) {
      std::ostringstream out;
      ASSERT_NO_THROW(Render(*report, format, out)) << FormatName(format);
      const std::string text = out.str();
      if (format == Format::Csv) {
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kRows + 1);
      } else if (format == Format::Json) {
        EXPECT_NE(text.find(R"("rows":[)"), std::string::npos);
        std::ostringstream again;
        Render(*ReportFromJson(text), Format::Json, again);
        EXPECT_EQ(again.str(), text);
      } else {
        EXPECT_NE(text.find(needs.title), std::string::npos) << FormatName(format);
      }
    }
    const auto pdf = dir / (needs.name + ".pdf");
    const auto xlsx = dir / (needs.name + ".xlsx");
    ASSERT_NO_THROW(Render(*report, Format::Pdf, pdf));
    ASSERT_NO_THROW(Render(*report, Format::Xlsx, xlsx));
    EXPECT_NE(testing::RunCommand("pdftotext '" + pdf.string() + "' -").find("Página 1 de"),
              std::string::npos);
    EXPECT_NE(
        testing::RunCommand("unzip -l '" + xlsx.string() + "'").find("xl/worksheets/sheet1.xml"),
        std::string::npos);
  }
}

}  // namespace
}  // namespace orla::engine
