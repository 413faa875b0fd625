#include <gmock/gmock.h>

#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;

std::string FinalQuery(const std::string& key) {
  return "SELECT CASE WHEN vr.IsCartaoCredito = 1 THEN 'Cartão de Crédito' WHEN "
         "vr.IsCartaoDebito = 1 THEN 'Cartão de Débito' WHEN vr.IsCarteiraDigital = 1 THEN "
         "'Carteira Digital' WHEN vr.IsFrota = 1 THEN 'Cartão Frota' WHEN vr.IsPix = 1 THEN 'PIX' "
         "ELSE 'Outras Formas' END AS TipoRecebimento,vr.FormaPagto,vr.QtdeVendas,vr.VLTotal,"
         "vr.VLTroco,vr.VLLiquido,vr.VLTicketMedio,vr.TxParticipacao FROM ###vtr_rpt AS vr WITH "
         "(NOLOCK) WHERE (vr.WorkStationID = '" +
         key + "') ORDER BY TipoRecebimento ASC,vr.FormaPagto ASC";
}

// The run's key goes in exactly as the procedure returned it.
TEST_F(FrameTest, ReceiptTypesRunTheProcedureThenReadItsRowsByKey) {
  platform->behaviour.commandOutputs["IDRetorno"] = "O'Brien 7";
  db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  EXPECT_TRUE(Run("VendasPorTiposDeRecebimento"));
  EXPECT_THAT(platform->log,
              ElementsAre("CreateReport(rptVendasPorTiposDeRecebimento)",
                          "SetHeaderLine(0, [12.345.678/0001-90] - Posto Orla Ltda)",
                          "SetHeaderLine(1, Visão fiscal / De 01/03/24 até 31/03/24)", "DB_Open",
                          "GetConnectionString", "Command.ActiveConnection = fake",
                          "Command.CommandTimeout = 0", "Command.CommandType = 4",
                          "Command.CommandText = _RPT_VTR",
                          "Command.Parameters.Append(dtInicial, 7, 1, 0, 2024-03-01)",
                          "Command.Parameters.Append(dtFinal, 7, 1, 0, 2024-03-31)",
                          "Command.Parameters.Append(IDRetorno, 200, 2, 200)", "Command.Execute",
                          "OpenRecordSet(" + FinalQuery("O'Brien 7") + ")",
                          "ShowReport(data=yes, mode=1, 0, 0, bind=true)",
                          "rptVendasPorTiposDeRecebimento.SetDataSource", "DB_Close"));
}

}  // namespace
}  // namespace orla::service
