#include "query/get_sql.h"

#include "host/errors.h"
#include "host/platform.h"

namespace orla::query {

BuilderArguments::BuilderArguments(int32_t orderIndex, int32_t classificationIndex,
                                   const SqlArguments& arguments, host::Database* oDB,
                                   host::Value* extra)
    : orderIndex_(orderIndex),
      classificationIndex_(classificationIndex),
      arguments_(arguments),
      oDB_(oDB),
      extra_(extra) {}

const host::Value& BuilderArguments::At(int position) const {
  const auto& argument = arguments_.at(static_cast<size_t>(position - 1));
  if (!argument) {
    throw host::HostError(host::error_number::kTypeMismatch,
                          "GetSQL: argument A" + std::to_string(position) + " is missing");
  }
  return *argument;
}

std::string BuilderArguments::Text(int position) const {
  return host::CurrentPlatform().Regional().ToText(At(position));
}

bool BuilderArguments::Boolean(int position) const {
  return host::CurrentPlatform().Regional().ToBoolean(At(position));
}

int32_t BuilderArguments::Int32(int position) const {
  return host::CurrentPlatform().Regional().ToInt32(At(position));
}

double BuilderArguments::Double(int position) const {
  return host::CurrentPlatform().Regional().ToDouble(At(position));
}

host::Database& BuilderArguments::Database() const {
  return host::Require(oDB_, "oDB");
}

std::string GetSQL(int32_t ReportKind, int32_t OrderListIndex, int32_t ClassificationListIndex,
                   const SqlArguments& arguments, host::Database* oDB, host::Value* extra,
                   const QueryBuilders& builders) {
  if (ReportKind < 0 || ReportKind >= static_cast<int32_t>(builders.size())) {
    return {};
  }
  const QueryBuilder& builder = builders[static_cast<size_t>(ReportKind)];
  if (!builder) {
    return {};
  }
  return builder(BuilderArguments(OrderListIndex, ClassificationListIndex, arguments, oDB, extra));
}

}  // namespace orla::query
