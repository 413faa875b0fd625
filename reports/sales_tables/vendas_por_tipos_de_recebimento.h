#pragma once

#include <string>

#include "host/database.h"
#include "reports/descriptor.h"
#include "reports/shared_parameters.h"

namespace orla::reports {

extern const ReportDescriptor kVendasPorTiposDeRecebimento;

struct ReceiptTypeRequest {
  Period period;
};

// Runs the database's `_RPT_VTR` for the period on a command object of its own, then gives the
// query that reads that run's rows back from `###vtr_rpt`. Opens the connection and leaves it
// open; the operation closes it.
std::string VendasPorTiposDeRecebimentoSQL(host::Database& oDB, const ReceiptTypeRequest& request);

}  // namespace orla::reports
