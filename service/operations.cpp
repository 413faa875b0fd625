#include "service/operations.h"

#include <algorithm>
#include <map>

#include "host/errors.h"
#include "host/platform.h"

namespace orla::service {

namespace {

using PT = ParameterType;

constexpr ParameterInfo kOrderListIndex{"OrderListIndex", PT::Int32,
                                        "sort column or ranking measure"};
constexpr ParameterInfo kClassificationListIndex{"ClassificationListIndex", PT::Int32,
                                                 "sort direction: 0 ascending, other descending"};
constexpr ParameterInfo kDataInicial{"Filtro_DataInicial", PT::Text, "first day of the period"};
constexpr ParameterInfo kDataFinal{"Filtro_DataFinal", PT::Text, "last day of the period"};
constexpr ParameterInfo kIDCliente{"Filtro_IDCliente", PT::Text, "one client; empty for all"};
constexpr ParameterInfo kIDFuncionario{"Filtro_IDFuncionario", PT::Text,
                                       "one employee; empty for all"};
constexpr ParameterInfo kIDProduto{"Filtro_IDProduto", PT::Text, "one product; empty for all"};
constexpr ParameterInfo kIDProdutos{"Filtro_IDProduto", PT::Text,
                                    "product identifiers, comma-separated; empty for all"};
constexpr ParameterInfo kIDTurno{"Filtro_IDTurno", PT::Text,
                                 "one shift (till); empty for all; forces the financial view"};
constexpr ParameterInfo kIgnorarCompl{"Filtro_IsIgnorarADVendaComplementar", PT::Boolean,
                                      "leave surcharges/discounts of complementary sales out"};
constexpr ParameterInfo kIgnorarOutros{"Filtro_IsIgnorarADOutrosTipos", PT::Boolean,
                                       "leave surcharges/discounts of the other sales out"};
constexpr ParameterInfo kExibirCombustiveis{"Filtro_IsExibirCombustiveis", PT::Boolean,
                                            "show fuels"};
constexpr ParameterInfo kExibirOutros{"Filtro_IsExibirOutrosProdutos", PT::Boolean,
                                      "show the other products"};
constexpr ParameterInfo kTipoVisao{"Filtro_TipoVisao", PT::Int32,
                                   "view: 0 financial (pump readings), other fiscal"};
constexpr ParameterInfo kTipoRelatorioClientes{
    "Filtro_TipoRelatorio", PT::Int32,
    "0 averaged summary, 1 summary by price, 2 by client, 3 by client and plate"};
constexpr ParameterInfo kTipoRelatorioFormas{
    "Filtro_TipoRelatorio", PT::Int32,
    "0 by product group, 1 by date, 2 by date (financial view), 3 forms by group"};
constexpr ParameterInfo kFormasDePagto{"Filtro_FormasDePagto", PT::Text,
                                       "payment forms, quoted and comma-separated; empty for all"};
constexpr ParameterInfo kSTII{"Filtro_ST_IsII", PT::Boolean, "include tax situation II"};
constexpr ParameterInfo kSTNN{"Filtro_ST_IsNN", PT::Boolean, "include tax situation NN"};
constexpr ParameterInfo kSTFF{"Filtro_ST_IsFF", PT::Boolean, "include tax situation FF"};
constexpr ParameterInfo kSTTT{"Filtro_ST_IsTT", PT::Boolean, "include tax situation TT"};
constexpr ParameterInfo kSTAliquota{"Filtro_ST_AL_ICMS", PT::Double,
                                    "ICMS rate of the TT sales to include; 0 for any"};
constexpr ParameterInfo kTipoConfigPreVenda{
    "Filtro_TipoConfigPreVenda", PT::Int16,
    "forecast start: 0 today, other the day after the period"};
constexpr ParameterInfo kDataFinalPrevisao{"Filtro_DataFinalPrevisao", PT::Text,
                                           "forecast end; empty for 30 days"};
constexpr ParameterInfo kQtdeRegistros{"Filtro_QtdeRegistros", PT::Text, "entries to keep"};
constexpr ParameterInfo kTipoAgrupamento{"Filtro_TipoAgrupamento", PT::Int32,
                                         "0 ranks clients, other products"};
constexpr ParameterInfo kTipoOrdenacao{"Filtro_TipoOrdenacao", PT::Int32,
                                       "0 best sellers, other worst"};

// Reads an argument list that ResolveArguments already coerced.
class Args {
 public:
  explicit Args(const ArgumentList& list) : list_(list) {}
  std::string Text(size_t i) const { return list_.at(i).AsText(); }
  bool Bool(size_t i) const { return list_.at(i).AsBoolean(); }
  int32_t Int32(size_t i) const { return static_cast<int32_t>(list_.at(i).AsInteger()); }
  int16_t Int16(size_t i) const { return static_cast<int16_t>(list_.at(i).AsInteger()); }
  double Double(size_t i) const { return list_.at(i).AsDouble(); }

