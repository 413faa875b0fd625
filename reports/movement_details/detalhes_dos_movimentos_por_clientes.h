#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/movement_details/client_details_table.h"

namespace orla::reports {

extern const ReportDescriptor kDetalhesDosMovimentosPorClientes;
// Its payment-form list, which a drill-down from the payment forms fills.
inline constexpr std::string_view kFormasDePagtoName = "Filtro_FormasDePagto";

// The detail rows: every column of the working table. Report type 2 sorts them by the column
// `OrderListIndex` chooses (0 plate, 1 date and time, 2 driver, 3 product, 4 quantity, 5 total,
// 6 payment form, 7 employee), ascending when `ClassificationListIndex` is 0; an index outside
// 0 to 7 sorts by date and time, as the table was filled. Other types keep the table's order.
std::string ClientDetailsQuery(int32_t Filtro_TipoRelatorio, int32_t OrderListIndex,
                               int32_t ClassificationListIndex);

// The product summary: type 0 averages the unit price and cost of each product, type 1 keeps
// a line per product, price and cost, any other type a line per product and price.
std::string ClientSummaryQuery(int32_t Filtro_TipoRelatorio);

// Opens the detail rows and the product summary on the working table.
void OpenClientDetails(host::Database& oDB, host::RecordsetRef& details,
                       host::RecordsetRef& summary, int32_t Filtro_TipoRelatorio,
                       int32_t OrderListIndex, int32_t ClassificationListIndex);

// Builds the working table for the filters, then opens its detail rows and summary.
void BuildClientDetails(host::Database& oDB, host::RecordsetRef& details,
                        host::RecordsetRef& summary, int32_t OrderListIndex,
                        int32_t ClassificationListIndex, const ClientDetailsFilters& filters,
                        int32_t Filtro_TipoRelatorio);

}  // namespace orla::reports
