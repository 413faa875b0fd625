#include "reports/pickers.h"

#include "host/regional_settings.h"

namespace orla::reports {

namespace {

constexpr const PickerSource* kSources[] = {&kClientes, &kProdutos, &kFuncionarios, &kTurnos,
                                            &kFormasDePagto};

// The search as the body of a LIKE literal: quotes doubled, so it cannot end the literal; a
// bracket taken as itself, where T-SQL would open a character class; control characters
// dropped, as no name holds one and a NUL would end the statement early.
std::string LikeBody(std::string_view search) {
  std::string body;
  for (const char c : search) {
    if (c == '\'') {
      body += "''";
    } else if (c == '[') {
      body += "[[]";
    } else if (static_cast<unsigned char>(c) >= 0x20) {
      body += c;
    }
  }
  return body;
}

std::string TextOf(const host::Value& value) {
  return value.IsNull() ? std::string() : host::RegionalSettings::Brazilian().ToText(value);
}

}  // namespace

std::span<const PickerSource* const> Pickers() {
  return kSources;
}

const PickerSource* FindPicker(std::string_view name) {
  for (const PickerSource* source : kSources) {
    if (source->name == name) {
      return source;
    }
  }
  return nullptr;
}

std::string PickerQuery(const PickerSource& source, std::string_view search, int limit) {
  const std::string pattern = "'%" + LikeBody(search) + "%'";
  std::string sql = "SELECT ";
  sql += source.distinct ? "DISTINCT " : "";
  sql += "TOP " + std::to_string(limit < 0 ? 0 : limit) + " ";
  sql += std::string(source.value) + " AS Valor,";
  sql += std::string(source.text) + " AS Rotulo ";
  sql += "FROM " + std::string(source.from) + " ";
  sql += "WHERE (" + std::string(source.text) + " LIKE " + pattern + ") ";
  sql += "OR (" + std::string(source.value) + " LIKE " + pattern + ") ";
  sql += "ORDER BY Rotulo";
  return sql;
}

std::vector<PickedValue> Pick(host::Database& oDB, const PickerSource& source,
                              std::string_view search, int limit) {
  std::vector<PickedValue> values;
  const host::RecordsetRef rows = oDB.OpenRecordSet(PickerQuery(source, search, limit));
  if (rows == nullptr) {
    return values;
  }
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  while (!regional.ToBoolean(rows->Eof())) {
    values.push_back({TextOf(rows->FieldAt(0)), TextOf(rows->FieldAt(1))});
    rows->MoveNext();
  }
  return values;
}

}  // namespace orla::reports
