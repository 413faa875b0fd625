// Header line 1 names the period and every filter applied, in suffixes joined with " / ".
// These are the pieces the operations share; each operation appends them in its own order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orla::service::caption {

// "Visão financeira" for view 0, "Visão fiscal" for any other.
std::string View(int32_t view);

// A suffix such as " / Por Turno" when the identifier filter is given, nothing otherwise.
std::string WhenGiven(std::string_view id, std::string_view suffix);

inline constexpr std::string_view kShift = " / Por Turno";
inline constexpr std::string_view kProduct = " / Por Produto";
inline constexpr std::string_view kClient = " / Por Cliente";
inline constexpr std::string_view kEmployee = " / Por Funcionário";

// " / Ignorar A/D venda compl." and " + em vendas" or " / Ignorar A/D em vendas".
std::string Adjustments(bool ignoreComplementary, bool ignoreOthers);

// " / Por outros produtos" when fuels are hidden, " / Por combustíveis" when the other
// products are.
std::string ProductKinds(bool showFuels, bool showOthers);

}  // namespace orla::service::caption
