// Decorators of the host's database object, its command objects and the recordsets they
// give, that count every call the library makes on them and fail the Nth one: it raises a
// database error, or, for a command's output parameter, gives nothing back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/command.h"
#include "host/database.h"

namespace orla::fault {

enum class FaultKind {
  Raise,     // the call raises, as a refused statement would
  Lost,      // the call and every later one raise, as on a lost connection
  Withhold,  // Command.Item gives null, as an output parameter the procedure never set
};

// Shared by every object the decorators hand out, so that one count runs across the
// database, its commands and their recordsets.
class FaultPlan {
 public:
  // `failAt` counts from 1; 0 never fails.
  FaultPlan(int64_t failAt, FaultKind kind) : failAt_(failAt), kind_(kind) {}

  // Counts the call; raises when it is the one to fail by raising. True when the call must
  // withhold its value instead.
  bool Enter(std::string call);

  // Calls from here on are neither counted nor failed.
  void Disarm() { armed_ = false; }
  // Counts on, raising at the `failAt`th call from here (0: none), to fail the host's own
  // reading of a bound recordset after the operation returned.
  void Rearm(int64_t failAt);

  bool Fired() const { return fired_; }
  // The calls made while armed, in order: the member, with the head of the statement for
  // those that run one ("Database.SQL_Execute UPDATE ##VendasNosBicos SET Val"), and for a
  // recordset the head of the statement that opened it.
  const std::vector<std::string>& Calls() const { return calls_; }

 private:
  int64_t failAt_;
  FaultKind kind_;
  bool armed_ = true;
  bool fired_ = false;
  std::vector<std::string> calls_;
};

std::unique_ptr<host::Database> FaultyDatabase(host::Database& inner,
                                               std::shared_ptr<FaultPlan> plan);
std::unique_ptr<host::Command> FaultyCommand(std::unique_ptr<host::Command> inner,
                                             std::shared_ptr<FaultPlan> plan);

}  // namespace orla::fault
