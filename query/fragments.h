// The pieces many sales statements share: the period column, the surcharge and discount
// expressions with their captions, the product-kind filter, the fiscal-sale condition and
// the placeholder replacement that lets one piece serve several table aliases.
//
// Placeholders: "{a}" is the alias prefix of the sale-item columns, "{c}" a column or prefix,
// "@dtInicial"/"@dtFinal" the period's first and last day.
#pragma once

#include <string>
#include <string_view>

#include "host/regional_settings.h"

namespace orla::query {

// "Data_Abertura" (the till period's opening date) or "Data_ECF" (the fiscal date).
std::string DateColumnName(bool useOpeningDate);

// The surcharge of a sale line. A line sold at a special-client unit price counts the amount
// by which its value exceeds the special value, plus its recorded surcharge, unless
// `withoutSpecialPriceDifference`; other lines count their recorded surcharge. The two
// switches leave out complementary-sale lines and the other lines. Appends to `caption`.
std::string SurchargeExpression(bool ignoreComplementary, bool ignoreOthers, std::string& caption,
                                bool withoutSpecialPriceDifference);

// The same for discounts (the special value above the line's value). `differenceOnly`
// receives the expression without the recorded discount of lines outside the special price.
std::string DiscountExpression(bool ignoreComplementary, bool ignoreOthers, std::string& caption,
                               bool withoutSpecialPriceDifference, std::string& differenceOnly);

// `filter` extended by a condition on the product kind "{c}" ('C' fuels, 'P' the other
// products), unless both kinds are shown. Appends to `caption`.
std::string ProductKindFilter(bool showFuels, bool showOthers, const std::string& filter,
                              std::string& caption);

// Keeps a sale line when it stands on a fiscal coupon, a consumer note, or a sale note of the
// station that no electronic-note request of the period covers.
inline constexpr std::string_view SaleDocumentFilter =
    "(({c}ECF = 1) OR (({c}ECF = 0) AND ({c}NFConsumidor_Modelo IS NOT NULL)) OR (({c}ECF = 0) "
    "AND ({c}NF = 1) AND ({c}IsNFAvulsa = 0) AND ({c}IsNFTerceiro = 0) AND ({c}S010_ID IN (SELECT "
    "S010_ID FROM S010_CFOP WHERE (S010_IsVenda = 1))) AND ({c}Código_Venda NOT IN (SELECT "
    "b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Itens] "
    "b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora "
    "BETWEEN '@dtInicial 00:00:00' AND '@dtFinal 23:59:59') GROUP BY b.Codigo_Venda))) OR "
    "(({c}ECF = 0) AND ({c}NF = 1) AND ({c}IsNFAvulsa = 1) AND ({c}IsNFTerceiro = 0) AND "
    "({c}IsMovimentacaoFisicaDoEstoque = 1) AND ({c}S010_ID IN (SELECT S010_ID FROM S010_CFOP "
    "WHERE (S010_IsVenda = 1))) AND ({c}Código_Venda NOT IN (SELECT b.Codigo_Venda FROM "
    "[T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Itens] b WITH (NOLOCK) ON "
    "a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora BETWEEN '@dtInicial "
    "00:00:00' AND '@dtFinal 23:59:59') GROUP BY b.Codigo_Venda))))";

// SaleDocumentFilter with its column prefix and period filled in: "{c}" becomes `prefix`,
// the date placeholders the two dates formatted "yyyy/mm/dd"; every match is exact.
std::string SaleDocumentCondition(std::string_view prefix, std::string_view initialDate,
                                  std::string_view finalDate,
                                  const host::RegionalSettings& regional);

// Every occurrence of `what`, from the first character on, matched exactly.
std::string Replace(std::string_view text, std::string_view what, std::string_view with);
// The same, ignoring letter case (ASCII letters; other bytes must match exactly).
std::string ReplaceIgnoringCase(std::string_view text, std::string_view what,
                                std::string_view with);

// A date text of the filters written with the pattern "yyyy/mm/dd" (regional separator);
// raises a type mismatch when the text is not a date.
std::string SqlDate(std::string_view dateText, const host::RegionalSettings& regional);

}  // namespace orla::query
