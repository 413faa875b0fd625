#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, ReceiptTypesCalls) {
  ExpectCalls("reports/sales_tables/expected/vendas_por_tipos_de_recebimento.txt",
              "VendasPorTiposDeRecebimento",
              {
                  {"nothing to print", {}},
                  // The run's key goes in exactly as the procedure returned it.
                  {"rows, read by the run's key",
                   {},
                   [this] {
                     platform->behaviour.commandOutputs["IDRetorno"] = "O'Brien 7";
                     db.onQuery = [](const std::string&) {
                       return orla::testing::FakeRecordset::OneRow();
                     };
                   }},
              });
}

}  // namespace
}  // namespace orla::service
