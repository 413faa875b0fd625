// The client details against the recording fakes: the working table, the details and the
// summary, per report type, order and filter.
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using orla::testing::FakeRecordset;

TEST_F(FrameTest, ClientDetailsCalls) {
  orla::testing::ExpectedTexts expected(
      "reports/movement_details/expected/detalhes_dos_movimentos_por_clientes.txt");
  ExpectCalls(
      expected, "DetalhesDosMovimentosPorClientes",
      {
          {"type 0: no order, averaged summary", {}},
          {"type 1: no order, a summary line per price and cost",
           {{"Filtro_TipoRelatorio", int32_t{1}}, {"OrderListIndex", int32_t{3}}}},
          {"type 2 by date and time ascending: {CLASS} takes the direction too",
           {{"Filtro_TipoRelatorio", int32_t{2}}, {"OrderListIndex", int32_t{1}}}},
          {"type 3: grouped by plate, no order",
           {{"Filtro_TipoRelatorio", int32_t{3}}, {"OrderListIndex", int32_t{0}}}},
          {"a negative type takes the first layout and the price summary",
           {{"Filtro_TipoRelatorio", int32_t{-1}}}},
          {"every filter: a shift lifts the document condition; forms as given",
           {{"Filtro_IDTurno", "3"},
            {"Filtro_IDCliente", "12"},
            {"Filtro_IDProduto", "B01"},
            {"Filtro_IDFuncionario", "7"},
            kNoFuels,
            kIgnoreComplementary,
            kIgnoreOthers,
            {"Filtro_FormasDePagto", "'Dinheiro','Cheque a Vista'"}}},
          {"complementary adjustments only", {kIgnoreOthers}},
          // A null EOF is not True: PresentReport goes on and shows the report unbound.
          {"rows whose end reads null bind nothing",
           {},
           [this] {
             db.onQuery = [](const std::string&) {
               auto rows = FakeRecordset::OneRow();
               rows->SetNullEof();
               return rows;
             };
           }},
          {"rows, but no summary section: trapped after binding the rows",
           {},
           [this] { db.onQuery = [](const std::string&) { return FakeRecordset::OneRow(); }; }},
          // The operation binds the details and the summary itself; which goes where, the
          // end-to-end test tells by their sums.
          {"type 2, rows: the details and their summary bound",
           {{"Filtro_TipoRelatorio", int32_t{2}}},
           [this] {
             platform->behaviour
                 .sectionsByLayout["rptDetalhesDosMovimentosPorClientesApresentarCliente"] = {
                 {"ReportFooterSection2", "ResumoPorProduto"}};
             db.onQuery = [](const std::string&) { return FakeRecordset::OneRow(); };
           }},
      });
  // Chosen: without a known column the lines keep the order they were filled in, date and
  // time, in the direction asked ("ORDER BY  DESC" would be refused).
  std::vector<Request> orders;
  for (const int32_t index : {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}) {
    orders.push_back({"type 2, descending, column " + std::to_string(index),
                      {{"Filtro_TipoRelatorio", int32_t{2}},
                       {"OrderListIndex", index},
                       {"ClassificationListIndex", int32_t{4}}}});
  }
  ExpectCalls(expected, "DetalhesDosMovimentosPorClientes", orders,
              [](const std::string& call) { return call.starts_with("OpenRecordSet(SELECT ID,"); });
}

}  // namespace
}  // namespace orla::service
