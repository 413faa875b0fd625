// The command object ("ADODB.Command") on the embedded database. On Execute it opens its
// own connection on ActiveConnection (a connection string of database.h), runs, and closes
// it; what it wrote to ## tables stays readable through any other connection (TempDB,
// connection.h).
//
// CommandType 4 runs a stored procedure by name (procedures.h) with the appended
// parameters; its output parameters are read back with Item(name). CommandType 1 (text)
// and 8 (unknown) run CommandText as a T-SQL batch.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/command.h"

namespace orla::sqlite {

// Makes a command object for the programmatic name "ADODB.Command" (letter case ignored);
// raises host::HostError 429 for any other name.
std::unique_ptr<host::Command> CreateCommand(std::string_view progId);

class Command final : public host::Command, private host::ParameterCollection {
 public:
  void SetActiveConnection(const std::string& connection) override { connection_ = connection; }
  void SetCommandTimeout(int32_t seconds) override { timeout_ = seconds; }
  void SetCommandType(int32_t type) override { type_ = type; }
  void SetCommandText(const std::string& text) override { text_ = text; }
  host::Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                  int32_t size, std::optional<host::Value> value) override;
  host::ParameterCollection& Parameters() override { return *this; }
  host::RecordsetRef Execute() override;
  // Raises host::HostError 3265 for a name no appended parameter has.
  host::Value Item(std::string_view parameterName) override;

  int32_t CommandTimeout() const { return timeout_; }

 private:
  void Append(host::Parameter parameter) override { parameters_.push_back(std::move(parameter)); }

  std::string connection_;
  int32_t timeout_ = 30;  // the command object's own default; SQLite runs without a limit
  int32_t type_ = 8;      // unknown
  std::string text_;
  std::vector<host::Parameter> parameters_;
};

}  // namespace orla::sqlite
