// Deliveries: the reports of the subscriptions that are due, written to their folders and
// queued as mail, then the outbox sent; every outcome one line in the log.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/periods.h"
#include "deliver/config.h"
#include "deliver/outbox.h"
#include "deliver/state.h"
#include "host/date_time.h"

namespace orla::deliver {

struct DeliveryOptions {
  std::filesystem::path database;
  host::DateTime now;   // the clock's minute, or the one asked for
  bool dryRun = false;  // say what would be done; write, send and remember nothing
};

// The period a subscription's report covers when delivered on `day`: its preset's, with the
// dates its parameters give in their place, else the report's own defaults on that day.
app::Period PeriodOn(const Subscription& subscription, const host::DateTime& day);

class Deliverer {
 public:
  // `state` is read and changed; the caller keeps it, saved after each delivery.
  Deliverer(const Config& config, State& state, DeliveryOptions options, std::ostream& log);

  // What is due at the options' minute: for each subscription the latest of its minutes
  // since the one it last handled (or since it was first seen), once. Gives false when any
  // delivery failed.
  bool RunDue();
  // One subscription now, whether due or not; its due minutes are left as they were.
  bool RunNow(const Subscription& subscription);
  // Sends what waits in the outbox and is not held back after a failed try; gives false
  // when any message could not be sent.
  bool SendOutbox();

 private:
  // Runs the report, writes its files, queues its mail; records the outcome.
  bool Deliver(const Subscription& subscription, const host::DateTime& due);
  void Log(const std::string& subscription, const std::string& text);
  void Save();

  const Config& config_;
  State& state_;
  DeliveryOptions options_;
  std::ostream& log_;
  ConfigFiles files_;
  Outbox outbox_;
};

}  // namespace orla::deliver
