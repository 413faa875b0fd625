// Pieces of the expected statements taken from the shared fragments, whose own texts the
// fragment tests pin: a report's exact text then fails on how it puts the pieces together.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "query/fragments.h"

namespace orla::testing {

struct Amounts {
  std::string surcharge, discount, gap;  // gap: the discount's special-price gap alone
};

// The surcharge and discount on the sale columns of `a`, with the special-price gap or
// without it, leaving out the adjustments of the sales the switches name.
inline Amounts AmountsOf(std::string_view a, bool withGap, bool ignoreComplementary = false,
                         bool ignoreOthers = false) {
  std::string caption;
  std::string gap;
  const std::string surcharge =
      query::SurchargeExpression(ignoreComplementary, ignoreOthers, caption, !withGap);
  const std::string discount =
      query::DiscountExpression(ignoreComplementary, ignoreOthers, caption, !withGap, gap);
  return {query::Replace(surcharge, "{a}", a), query::Replace(discount, "{a}", a),
          query::Replace(gap, "{a}", a)};
}

// How ##VendasNosBicos is made again and filled with the readings of the closed till periods
// that `condition` keeps, as the fakes log the calls.
inline std::vector<std::string> NozzleTableStatements(const std::string& condition) {
  return {
      "SQL_Execute(IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL \r\nDROP TABLE "
      "##VendasNosBicos)",
      "SQL_Execute(CREATE TABLE ##VendasNosBicos (Bico VARCHAR(3),QtdeVendida FLOAT,ValorDeVenda "
      "FLOAT,ValorDeCusto FLOAT,ValorDesconto FLOAT,ValorAcrescimo FLOAT,Combustivel "
      "VARCHAR(100),TotalVenda FLOAT,TotalCusto FLOAT,Data_Abertura DATETIME,Caixa VARCHAR(3)))",
      "SQL_Execute(INSERT INTO ##VendasNosBicos "
      "(Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,Combustivel,"
      "TotalVenda,TotalCusto,Data_Abertura,Caixa) SELECT a.L021_IDBico,a.L021_VolumeVendido,"
      "a.L021_VPL,a.L021_CM,0,0,a.L021_Combustivel,(a.L021_VolumeVendido * a.L021_VPL),"
      "(a.L021_VolumeVendido * a.L021_CM),c.Data_Abertura,c.Caixa FROM [L021_MC_Leituras] a "
      "WITH (NOLOCK) INNER JOIN [Movimentações] c WITH (NOLOCK) ON a.IDCaixa = c.Código WHERE "
      "(c.Data_Fechamento IS NOT NULL) AND " +
          condition + ", n)"};
}

}  // namespace orla::testing
