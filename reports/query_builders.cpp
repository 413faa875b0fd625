// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"
#include "reports/fuel_movement/movimentacao_de_combustiveis_por_venda_complementar.h"
#include "reports/fuel_movement/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto.h"
#include "reports/sales_tables/ranking_de_vendas.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{
      .MovimentacaoDeCombustiveisPorVendaComplementarSQL =
          reports::MovimentacaoDeCombustiveisPorVendaComplementarSQL,
      .RankingDeVendasSQL = reports::RankingDeVendasSQL,
      .TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL =
          reports::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL,
      .VendasPorTiposDeRecebimentoSQL = reports::VendasPorTiposDeRecebimentoSQL,
  };
  return builders;
}

}  // namespace orla::query
