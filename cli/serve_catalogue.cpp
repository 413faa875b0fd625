#include "cli/serve_catalogue.h"

#include <charconv>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include <sqlite3.h>

#include "engine/report.h"
#include "service/operations.h"
#include "sqlite/connection.h"

namespace orla::cli {

namespace {

using nlohmann::ordered_json;

struct ReportEntry {
  std::string_view operation;
  std::string_view group;
  std::string_view layout;  // the title is the layout's own
};

constexpr ReportEntry kReports[] = {
    {"VendasPorTiposDeRecebimento", "Tabelas de vendas", "rptVendasPorTiposDeRecebimento"},
    {"TabelaDeVendasPorBico", "Tabelas de vendas", "rptTabelaDeVendasPorBicos"},
    {"TabelaDeVendasPorCombustiveis", "Tabelas de vendas", "rptTabelaDeVendasPorCombustiveis"},
    {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", "Tabelas de vendas",
     "rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto"},
    {"RankingDeVendas", "Tabelas de vendas", "rptRanking"},
    {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "Movimentação de combustíveis",
     "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV"},
    {"MovimentacaoDeCombustiveisPorVendaComplementar", "Movimentação de combustíveis",
     "rptMovimentacaoDeCombustiveisPorCupomComplementar"},
    {"ResumoPorProduto", "Resumos", "rptResumoPorProdutos"},
    {"ResumoPorGrupoDeProduto", "Resumos", "rptResumoPorGrupoDeProdutos"},
    {"ResumoPorClassificacaoFiscal", "Resumos", "rptResumoPorST"},
    {"DetalhesDosMovimentosPorProdutos", "Detalhes dos movimentos",
     "rptDetalhesDosMovimentosPorProdutos"},
    {"DetalhesDosMovimentosPorClientes", "Detalhes dos movimentos",
     "rptDetalhesDosMovimentosPorClientes"},
    {"ClienteEspecial", "Detalhes dos movimentos", "rptClienteEspecial"},
};

using Choices = std::vector<std::pair<int, std::string_view>>;

// Keyed by parameter name, or "Operation.Parameter" where the meaning depends on the report.
const std::map<std::string, Choices, std::less<>>& ChoiceTable() {
  static const std::map<std::string, Choices, std::less<>> table{
      {"Filtro_TipoVisao", {{0, "Financeira (leituras das bombas)"}, {1, "Fiscal"}}},
      {"DetalhesDosMovimentosPorClientes.Filtro_TipoRelatorio",
       {{0, "Resumo com médias"},
        {1, "Resumo por preço"},
        {2, "Por cliente"},
        {3, "Por cliente e placa"}}},
      {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto.Filtro_TipoRelatorio",
       {{0, "Por grupo de produtos"},
        {1, "Por data"},
        {2, "Por data (visão financeira)"},
        {3, "Formas de pagamento por grupo"}}},
      {"RankingDeVendas.OrderListIndex",
       {{0, "Quantidade"}, {1, "Valor líquido"}, {2, "Lucro bruto"}}},
      {"DetalhesDosMovimentosPorClientes.OrderListIndex",
       {{0, "Placa"},
        {1, "Data e hora"},
        {2, "Motorista"},
        {3, "Descrição"},
        {4, "Quantidade"},
        {5, "Valor total"},
        {6, "Forma de pagamento"},
        {7, "Funcionário"}}},
      {"ClassificationListIndex", {{0, "Crescente"}, {1, "Decrescente"}}},
      {"Filtro_TipoConfigPreVenda",
       {{0, "A partir de hoje"}, {1, "A partir do dia seguinte ao período"}}},
      {"Filtro_TipoAgrupamento", {{0, "Clientes"}, {1, "Produtos"}}},
      {"Filtro_TipoOrdenacao", {{0, "Mais vendidos"}, {1, "Menos vendidos"}}},
  };
  return table;
}

struct LookupList {
  std::string_view name;
  std::string_view sql;  // value, label; ?1 is the LIKE pattern, ?2 the limit
};

constexpr LookupList kLookups[] = {
    {"clientes",
     "SELECT CAST(\"Código\" AS TEXT), \"Nome\" FROM \"Clientes\" WHERE \"Nome\" LIKE ?1 OR "
     "CAST(\"Código\" AS TEXT) LIKE ?1 ORDER BY \"Nome\" LIMIT ?2"},
    {"produtos",
     "SELECT CAST(\"Código\" AS TEXT), \"Descrição\" FROM \"Produtos\" WHERE \"Descrição\" LIKE "
     "?1 OR CAST(\"Código\" AS TEXT) LIKE ?1 ORDER BY \"Descrição\" LIMIT ?2"},
    {"funcionarios",
     "SELECT \"Código\", \"Nome\" FROM \"Funcionários\" WHERE \"Nome\" LIKE ?1 OR \"Código\" LIKE "
     "?1 ORDER BY \"Nome\" LIMIT ?2"},
    {"turnos",
     "SELECT DISTINCT \"Caixa\", \"Caixa\" FROM \"Movimentações\" WHERE \"Caixa\" LIKE ?1 ORDER BY "
     "\"Caixa\" LIMIT ?2"},
    {"formas",
     "SELECT \"T010_Descricao\", \"T010_Descricao\" FROM \"T010_FormasDePagto\" WHERE "
     "\"T010_Descricao\" LIKE ?1 ORDER BY \"T010_Descricao\" LIMIT ?2"},
};

struct LookupOf {
  std::string_view list;
  bool multiple;
};

// Which identifiers pick from a list. The product filter of the movement details by product
// takes several identifiers; the payment forms are always several.
std::optional<LookupOf> LookupFor(std::string_view operation, std::string_view parameter) {
  if (parameter == "Filtro_IDCliente")
    return LookupOf{"clientes", false};
  if (parameter == "Filtro_IDFuncionario")
    return LookupOf{"funcionarios", false};
  if (parameter == "Filtro_IDTurno")
    return LookupOf{"turnos", false};
  if (parameter == "Filtro_FormasDePagto")
    return LookupOf{"formas", true};
  if (parameter == "Filtro_IDProduto") {
    return LookupOf{"produtos", operation == "DetalhesDosMovimentosPorProdutos"};
  }
  return std::nullopt;
}

std::string DefaultText(const host::Value& value) {
  switch (value.GetKind()) {
    case host::Value::Kind::Text:
      return value.AsText();
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "true" : "false";
    case host::Value::Kind::Integer:
      return std::to_string(value.AsInteger());
    case host::Value::Kind::Double: {
      char buffer[64];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble()).ptr;
      return std::string(buffer, end);
    }
    default:
      return value.Describe();
  }
}

ordered_json Parameter(std::string_view operation, const service::ParameterInfo& parameter,
                       const host::DateTime& today) {
  ordered_json entry{{"name", parameter.name},
                     {"type", service::TypeName(parameter.type)},
                     {"description", parameter.description},
                     {"default", DefaultText(service::DefaultValue(parameter, today))}};
  const auto& choices = ChoiceTable();
  auto choice = choices.find(std::string(operation) + "." + std::string(parameter.name));
  if (choice == choices.end()) {
    choice = choices.find(parameter.name);
  }
  if (parameter.name.starts_with("Filtro_Data")) {
    entry["input"] = "date";
  } else if (parameter.type == service::ParameterType::Boolean) {
    entry["input"] = "switch";
  } else if (choice != choices.end()) {
    entry["input"] = "choice";
    ordered_json list = ordered_json::array();
    for (const auto& [value, label] : choice->second) {
      list.push_back({{"value", std::to_string(value)}, {"label", label}});
    }
    entry["choices"] = std::move(list);
  } else if (auto lookup = LookupFor(operation, parameter.name)) {
    entry["input"] = "lookup";
    entry["lookup"] = lookup->list;
    entry["multiple"] = lookup->multiple;
  } else if (parameter.type != service::ParameterType::Text ||
             parameter.name == "Filtro_QtdeRegistros") {
    entry["input"] = "number";
  } else {
    entry["input"] = "text";
  }
  return entry;
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

ordered_json ReportCatalogue(const host::DateTime& today) {
  ordered_json reports = ordered_json::array();
  for (const ReportEntry& entry : kReports) {
    const service::OperationInfo* operation = service::FindOperation(entry.operation);
    if (operation == nullptr) {
      throw std::logic_error("the viewer lists an unknown operation " +
                             std::string(entry.operation));
    }
    ordered_json parameters = ordered_json::array();
    for (const service::ParameterInfo& parameter : operation->parameters) {
      parameters.push_back(Parameter(entry.operation, parameter, today));
    }
    reports.push_back({{"name", entry.operation},
                       {"title", engine::CreateReport(entry.layout)->Title()},
                       {"group", entry.group},
                       {"parameters", std::move(parameters)}});
  }
  return {{"today", today.ToIso()}, {"reports", std::move(reports)}};
}

nlohmann::ordered_json Lookup(const std::filesystem::path& database, std::string_view list,
                              std::string_view search, int limit) {
  const LookupList* found = nullptr;
  for (const LookupList& entry : kLookups) {
    if (entry.name == list) {
      found = &entry;
    }
  }
  if (found == nullptr) {
    throw std::invalid_argument("no list named '" + std::string(list) +
                                "' (clientes, produtos, funcionarios, turnos, formas)");
  }
  // The project's own connection: the tables' columns sort with its collation.
  sqlite::Connection connection(database, sqlite::Connection::Mode::OpenExisting);
  sqlite::PreparedStatement statement(connection, found->sql);
  // Wildcards typed in the search work as LIKE's own; the text is bound, never spliced.
  statement.Bind(1, host::Value(std::string("%").append(search).append("%")))
      .Bind(2, host::Value(static_cast<int64_t>(limit)));
  ordered_json items = ordered_json::array();
  while (statement.Step()) {
    items.push_back({{"value", ColumnText(statement.Handle(), 0)},
                     {"label", ColumnText(statement.Handle(), 1)}});
  }
  return items;
}

}  // namespace orla::cli
