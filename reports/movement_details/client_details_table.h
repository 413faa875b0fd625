// The working table of the movement details by client: the period's sale items per client,
// split by the payment forms of each sale, with the driver and odometer of nominal coupons.
#pragma once

#include <string>

#include "host/database.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

inline constexpr std::string_view kClientDetailsTable = "##VendaDetalhadaDadosComplementares";

struct ClientDetailsFilters {
  Period period;
  std::string Filtro_IDCliente;
  std::string Filtro_IDFuncionario;
  std::string Filtro_IDProduto;
  std::string Filtro_IDTurno;
  AdjustmentSwitches adjustments;
  ProductKindSwitches productKinds;
  // Quoted names ready for an IN list, placed into the statement as they come; empty for all.
  // The host checks their quoting.
  std::string Filtro_FormasDePagto;
};

// Opens the connection and drops and creates the table.
void CreateClientDetailsTable(host::Database& oDB);
// Fills the table: one row per sale, item and payment form, then the nominal coupons' driver
// and odometer, then the payment forms' short names.
void FillClientDetailsTable(host::Database& oDB, const ClientDetailsFilters& filters);
// Marks every row of a sale that has more than one row.
void MarkRepeatedSales(host::Database& oDB);

}  // namespace orla::reports