 private:
  const ArgumentList& list_;
};

std::vector<OperationInfo> BuildOperations() {
  const std::vector<ParameterInfo> fourSwitches{kIgnorarCompl, kIgnorarOutros, kExibirCombustiveis,
                                                kExibirOutros};
  auto concat = [](std::initializer_list<std::vector<ParameterInfo>> parts) {
    std::vector<ParameterInfo> all;
    for (const auto& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  };
  const std::vector<ParameterInfo> summaryFilters =
      concat({{kDataInicial, kDataFinal, kIDProduto, kIDTurno}, fourSwitches, {kTipoVisao}});

  return {
      {"ClienteEspecial",
       {kDataInicial, kDataFinal, kIDCliente, kIDTurno},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.ClienteEspecial(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                  a.Text(0), a.Text(1), a.Text(2), a.Text(3));
       }},
      {"DetalhesDosMovimentosPorClientes",
       concat({{kOrderListIndex, kClassificationListIndex, kDataInicial, kDataFinal, kIDCliente,
                kIDFuncionario, kIDProduto, kIDTurno},
               fourSwitches,
               {kTipoRelatorioClientes, kFormasDePagto}}),
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.DetalhesDosMovimentosPorClientes(
             h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Int32(0), a.Int32(1),
             a.Text(2), a.Text(3), a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Bool(8), a.Bool(9),
             a.Bool(10), a.Bool(11), a.Int32(12), a.Text(13));
       }},
      {"DetalhesDosMovimentosPorProdutos",
       concat({{kDataInicial, kDataFinal, kIDFuncionario, kIDProduto, kIDTurno, kSTII, kSTNN, kSTFF,
                kSTTT, kSTAliquota},
               fourSwitches}),
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.DetalhesDosMovimentosPorProdutos(
             h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
             a.Text(2), a.Text(3), a.Text(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Bool(8),
             a.Double(9), a.Bool(10), a.Bool(11), a.Bool(12), a.Bool(13));
       }},
      {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
       {kDataInicial, kDataFinal, kTipoConfigPreVenda, kDataFinalPrevisao, kIDTurno, kIgnorarCompl,
        kIgnorarOutros},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV(
             h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
             a.Int16(2), a.Text(3), a.Text(4), a.Bool(5), a.Bool(6));
       }},
      {"MovimentacaoDeCombustiveisPorVendaComplementar",
       {kDataInicial, kDataFinal, kIDTurno},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.MovimentacaoDeCombustiveisPorVendaComplementar(h.oRPTViewer, h.oParentForm, h.oDB,
                                                                 h.oEmpresa, h.oUser, rpt,
                                                                 a.Text(0), a.Text(1), a.Text(2));
       }},
      {"RankingDeVendas",
       concat({{kOrderListIndex, kClassificationListIndex, kDataInicial, kDataFinal, kIDProduto,
                kQtdeRegistros},
               fourSwitches,
               {kTipoAgrupamento, kTipoOrdenacao}}),
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.RankingDeVendas(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                  a.Int32(0), a.Int32(1), a.Text(2), a.Text(3), a.Text(4),
                                  a.Text(5), a.Bool(6), a.Bool(7), a.Bool(8), a.Bool(9),
                                  a.Int32(10), a.Int32(11));
       }},
      {"ResumoPorClassificacaoFiscal",
       concat({{kDataInicial, kDataFinal, kIDProduto, kIDTurno, kSTII, kSTNN, kSTFF, kSTTT,
                kSTAliquota},
               fourSwitches,
               {kTipoVisao}}),
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.ResumoPorClassificacaoFiscal(
             h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
             a.Text(2), a.Text(3), a.Bool(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Double(8),
             a.Bool(9), a.Bool(10), a.Bool(11), a.Bool(12), a.Int32(13));
       }},
      {"ResumoPorGrupoDeProduto", summaryFilters,
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.ResumoPorGrupoDeProduto(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser,
                                          rpt, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                          a.Bool(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Int32(8));
       }},
      {"ResumoPorProduto", summaryFilters,
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.ResumoPorProduto(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                   a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Bool(4), a.Bool(5),
                                   a.Bool(6), a.Bool(7), a.Int32(8));
       }},
      {"TabelaDeVendasPorBico",
       {kDataInicial, kDataFinal, kIDTurno, kIgnorarCompl, kIgnorarOutros, kTipoVisao},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.TabelaDeVendasPorBico(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser,
                                        rpt, a.Text(0), a.Text(1), a.Text(2), a.Bool(3), a.Bool(4),
                                        a.Int32(5));
       }},
      {"TabelaDeVendasPorCombustiveis",
       {kDataInicial, kDataFinal, kIDTurno, kIgnorarCompl, kIgnorarOutros, kTipoVisao},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.TabelaDeVendasPorCombustiveis(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa,
                                                h.oUser, rpt, a.Text(0), a.Text(1), a.Text(2),
                                                a.Bool(3), a.Bool(4), a.Int32(5));
       }},
      {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       concat({{kDataInicial, kDataFinal, kIDProdutos}, fourSwitches, {kTipoRelatorioFormas}}),
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
             h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
             a.Text(2), a.Bool(3), a.Bool(4), a.Bool(5), a.Bool(6), a.Int32(7));
       }},
      {"VendasPorTiposDeRecebimento",
       {kDataInicial, kDataFinal},
       [](Reports& r, const HostObjects& h, host::ReportRef& rpt, const ArgumentList& list) {
         const Args a(list);
         return r.VendasPorTiposDeRecebimento(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa,
                                              h.oUser, rpt, a.Text(0), a.Text(1));
       }},
  };
}

