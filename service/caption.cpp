#include "service/caption.h"

namespace orla::service::caption {

std::string View(int32_t Filtro_TipoVisao) {
  return Filtro_TipoVisao == 0 ? "Visão financeira" : "Visão fiscal";
}

std::string WhenGiven(std::string_view id, std::string_view suffix) {
  return id.empty() ? std::string() : std::string(suffix);
}

std::string Adjustments(bool Filtro_IsIgnorarADVendaComplementar,
                        bool Filtro_IsIgnorarADOutrosTipos) {
  std::string text;
  if (Filtro_IsIgnorarADVendaComplementar) {
    text += " / Ignorar A/D venda compl.";
  }
  if (Filtro_IsIgnorarADOutrosTipos) {
    text += Filtro_IsIgnorarADVendaComplementar ? " + em vendas" : " / Ignorar A/D em vendas";
  }
  return text;
}

std::string ProductKinds(bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos) {
  std::string text;
  if (!Filtro_IsExibirCombustiveis) {
    text += " / Por outros produtos";
  }
  if (!Filtro_IsExibirOutrosProdutos) {
    text += " / Por combustíveis";
  }
  return text;
}

}  // namespace orla::service::caption
