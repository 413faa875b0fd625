// The database command object ("ADODB.Command"), created by programmatic name, with which
// the library runs stored procedures on its own connection.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/database.h"
#include "host/value.h"

namespace orla::host {

// The numbers the command object's published interface gives these meanings.
namespace ado {
inline constexpr int32_t kCmdStoredProc = 4;  // CommandType
inline constexpr int32_t kDate = 7;           // parameter types
inline constexpr int32_t kBoolean = 11;
inline constexpr int32_t kVarChar = 200;
inline constexpr int32_t kParamInput = 1;  // parameter directions
inline constexpr int32_t kParamOutput = 2;
}  // namespace ado

inline constexpr std::string_view kCommandProgId = "ADODB.Command";

struct Parameter {
  std::string name;
  int32_t type = 0;
  int32_t direction = ado::kParamInput;
  int32_t size = 0;
  std::optional<Value> value;  // none when created without a value (an output parameter)
};

class ParameterCollection {
 public:
  virtual ~ParameterCollection() = default;
  virtual void Append(Parameter parameter) = 0;
};

class Command {
 public:
  virtual ~Command() = default;

  virtual void SetActiveConnection(const std::string& connection) = 0;
  virtual void SetCommandTimeout(int32_t seconds) = 0;  // 0: no limit
  virtual void SetCommandType(int32_t type) = 0;
  virtual void SetCommandText(const std::string& text) = 0;
  virtual Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                    int32_t size, std::optional<Value> value = std::nullopt) = 0;
  virtual ParameterCollection& Parameters() = 0;
  virtual RecordsetRef Execute() = 0;
  // The default member: the value of the parameter of that name (after Execute, the value
  // an output parameter received).
  virtual Value Item(std::string_view parameterName) = 0;
};

}  // namespace orla::host
