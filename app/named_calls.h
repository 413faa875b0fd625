// A database error that says which of the host's calls failed, as the SQL trace names it
// ("SQL_Execute: T-SQL adapter: 245: ...", "Command.Execute _RPT_VTR: ..."): the library
// makes several calls in one operation, and its error report names only the operation.
#pragma once

#include <memory>

#include "host/command.h"
#include "host/database.h"

namespace orla::app {

std::unique_ptr<host::Database> NameFailedCalls(host::Database& database);
std::unique_ptr<host::Command> NameFailedCalls(std::unique_ptr<host::Command> command);

}  // namespace orla::app
