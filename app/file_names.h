// The name a report's file takes, wherever it is written: the command line's default, the
// viewer's downloads and scheduled delivery, so that one report of one period has one name.
#pragma once

#include <string>
#include <string_view>

#include "app/periods.h"

namespace orla::app {

// The title in kebab case without accents: "Vendas - Por Tipos de Recebimento" gives
// "vendas-por-tipos-de-recebimento".
std::string KebabCase(std::string_view title);

// The title in kebab case without accents ("Vendas - Por Tipos de Recebimento" gives
// "vendas-por-tipos-de-recebimento"), then "-YYYY-MM" when the period is one whole calendar
// month, otherwise "-YYYY-MM-DD_YYYY-MM-DD"; no extension.
std::string ReportFileStem(std::string_view title, const Period& period);

// The same with "." and `extension` ("pdf").
std::string ReportFileName(std::string_view title, const Period& period,
                           std::string_view extension);

}  // namespace orla::app
