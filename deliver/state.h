// What deliveries remember between runs, kept beside the subscriptions file: for each
// subscription the due minute it last handled and how that went, and for each message in
// the outbox when to try it again.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "host/date_time.h"

namespace orla::deliver {

// A state file that cannot be read or written; the message names it. Deliveries stop
// rather than risk sending twice.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SubscriptionState {
  // When a due check first saw the subscription: missed minutes before it are not owed.
  std::optional<host::DateTime> since;
  std::optional<host::DateTime> slot;       // the due minute last handled
  std::optional<host::DateTime> delivered;  // when it last ran to its end
  std::string outcome;                      // the last outcome, one line
  std::string error;                        // the last error; empty when it went well
};

struct PendingMail {
  std::string subscription;
  int tries = 0;
  std::optional<host::DateTime> next;  // no try before this
  std::string error;                   // why the last try failed
};

struct State {
  std::map<std::string, SubscriptionState> subscriptions;
  std::map<std::string, PendingMail> outbox;  // by the message's file name
};

// An absent file is an empty state; raises StateError for one that cannot be read.
State LoadState(const std::filesystem::path& file);
// Whole or not at all; raises StateError.
void SaveState(const std::filesystem::path& file, const State& state);

}  // namespace orla::deliver
