// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"
#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"
#include "reports/sales_tables/tabela_de_vendas_por_bico.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{
      .MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL =
          reports::MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL,
      .TabelaDeVendasPorBicoSQL = reports::TabelaDeVendasPorBicoSQL,
      .TabelaDeVendasPorCombustiveisSQL = reports::TabelaDeVendasPorCombustiveisSQL,
      .VendasPorTiposDeRecebimentoSQL = reports::VendasPorTiposDeRecebimentoSQL,
  };
  return builders;
}

}  // namespace orla::query
