// The parameters many reports share, described once: the period, the shift, product, client
// and employee filters, the four switches, the view and the tax situations. A unit takes them
// as they are or with its own help (`WithHelp`). Also what their builders receive of them.
#pragma once

#include <string>
#include <string_view>

#include "query/get_sql.h"
#include "reports/descriptor.h"
#include "reports/pickers.h"

namespace orla::reports {

// What the builders receive.

struct Period {
  std::string Filtro_DataInicial;
  std::string Filtro_DataFinal;
};

// Leave the surcharges and discounts (A/D) of complementary sales, or of the other sales, out.
struct AdjustmentSwitches {
  bool Filtro_IsIgnorarADVendaComplementar = false;
  bool Filtro_IsIgnorarADOutrosTipos = false;
};

struct ProductKindSwitches {
  bool Filtro_IsExibirCombustiveis = true;
  bool Filtro_IsExibirOutrosProdutos = true;
};

struct TaxSituationSwitches {
  bool Filtro_ST_IsII = false;
  bool Filtro_ST_IsNN = false;
  bool Filtro_ST_IsFF = false;
  bool Filtro_ST_IsTT = false;
  double Filtro_ST_AL_ICMS = 0;
};

// The shared groups from GetSQL's arguments, starting at position `first`.
Period PeriodAt(const query::BuilderArguments& a, int first);
AdjustmentSwitches AdjustmentsAt(const query::BuilderArguments& a, int first);
ProductKindSwitches ProductKindsAt(const query::BuilderArguments& a, int first);
// The four switches in the order II, NN, FF, TT, then the rate.
TaxSituationSwitches TaxSituationAt(const query::BuilderArguments& a, int first);

// What people and forms see of them.

constexpr Parameter WithHelp(Parameter parameter, std::string_view help) {
  parameter.help = help;
  return parameter;
}

inline constexpr std::string_view kDateMessage =
    "Informe uma data existente, no formato dd/mm/aaaa.";

inline constexpr Parameter kDataInicial{
    .name = "Filtro_DataInicial",
    .description = "first day of the period",
    .label = "Data inicial",
    .help = "Primeiro dia do período, no formato dd/mm/aaaa.",
    .fallback = {Default::Kind::FirstDayOfMonth, ""},
    .input = Input::Date,
    .check = {Check::Kind::Date, kDateMessage},
};

inline constexpr Parameter kDataFinal{
    .name = "Filtro_DataFinal",
    .description = "last day of the period",
    .label = "Data final",
    .help = "Último dia do período, no formato dd/mm/aaaa.",
    .fallback = {Default::Kind::Today, ""},
    .input = Input::Date,
    .check = {Check::Kind::Date, kDateMessage},
};

inline constexpr std::string_view kPeriodNames[] = {kDataInicial.name, kDataFinal.name};

// BETWEEN a later and an earlier day selects nothing; the reports still run.
inline constexpr Rule kPeriodInOrder{
    Rule::Kind::InOrder, kPeriodNames, false,
    "A data inicial é posterior à data final: o relatório não encontrará nenhuma venda."};

inline constexpr Parameter kIDTurno{
    .name = "Filtro_IDTurno",
    .description = "one shift (till); empty for all",
    .label = "Turno",
    .help = "Só os caixas deste turno; vazio para todos os turnos.",
    .input = Input::Picker,
    .picker = &kTurnos,
    .shown = {Shown::As::Label, "Turno"},
};

// The reports with a view: a shift exists only in the till readings.
inline constexpr Parameter kIDTurnoForcingView = [] {
  Parameter p = WithHelp(kIDTurno,
                         "Só os caixas deste turno; vazio para todos os turnos. Com um turno, o "
                         "relatório sai sempre na visão financeira.");
  p.description = "one shift (till); empty for all; forces the financial view";
  return p;
}();

// The reports that date a shift's sales by its till's opening, the fiscal date otherwise.
inline constexpr Parameter kIDTurnoDatedByOpening =
    WithHelp(kIDTurno,
             "Só os caixas deste turno; vazio para todos os turnos. Com um turno, o período passa "
             "a ser contado pela data de abertura do caixa.");

inline constexpr Parameter kIDProduto{
    .name = "Filtro_IDProduto",
    .description = "one product; empty for all",
    .label = "Produto",
    .help = "Só as vendas deste produto; vazio para todos os produtos.",
    .input = Input::Picker,
    .picker = &kProdutos,
    .shown = {Shown::As::ValueAndLabel, "Produto"},
};

inline constexpr Parameter kIDCliente{
    .name = "Filtro_IDCliente",
    .description = "one client; empty for all",
    .label = "Cliente",
    .help = "Só as vendas deste cliente; vazio para todos os clientes.",
    .input = Input::Picker,
    .picker = &kClientes,
    .shown = {Shown::As::ValueAndLabel, "Cliente"},
};

inline constexpr Parameter kIDFuncionario{
    .name = "Filtro_IDFuncionario",
    .description = "one employee; empty for all",
    .label = "Funcionário",
    .help = "Só as vendas deste funcionário; vazio para todos os funcionários.",
    .input = Input::Picker,
    .picker = &kFuncionarios,
    .shown = {Shown::As::Label, "Funcionário"},
};

inline constexpr Parameter kIgnorarADVendaComplementar{
    .name = "Filtro_IsIgnorarADVendaComplementar",
    .type = ParameterType::Boolean,
    .description = "leave surcharges/discounts of complementary sales out",
    .label = "Ignorar acréscimos/descontos das vendas complementares",
    .help = "Os acréscimos e descontos das vendas em cupom complementar ficam fora dos valores.",
    .fallback = {Default::Kind::Fixed, "false"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem acréscimos/descontos das vendas complementares"},
};

inline constexpr Parameter kIgnorarADOutrosTipos{
    .name = "Filtro_IsIgnorarADOutrosTipos",
    .type = ParameterType::Boolean,
    .description = "leave surcharges/discounts of the other sales out",
    .label = "Ignorar acréscimos/descontos das demais vendas",
    .help =
        "Os acréscimos e descontos das vendas que não são complementares ficam fora dos "
        "valores.",
    .fallback = {Default::Kind::Fixed, "false"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem acréscimos/descontos das demais vendas"},
};

inline constexpr Parameter kExibirCombustiveis{
    .name = "Filtro_IsExibirCombustiveis",
    .type = ParameterType::Boolean,
    .description = "show fuels",
    .label = "Mostrar combustíveis",
    .help = "Inclui as vendas de combustíveis.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem combustíveis"},
};

inline constexpr Parameter kExibirOutrosProdutos{
    .name = "Filtro_IsExibirOutrosProdutos",
    .type = ParameterType::Boolean,
    .description = "show the other products",
    .label = "Mostrar outros produtos",
    .help = "Inclui as vendas dos produtos que não são combustíveis.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem outros produtos"},
};

inline constexpr std::string_view kProductKindNames[] = {kExibirCombustiveis.name,
                                                         kExibirOutrosProdutos.name};

// The product-kind filter selects the other products when neither kind is shown.
inline constexpr Rule kProductKindsBothOff{
    Rule::Kind::AllOffMeans, kProductKindNames, false,
    "Com as duas opções desmarcadas, o relatório mostra só os outros produtos."};

inline constexpr Choice kViewChoices[] = {{0, "Financeira (leituras das bombas)"},
                                          {1, "Fiscal (documentos fiscais)"}};

inline constexpr Dependency kShiftForcesView[] = {
    {Dependency::Effect::ForcedBy, kIDTurno.name, Dependency::When::NotEmpty, "", "0",
     "Com um turno escolhido, a visão é sempre a financeira."}};

inline constexpr Parameter kTipoVisao{
    .name = "Filtro_TipoVisao",
    .type = ParameterType::Int32,
    .description = "view: 0 financial (pump readings), other fiscal",
    .label = "Visão",
    .help =
        "Financeira: o que as bombas entregaram e o caixa registrou, pela data de abertura "
        "do caixa. Fiscal: só as vendas com documento fiscal, pela data do documento.",
    .fallback = {Default::Kind::Fixed, "1"},
    .input = Input::Choice,
    .choices = kViewChoices,
    .dependencies = kShiftForcesView,
    .shown = {Shown::As::Choice, "Visão"},
};

inline constexpr Parameter kSTIsII{
    .name = "Filtro_ST_IsII",
    .type = ParameterType::Boolean,
    .description = "include tax situation II",
    .label = "Isentos (II)",
    .help = "Inclui as vendas de situação tributária II, isentas de ICMS.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem isentos (II)"},
};

