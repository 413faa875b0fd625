// The sales database's schema: every table and column the reports read, written once as
// SQL Server DDL and applied through the T-SQL adapter, with indexes on the period and join
// columns, plus the fixed master data the stored procedures need (payment forms with their
// kinds, CFOPs, invoice models).
#pragma once

#include <filesystem>
#include <string_view>

#include "sqlite/connection.h"

namespace orla::demo {

// Creates the tables and indexes and loads the fixed master data on an empty database.
void CreateSchema(sqlite::Connection& connection);

// A new database file holding the schema and master data only; an existing file is
// replaced.
void CreateEmptyDatabase(const std::filesystem::path& file);

// The DDL as SQL Server reads it.
std::string_view SchemaDdl();

// Payment forms of the master data (T010_FormasDePagto.T010_ID).
namespace payment_form {
inline constexpr int kDinheiro = 1;
inline constexpr int kChequeAVista = 2;
inline constexpr int kChequeAPrazo = 3;
inline constexpr int kVisaCredito = 4;
inline constexpr int kMastercardCredito = 5;
inline constexpr int kEloDebito = 6;
inline constexpr int kMaestroDebito = 7;
inline constexpr int kFrotaTicketLog = 8;
inline constexpr int kPicPay = 9;
inline constexpr int kPix = 10;
inline constexpr int kCreditoEmHaver = 11;
inline constexpr int kRequisicao = 12;
inline constexpr int kTicketAbastecimento = 13;
inline constexpr int kValeFrete = 14;
inline constexpr int kFrotaCredito = 15;    // credit card and fleet card at once
inline constexpr int kMercadoPagoPix = 16;  // digital wallet and instant payment at once
inline constexpr int kCount = 16;
}  // namespace payment_form

// The name of a payment form of the master data, as T011_FormaDePagto repeats it.
std::string_view PaymentFormName(int id);

// CFOPs (S010_CFOP.S010_ID) and invoice models ([Modelo - Notas Fiscais].Código).
namespace cfop {
inline constexpr int kVendaMercadoria = 1;   // 5102, a sale
inline constexpr int kVendaCombustivel = 2;  // 5656, a sale
inline constexpr int kLancamentoEcf = 3;     // 5929, not a sale
inline constexpr int kOutraSaida = 4;        // 5949, not a sale
}  // namespace cfop

namespace invoice_model {
inline constexpr int k01 = 1;
inline constexpr int k55 = 2;
inline constexpr int k59 = 3;
inline constexpr int k65 = 4;
inline constexpr int k02 = 5;  // a model the reports do not name: shown as unknown
}  // namespace invoice_model

}  // namespace orla::demo
