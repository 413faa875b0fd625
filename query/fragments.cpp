#include "query/fragments.h"

#include <algorithm>

namespace orla::query {

namespace {

constexpr std::string_view kHasSpecialPrice =
    "ROUND(CASE WHEN ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN ";

// The special-price difference term X: the special value (unit price times quantity) against
// the line's value, plus the recorded amount.
std::string SpecialPriceDifference(char comparison, std::string_view recordedColumn) {
  return std::string("CASE WHEN (({a}ValorUnitarioClienteEspecial * {a}Qtde) ") + comparison +
         " {a}Valor_Venda) THEN ABS((({a}ValorUnitarioClienteEspecial * {a}Qtde) - "
         "{a}Valor_Venda)) + {a}" +
         std::string(recordedColumn) + " ELSE 0 END";
}

// The case table shared by surcharges and discounts. `elseTerm` is what a line outside the
// special price counts; `complementaryOnly` what the "ignore others" case gives.
std::string AdjustmentExpression(bool ignoreComplementary, bool ignoreOthers,
                                 const std::string& difference, std::string_view elseTerm,
                                 const std::string& complementaryOnly) {
  const std::string rounded =
      std::string(kHasSpecialPrice) + difference + " ELSE " + std::string(elseTerm) + " END, 2)";
  if (ignoreComplementary && ignoreOthers) {
    return "0";
  }
  if (ignoreOthers) {
    return complementaryOnly;
  }
  if (ignoreComplementary) {
    return "CASE WHEN {a}Cupom_Complementar = 0 THEN " + rounded + " ELSE 0 END ";
  }
  return rounded + " ";
}

void AppendAdjustmentCaption(bool ignoreComplementary, bool ignoreOthers, std::string_view noun,
                             std::string& caption) {
  if (ignoreComplementary) {
    caption += caption.empty() ? "" : " / ";
    caption += "Sem " + std::string(noun) + " compl.";
  }
  if (ignoreOthers) {
    if (!caption.empty()) {
      caption += ignoreComplementary ? " + " : " / ";
    }
    caption += ignoreComplementary ? "em vendas" : "Sem " + std::string(noun) + " em vendas";
  }
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

template <typename Equal>
std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with,
                       Equal equal) {
  if (what.empty()) {
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    if (pos + what.size() <= text.size() &&
        std::equal(what.begin(), what.end(), text.begin() + static_cast<std::ptrdiff_t>(pos),
                   equal)) {
      out.append(with);
      pos += what.size();
    } else {
      out.push_back(text[pos++]);
    }
  }
  return out;
}

}  // namespace

std::string DateColumnName(bool useOpeningDate) {
  return useOpeningDate ? "Data_Abertura" : "Data_ECF";
}

std::string SurchargeExpression(bool ignoreComplementary, bool ignoreOthers, std::string& caption,
                                bool withoutSpecialPriceDifference) {
  const std::string difference =
      withoutSpecialPriceDifference ? "0" : SpecialPriceDifference('<', "Valor_Acrescimo");
  std::string expression = AdjustmentExpression(
      ignoreComplementary, ignoreOthers, difference, "{a}Valor_Acrescimo",
      "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Acrescimo ELSE 0 END ");
  AppendAdjustmentCaption(ignoreComplementary, ignoreOthers, "acres.", caption);
  return expression;
}

std::string DiscountExpression(bool ignoreComplementary, bool ignoreOthers, std::string& caption,
                               bool withoutSpecialPriceDifference, std::string& differenceOnly) {
  const std::string difference =
      withoutSpecialPriceDifference ? "0" : SpecialPriceDifference('>', "Valor_Desconto");
  std::string expression = AdjustmentExpression(
      ignoreComplementary, ignoreOthers, difference, "{a}Valor_Desconto",
      "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Desconto ELSE 0 END ");
  differenceOnly = AdjustmentExpression(ignoreComplementary, ignoreOthers, difference, "0", "0");
  AppendAdjustmentCaption(ignoreComplementary, ignoreOthers, "desc.", caption);
  return expression;
}

std::string ProductKindFilter(bool showFuels, bool showOthers, const std::string& filter,
                              std::string& caption) {
  if (showFuels && showOthers) {
    return filter;
  }
  std::string result = filter;
  result += filter.empty() ? "" : " AND ";
  result += "({c} = '";
  result += showFuels ? "C" : "P";
  result += "')";
  caption += caption.empty() ? "" : " / ";
  caption += "Somente ";
  caption += showFuels ? "combustíveis" : "produtos";
  return result;
}

std::string SaleDocumentCondition(std::string_view prefix, std::string_view initialDate,
                                  std::string_view finalDate,
                                  const host::RegionalSettings& regional) {
  std::string condition = Replace(SaleDocumentFilter, "{c}", prefix);
  condition = Replace(condition, "@dtInicial", SqlDate(initialDate, regional));
  return Replace(condition, "@dtFinal", SqlDate(finalDate, regional));
}

std::string Replace(std::string_view text, std::string_view what, std::string_view with) {
  return ReplaceAll(text, what, with, [](char a, char b) { return a == b; });
}

std::string ReplaceIgnoringCase(std::string_view text, std::string_view what,
                                std::string_view with) {
  return ReplaceAll(text, what, with, [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

std::string SqlDate(std::string_view dateText, const host::RegionalSettings& regional) {
  return regional.FormatDate(regional.ToDate(host::Value(dateText)), "yyyy/mm/dd");
}

}  // namespace orla::query
