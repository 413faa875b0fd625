// The texts the user sees from the library itself.
#pragma once

#include <string_view>

namespace orla::service {

inline constexpr std::string_view kAttentionTitle = "Atenção";
inline constexpr std::string_view kPeriodRefused = "Você precisa informar o período desejado!";
inline constexpr std::string_view kNothingToPrint =
    "Nenhum registro foi localizado para ser impresso!!!";

// The runtime's application name of this library, handed to the error reporter.
inline constexpr std::string_view kApplicationName = "ORLA_Vendas";

}  // namespace orla::service
