// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{
      .DetalhesDosMovimentosPorProdutosSQL = reports::DetalhesDosMovimentosPorProdutosSQL,
      .VendasPorTiposDeRecebimentoSQL = reports::VendasPorTiposDeRecebimentoSQL,
  };
  return builders;
}

}  // namespace orla::query
