// The stored procedures of the embedded sales database, run by command objects
// (command.h). Each fills a shared work table in TempDB with the rows of one run, tagged
// with a key of its own in WorkStationID, and returns that key in the output parameter
// "IDRetorno". In the fiscal view both count the sale lines the library's fiscal reports
// count: by fiscal date, neither reversed nor transfers, on a sale document of the period.
// They hold that rule in their own SQL, as a stored procedure holds it in the database, so
// that a fault in the library's copy shows as figures that no longer meet.
//
// Lifetime of a run's rows: they stay until the same thread runs the same procedure again,
// which removes them as it starts, or until the thread ends. A thread runs one operation at
// a time and an operation reads its rows before it returns, so a run's rows outlive their
// reader; a process that serves for days keeps at most one run per procedure and live
// thread, and two threads never remove each other's rows.
//
// _RPT_VTR (dtInicial, dtFinal, out IDRetorno): one row per payment form in ###vtr_rpt.
// _VendasPorGrupoDeProdutosPorFormaDePagto (IsIgnorarDescontoCC, IsCombustiveis,
//   IsOutrosProdutos, IDProdutos, dtInicial, dtFinal, IsIgnorarDescontoOT, out IDRetorno,
//   IsVisaoFinanceira): rows per product group, payment form and day in ###VendasF.
// The figures are described beside their statements in procedures.cpp. A run works them
// out on its own connection and takes TempDB's write lock only to copy them in, so runs on
// other connections go side by side.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/command.h"
#include "sqlite/connection.h"

namespace orla::sqlite {

// Parameters are found by name (letter case ignored); raises host::DatabaseError for an
// unknown procedure or a missing input.
void RunStoredProcedure(Connection& connection, std::string_view name,
                        std::vector<host::Parameter>& parameters);

// A key no other run of this process has had, at most 200 characters.
std::string NewRunKey();

}  // namespace orla::sqlite
