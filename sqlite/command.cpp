#include "sqlite/command.h"

#include "host/errors.h"
#include "sqlite/connection.h"
#include "sqlite/database.h"
#include "sqlite/procedures.h"
#include "sqlite/tsql_executor.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

// ADO's numbers for these failures.
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kConnectionClosed = 3709;
constexpr int32_t kWrongArguments = 3001;

constexpr int32_t kCmdText = 1;
constexpr int32_t kCmdUnknown = 8;

}  // namespace

std::unique_ptr<host::Command> CreateCommand(std::string_view progId) {
  if (!tsql::EqualsIgnoreCase(progId, host::kCommandProgId)) {
    throw host::HostError(host::error_number::kCannotCreateObject,
                          "ActiveX component can't create object: " + std::string(progId));
  }
  return std::make_unique<Command>();
}

host::Parameter Command::CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                         int32_t size, std::optional<host::Value> value) {
  return {name, type, direction, size, std::move(value)};
}

host::RecordsetRef Command::Execute() {
  if (connection_.empty()) {
    throw host::HostError(kConnectionClosed, "The command has no ActiveConnection to run on",
                          "ADODB.Command");
  }
  Connection connection(DataSourceOf(connection_), Connection::Mode::OpenExisting);
  if (type_ == host::ado::kCmdStoredProc) {
    RunStoredProcedure(connection, text_, parameters_);
    return nullptr;
  }
  if (type_ == kCmdText || type_ == kCmdUnknown) {
    return RunBatch(connection, text_).rows;
  }
  throw host::HostError(kWrongArguments,
                        "CommandType " + std::to_string(type_) + " is not supported",
                        "ADODB.Command");
}

host::Value Command::Item(std::string_view parameterName) {
  for (const host::Parameter& parameter : parameters_) {
    if (tsql::EqualsIgnoreCase(parameter.name, parameterName)) {
      return parameter.value.value_or(host::Value());
    }
  }
  throw host::HostError(kItemNotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name: parameter '" +
                            std::string(parameterName) + "'",
                        "ADODB.Command");
}

}  // namespace orla::sqlite
