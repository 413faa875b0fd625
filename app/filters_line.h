// The line of filters the host prints under the report's caption, so that two printouts of
// one report on different filters can be told apart on paper: "Filtros: Turno T1 · Produto
// 4 - ÓLEO DIESEL S-10 · Formas de pagamento: Dinheiro, PIX". The library's own caption
// names a filter, not its value, and leaves some out.
#pragma once

#include <string>
#include <vector>

#include "host/database.h"
#include "reports/by_name.h"
#include "reports/descriptor.h"

namespace orla::app {

// Each parameter the descriptor shows whose given value is not its default, as the
// descriptor shows it, a picked code with what people read for it, looked up in `oDB` (the
// code alone when nothing there has it). Empty when no such filter was given.
std::string FiltersLine(const reports::ReportDescriptor& operation,
                        const std::vector<reports::NamedValue>& values, host::Database& oDB);

}  // namespace orla::app
