// The SQL trace: one JSON object per line for every call the library makes on the database
// object and on command objects, in order, with the exact text it passed.
#pragma once

#include <memory>
#include <ostream>

#include "host/command.h"
#include "host/database.h"

namespace orla::app {

class SqlTrace {
 public:
  explicit SqlTrace(std::ostream& out) : out_(out) {}

  // Wrappers that write each call to the trace before passing it on.
  std::unique_ptr<host::Database> Wrap(host::Database& database);
  std::unique_ptr<host::Command> Wrap(std::unique_ptr<host::Command> command);

  void Write(const std::string& line);

 private:
  std::ostream& out_;
};

}  // namespace orla::app
