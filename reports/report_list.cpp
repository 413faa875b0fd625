#include "reports/report_list.h"

#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"
#include "reports/fuel_movement/movimentacao_de_combustiveis_por_venda_complementar.h"
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"
#include "reports/fuel_movement/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto.h"
#include "reports/movement_details/cliente_especial.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_clientes.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"
#include "reports/sales_tables/ranking_de_vendas.h"
#include "reports/sales_tables/tabela_de_vendas_por_bico.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"
#include "reports/summaries/resumo_por_classificacao_fiscal.h"
#include "reports/summaries/resumo_por_grupo_de_produto.h"
#include "reports/summaries/resumo_por_produto.h"

namespace orla::reports {

namespace {

constexpr const ReportDescriptor* kReports[] = {
    &kVendasPorTiposDeRecebimento,
    &kTabelaDeVendasPorBico,
    &kTabelaDeVendasPorCombustiveis,
    &kTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto,
    &kRankingDeVendas,
    &kMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV,
    &kMovimentacaoDeCombustiveisPorVendaComplementar,
    &kResumoPorProduto,
    &kResumoPorGrupoDeProduto,
    &kResumoPorClassificacaoFiscal,
    &kDetalhesDosMovimentosPorProdutos,
    &kDetalhesDosMovimentosPorClientes,
    &kClienteEspecial,
};

query::QueryBuilders BuildTable() {
  query::QueryBuilders table;
  for (const ReportDescriptor* report : kReports) {
    if (report->kind) {
      table.at(static_cast<size_t>(*report->kind)) = report->build;
    }
  }
  return table;
}

}  // namespace

const std::vector<std::reference_wrapper<const ReportDescriptor>>& ReportList() {
  static const std::vector<std::reference_wrapper<const ReportDescriptor>> list = [] {
    std::vector<std::reference_wrapper<const ReportDescriptor>> all;
    for (const ReportDescriptor* report : kReports) {
      all.emplace_back(*report);
    }
    return all;
  }();
  return list;
}

const ReportDescriptor* FindReport(std::string_view name) {
  for (const ReportDescriptor* report : kReports) {
    if (report->name == name) {
      return report;
    }
  }
  return nullptr;
}

const query::QueryBuilders& QueryBuilderTable() {
  static const query::QueryBuilders table = BuildTable();
  return table;
}

}  // namespace orla::reports
