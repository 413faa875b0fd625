// ORLA_Vendas.Reports: the sales sub-reports of the station management application. Each
// operation checks the period, creates its layout, writes the company and caption lines,
// queries the host's database, binds the rows and hands the report back through `oRPT`.
// It gives true when the request ran to its end (also when nothing was found to print) and
// false when the period was refused or an error was trapped and reported.
#pragma once

#include <cstdint>
#include <string>

#include "host/database.h"
#include "host/objects.h"
#include "host/report_engine.h"

namespace orla {

class Reports {
 public:
  Reports() = default;
  Reports(const Reports&) = delete;
  Reports& operator=(const Reports&) = delete;

  bool ClienteEspecial(host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
                       host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
                       std::string Filtro_DataInicial, std::string Filtro_DataFinal,
                       std::string Filtro_IDCliente, std::string Filtro_IDTurno);

  bool DetalhesDosMovimentosPorClientes(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT, int32_t OrderListIndex,
      int32_t ClassificationListIndex, std::string Filtro_DataInicial, std::string Filtro_DataFinal,
      std::string Filtro_IDCliente, std::string Filtro_IDFuncionario, std::string Filtro_IDProduto,
      std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
      bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
      bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoRelatorio,
      std::string Filtro_FormasDePagto);

  bool DetalhesDosMovimentosPorProdutos(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
      std::string Filtro_DataInicial, std::string Filtro_DataFinal,
      std::string Filtro_IDFuncionario, std::string Filtro_IDProduto, std::string Filtro_IDTurno,
      bool Filtro_ST_IsII, bool Filtro_ST_IsNN, bool Filtro_ST_IsFF, bool Filtro_ST_IsTT,
      double Filtro_ST_AL_ICMS, bool Filtro_IsIgnorarADVendaComplementar,
      bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
      bool Filtro_IsExibirOutrosProdutos);

  bool MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
      std::string Filtro_DataInicial, std::string Filtro_DataFinal,
      int16_t Filtro_TipoConfigPreVenda, std::string Filtro_DataFinalPrevisao,
      std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
      bool Filtro_IsIgnorarADOutrosTipos);

  bool MovimentacaoDeCombustiveisPorVendaComplementar(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
      std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDTurno);

  bool RankingDeVendas(host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
                       host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
                       int32_t OrderListIndex, int32_t ClassificationListIndex,
                       std::string Filtro_DataInicial, std::string Filtro_DataFinal,
                       std::string Filtro_IDProduto, std::string Filtro_QtdeRegistros,
                       bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
                       bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos,
                       int32_t Filtro_TipoAgrupamento, int32_t Filtro_TipoOrdenacao);

  bool ResumoPorClassificacaoFiscal(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
      std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
      std::string Filtro_IDTurno, bool Filtro_ST_IsII, bool Filtro_ST_IsNN, bool Filtro_ST_IsFF,
      bool Filtro_ST_IsTT, double Filtro_ST_AL_ICMS, bool Filtro_IsIgnorarADVendaComplementar,
      bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
      bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao);

  bool ResumoPorGrupoDeProduto(host::Viewer* oRPTViewer, host::Object* oParentForm,
                               host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                               host::ReportRef& oRPT, std::string Filtro_DataInicial,
                               std::string Filtro_DataFinal, std::string Filtro_IDProduto,
                               std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
                               bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
                               bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao);

  bool ResumoPorProduto(host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
                        host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
                        std::string Filtro_DataInicial, std::string Filtro_DataFinal,
                        std::string Filtro_IDProduto, std::string Filtro_IDTurno,
                        bool Filtro_IsIgnorarADVendaComplementar,
                        bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
                        bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao);

  bool TabelaDeVendasPorBico(host::Viewer* oRPTViewer, host::Object* oParentForm,
                             host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                             host::ReportRef& oRPT, std::string Filtro_DataInicial,
                             std::string Filtro_DataFinal, std::string Filtro_IDTurno,
                             bool Filtro_IsIgnorarADVendaComplementar,
                             bool Filtro_IsIgnorarADOutrosTipos, int32_t Filtro_TipoVisao);

  bool TabelaDeVendasPorCombustiveis(host::Viewer* oRPTViewer, host::Object* oParentForm,
                                     host::Database* oDB, host::Company* oEmpresa,
                                     host::Object* oUser, host::ReportRef& oRPT,
                                     std::string Filtro_DataInicial, std::string Filtro_DataFinal,
                                     std::string Filtro_IDTurno,
                                     bool Filtro_IsIgnorarADVendaComplementar,
                                     bool Filtro_IsIgnorarADOutrosTipos, int32_t Filtro_TipoVisao);

  bool TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
      host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
      host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
      std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
      bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
      bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos,
      int32_t Filtro_TipoRelatorio);

  bool VendasPorTiposDeRecebimento(host::Viewer* oRPTViewer, host::Object* oParentForm,
                                   host::Database* oDB, host::Company* oEmpresa,
                                   host::Object* oUser, host::ReportRef& oRPT,
                                   std::string Filtro_DataInicial, std::string Filtro_DataFinal);

 private:
  // The report of the latest accepted request; empty on a new instance.
  host::ReportRef heldReport_;
};

}  // namespace orla
