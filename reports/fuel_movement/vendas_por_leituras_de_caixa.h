// The nozzle sales working table ##VendasNosBicos: one row per nozzle reading taken at a till
// closing, with its volume, sale and cost values, and its share of the discounts and
// surcharges that the sales of that nozzle and fuel received. The financial views of the
// fuel and summary reports read it.
#pragma once

#include <string>

#include "host/database.h"

namespace orla::reports {

// Drops and refills ##VendasNosBicos for the till periods opened in the period (closed ones
// only), of one till when `idTurno` is given. No readings leave the table empty.
void BuildNozzleSalesTable(host::Database& oDB, const std::string& dataInicial,
                           const std::string& dataFinal, const std::string& idTurno,
                           bool isIgnorarADVendaComplementar, bool isIgnorarADOutrosTipos);

// The steps of BuildNozzleSalesTable, exposed for their tests.

void CreateNozzleSalesTable(host::Database& oDB);

// True when at least one reading went in.
bool InsertReadings(host::Database& oDB, const std::string& dataInicial,
                    const std::string& dataFinal, const std::string& idTurno);

// Discounts and surcharges per nozzle and fuel description of the period's fuel sale lines.
std::string SalesAdjustmentsQuery(const std::string& dataInicial, const std::string& dataFinal,
                                  const std::string& idTurno, bool isIgnorarADVendaComplementar,
                                  bool isIgnorarADOutrosTipos);

// The period condition on the till's opening date and the till condition on "Caixa"; the
// surcharge and discount expressions of the sale lines, unprefixed, go to the two outputs.
std::string ReadingsFilter(const std::string& dataInicial, const std::string& dataFinal,
                           const std::string& idTurno, bool isIgnorarADVendaComplementar,
                           bool isIgnorarADOutrosTipos, std::string& surcharge,
                           std::string& discount);

// How many readings of the table carry this nozzle and fuel.
std::string ReadingCountQuery(const std::string& bico, const std::string& descricao);

// Writes an even share of the sales row's discount and surcharge on each reading the count
// row counted.
void SpreadAdjustments(host::Database& oDB, host::Recordset& sales, host::Recordset& count);

}  // namespace orla::reports
