// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"
#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"
#include "reports/fuel_movement/movimentacao_de_combustiveis_por_venda_complementar.h"
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"
#include "reports/fuel_movement/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"
#include "reports/sales_tables/ranking_de_vendas.h"
#include "reports/sales_tables/tabela_de_vendas_por_bico.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"
#include "reports/summaries/resumo_por_classificacao_fiscal.h"
#include "reports/summaries/resumo_por_grupo_de_produto.h"
#include "reports/summaries/resumo_por_produto.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{
      .DetalhesDosMovimentosPorProdutosSQL = reports::DetalhesDosMovimentosPorProdutosSQL,
      .MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL =
          reports::MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL,
      .MovimentacaoDeCombustiveisPorVendaComplementarSQL =
          reports::MovimentacaoDeCombustiveisPorVendaComplementarSQL,
      .RankingDeVendasSQL = reports::RankingDeVendasSQL,
      .ResumoPorClassificacaoFiscalSQL = reports::ResumoPorClassificacaoFiscalSQL,
      .ResumoPorGrupoDeProdutoSQL = reports::ResumoPorGrupoDeProdutoSQL,
      .ResumoPorProdutoSQL = reports::ResumoPorProdutoSQL,
      .TabelaDeVendasPorBicoSQL = reports::TabelaDeVendasPorBicoSQL,
      .TabelaDeVendasPorCombustiveisSQL = reports::TabelaDeVendasPorCombustiveisSQL,
      .TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL =
          reports::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL,
      .VendasPorTiposDeRecebimentoSQL = reports::VendasPorTiposDeRecebimentoSQL,
  };
  return builders;
}

}  // namespace orla::query
