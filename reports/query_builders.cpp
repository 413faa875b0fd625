// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"
#include "reports/summaries/resumo_por_classificacao_fiscal.h"
#include "reports/summaries/resumo_por_grupo_de_produto.h"
#include "reports/summaries/resumo_por_produto.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{
      .ResumoPorClassificacaoFiscalSQL = reports::ResumoPorClassificacaoFiscalSQL,
      .ResumoPorGrupoDeProdutoSQL = reports::ResumoPorGrupoDeProdutoSQL,
      .ResumoPorProdutoSQL = reports::ResumoPorProdutoSQL,
      .VendasPorTiposDeRecebimentoSQL = reports::VendasPorTiposDeRecebimentoSQL,
  };
  return builders;
}

}  // namespace orla::query