inline constexpr Parameter kSTIsNN{
    .name = "Filtro_ST_IsNN",
    .type = ParameterType::Boolean,
    .description = "include tax situation NN",
    .label = "Não tributados (NN)",
    .help = "Inclui as vendas de situação tributária NN, não tributadas pelo ICMS.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem não tributados (NN)"},
};

inline constexpr Parameter kSTIsFF{
    .name = "Filtro_ST_IsFF",
    .type = ParameterType::Boolean,
    .description = "include tax situation FF",
    .label = "Substituição tributária (FF)",
    .help =
        "Inclui as vendas de situação tributária FF, com o ICMS cobrado por substituição "
        "tributária.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .shown = {Shown::As::Phrase, "Sem substituição tributária (FF)"},
};

inline constexpr Dependency kRateReplacesTT[] = {
    {Dependency::Effect::IgnoredWhen, "Filtro_ST_AL_ICMS", Dependency::When::NotEquals, "0", "",
     "Com uma alíquota informada, entram as vendas tributadas só a essa alíquota, marcada ou não "
     "esta opção."}};

inline constexpr Parameter kSTIsTT{
    .name = "Filtro_ST_IsTT",
    .type = ParameterType::Boolean,
    .description = "include tax situation TT",
    .label = "Tributados (TT)",
    .help = "Inclui as vendas tributadas pelo ICMS (TT), a qualquer alíquota.",
    .fallback = {Default::Kind::Fixed, "true"},
    .input = Input::Switch,
    .dependencies = kRateReplacesTT,
    .shown = {Shown::As::Phrase, "Sem tributados (TT)"},
};

inline constexpr Parameter kSTAliquotaICMS{
    .name = "Filtro_ST_AL_ICMS",
    .type = ParameterType::Double,
    .description = "ICMS rate of the TT sales to include; 0 for any",
    .label = "Alíquota de ICMS (%)",
    .help =
        "Diferente de zero: entram as vendas tributadas (TT) só a esta alíquota, no lugar da "
        "opção Tributados. Zero: sem filtro de alíquota.",
    .fallback = {Default::Kind::Fixed, "0"},
    .input = Input::Number,
    .check = {Check::Kind::Rate, "Informe uma alíquota de 0 a 100."},
    .shown = {Shown::As::Value, "Alíquota de ICMS"},
};

inline constexpr std::string_view kTaxSituationNames[] = {kSTIsII.name, kSTIsNN.name, kSTIsFF.name,
                                                          kSTIsTT.name, kSTAliquotaICMS.name};

inline constexpr Rule kTaxSituationsAllOff{
    Rule::Kind::AllOffMeans, kTaxSituationNames, false,
    "Sem situação tributária marcada nem alíquota, entram todas as situações."};

}  // namespace orla::reports
