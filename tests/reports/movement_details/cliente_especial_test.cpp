#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, SpecialClientCalls) {
  ExpectCalls("reports/movement_details/expected/cliente_especial.txt", "ClienteEspecial",
              {
                  {"the fiscal period, the connection closed", {}},
                  // The documents still count with a shift; only the period moves to the
                  // opening date.
                  {"a shift and a client, the connection open",
                   {{"Filtro_IDTurno", "2"}, {"Filtro_IDCliente", "5"}},
                   [this] { db.opened = true; }},
              });
}

}  // namespace
}  // namespace orla::service
