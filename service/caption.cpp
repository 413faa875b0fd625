#include "service/caption.h"

namespace orla::service::caption {

std::string View(int32_t view) {
  return view == 0 ? "Visão financeira" : "Visão fiscal";
}

std::string WhenGiven(std::string_view id, std::string_view suffix) {
  return id.empty() ? std::string() : std::string(suffix);
}

std::string Adjustments(bool ignoreComplementary, bool ignoreOthers) {
  std::string text;
  if (ignoreComplementary) {
    text += " / Ignorar A/D venda compl.";
  }
  if (ignoreOthers) {
    text += ignoreComplementary ? " + em vendas" : " / Ignorar A/D em vendas";
  }
  return text;
}

std::string ProductKinds(bool showFuels, bool showOthers) {
  std::string text;
  if (!showFuels) {
    text += " / Por outros produtos";
  }
  if (!showOthers) {
    text += " / Por combustíveis";
  }
  return text;
}

}  // namespace orla::service::caption