host::Value Coerce(const ParameterInfo& parameter, const host::Value& value) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  switch (parameter.type) {
    case PT::Text:
      return regional.ToText(value);
    case PT::Boolean:
      return regional.ToBoolean(value);
    case PT::Int16:
      return int32_t{regional.ToInt16(value)};
    case PT::Int32:
      return regional.ToInt32(value);
    case PT::Double:
      return regional.ToDouble(value);
  }
  return value;
}

constexpr int32_t kNamedArgumentNotFound = 448;

}  // namespace

std::string_view TypeName(ParameterType type) {
  switch (type) {
    case PT::Text:
      return "text";
    case PT::Boolean:
      return "Boolean";
    case PT::Int16:
      return "16-bit integer";
    case PT::Int32:
      return "32-bit integer";
    case PT::Double:
      return "double";
  }
  return "?";
}

std::span<const OperationInfo> Operations() {
  static const std::vector<OperationInfo> operations = BuildOperations();
  return operations;
}

const OperationInfo* FindOperation(std::string_view name) {
  for (const OperationInfo& operation : Operations()) {
    if (operation.name == name) {
      return &operation;
    }
  }
  return nullptr;
}

host::Value DefaultValue(const ParameterInfo& parameter, const host::DateTime& today) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  const std::string_view name = parameter.name;
  if (name == kDataInicial.name) {
    return regional.ShortDate(today.AddDays(1 - today.Day()));
  }
  if (name == kDataFinal.name) {
    return regional.ShortDate(today);
  }
  if (name == kQtdeRegistros.name) {
    return "40";
  }
  if (name == kTipoVisao.name || name == kTipoAgrupamento.name ||
      name == kTipoConfigPreVenda.name) {
    return int32_t{1};
  }
  switch (parameter.type) {
    case PT::Text:
      return "";
    case PT::Boolean:
      // Show everything; ignore nothing.
      return name != kIgnorarCompl.name && name != kIgnorarOutros.name;
    case PT::Int16:
    case PT::Int32:
      return int32_t{0};
    case PT::Double:
      return 0.0;
  }
  return {};
}

ArgumentList ResolveArguments(const OperationInfo& operation, const std::vector<NamedValue>& values,
                              const host::DateTime& today) {
  std::map<std::string_view, const host::Value*> given;
  for (const NamedValue& value : values) {
    const auto known = std::find_if(operation.parameters.begin(), operation.parameters.end(),
                                    [&](const ParameterInfo& p) { return p.name == value.name; });
    if (known == operation.parameters.end()) {
      throw host::HostError(kNamedArgumentNotFound,
                            std::string(operation.name) + " has no parameter named " + value.name);
    }
    if (!given.emplace(known->name, &value.value).second) {
      throw host::HostError(kNamedArgumentNotFound, "Parameter " + value.name + " given twice");
    }
  }
  ArgumentList arguments;
  arguments.reserve(operation.parameters.size());
  for (const ParameterInfo& parameter : operation.parameters) {
    const auto it = given.find(parameter.name);
    if (it == given.end()) {
      arguments.push_back(DefaultValue(parameter, today));
      continue;
    }
    try {
      arguments.push_back(Coerce(parameter, *it->second));
    } catch (const host::HostError& e) {
      throw host::HostError(e.Number(), std::string(parameter.name) + " expects " +
                                            std::string(TypeName(parameter.type)) + ": " +
                                            e.Description());
    }
  }
  return arguments;
}

bool CallByName(Reports& reports, std::string_view operation, const HostObjects& host,
                host::ReportRef& oRPT, const std::vector<NamedValue>& values) {
  const OperationInfo* info = FindOperation(operation);
  if (info == nullptr) {
    throw host::HostError(host::error_number::kObjectDoesNotSupport,
                          "Reports has no operation named " + std::string(operation));
  }
  const ArgumentList arguments = ResolveArguments(*info, values, host::CurrentPlatform().Today());
  return info->invoke(reports, host, oRPT, arguments);
}

}  // namespace orla::service
