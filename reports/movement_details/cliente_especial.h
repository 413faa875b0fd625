#pragma once

#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kClienteEspecial;

inline constexpr std::string_view kSpecialClientTable = "##vcliesp";

// The condition of the period (on the till period's opening with a shift, on the fiscal date
// without), the shift and the client.
std::string SpecialClientFilter(const std::string& initialDate, const std::string& finalDate,
                                const std::string& Filtro_IDTurno,
                                const std::string& Filtro_IDCliente);

// Builds ##vcliesp (a row per sale and special-price state, with its document kind and its
// employee) and opens its rows, newest first.
void BuildSpecialClientSales(host::Database& oDB, host::RecordsetRef& recordset,
                             const std::string& initialDate, const std::string& finalDate,
                             const std::string& Filtro_IDCliente,
                             const std::string& Filtro_IDTurno);

}  // namespace orla::reports
