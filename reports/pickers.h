// Where the values of an identifier filter come from: clients, products, employees, shifts
// and payment forms, each read by one T-SQL query through the host's database, so a form can
// offer them on any database the reports run on.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/database.h"

namespace orla::reports {

struct PickerSource {
  std::string_view name;  // as a form asks for the list
  std::string_view label;
  std::string_view value;  // the expression of the value the report takes
  std::string_view text;   // the expression of what people read for it
  std::string_view from;
  bool distinct = false;
};

inline constexpr PickerSource kClientes{"clientes", "Clientes", "CAST(Código AS VARCHAR(20))",
                                        "Nome", "[Clientes] WITH (NOLOCK)"};
inline constexpr PickerSource kProdutos{"produtos", "Produtos", "CAST(Código AS VARCHAR(20))",
                                        "Descrição", "[Produtos] WITH (NOLOCK)"};
inline constexpr PickerSource kFuncionarios{"funcionarios", "Funcionários", "Código", "Nome",
                                            "[Funcionários] WITH (NOLOCK)"};
// A shift is a till; the reports print it as "T" and its code.
inline constexpr PickerSource kTurnos{
    "turnos", "Turnos", "Caixa", "'T' + Caixa", "[Movimentações] WITH (NOLOCK)", true};
inline constexpr PickerSource kFormasDePagto{"formas", "Formas de pagamento", "T010_Descricao",
                                             "T010_Descricao",
                                             "[T010_FormasDePagto] WITH (NOLOCK)"};

std::span<const PickerSource* const> Pickers();
// Nothing when no source has exactly this name.
const PickerSource* FindPicker(std::string_view name);

// The first `limit` entries, by what people read, whose value or text contains `search`:
// columns Valor and Rotulo. `%` and `_` in the search work as LIKE's own.
std::string PickerQuery(const PickerSource& source, std::string_view search, int limit);

struct PickedValue {
  std::string value;
  std::string label;
};

std::vector<PickedValue> Pick(host::Database& oDB, const PickerSource& source,
                              std::string_view search, int limit);

}  // namespace orla::reports
