// The runs going on and those waiting for a run slot, in order of arrival. Waiting holds no
// thread: a run that gets its slot is started by whoever freed it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace orla::serve {

struct RunControl {
  using Clock = std::chrono::steady_clock;

  std::string id;
  std::string operation;
  std::string owner;       // who may stop it; empty: anyone who may use the server
  bool needsTurn = false;  // fills ## tables, which every run shares by name
  Clock::time_point started = Clock::now();
  std::atomic<bool> stop{false};
  std::chrono::duration<double> queued{0};
  std::atomic<bool> running{false};  // past TempDB's turn
  std::atomic<int64_t> steps{0};
  std::atomic<int> statements{0};

  // Under the queue's lock.
  bool admitted = false;
  bool holdsTurn = false;
};

class RunQueue {
 public:
  // maxRuns >= 1 run at once; beyond them up to maxQueued wait.
  RunQueue(int maxRuns, int maxQueued);

  // Puts the run in line. `start` is called once it has a slot (and TempDB's turn when it
  // needs one), `leftLine` instead when it is stopped while waiting; either on this thread
  // or on the one that freed the slot or stopped it, never under the queue's lock. Raises
  // HttpError: 409 for an id already in use, 503 with Retry-After when the line is full.
  void Enter(const std::shared_ptr<RunControl>& run, std::function<void()> start,
             std::function<void()> leftLine);
  // The run that was started is over: its slot and turn go to the next.
  void Leave(RunControl& run);
  // The run's statements are over; what it still writes reads no working table.
  void EndTurn(RunControl& run);
  // Stops one run: a waiting one leaves the line; a running one stops at its next check.
  void Stop(RunControl& run);
  void StopAll();

  // Raises HttpError 404 when no run has that id.
  std::shared_ptr<RunControl> Find(const std::string& id);
  nlohmann::ordered_json Progress(const RunControl& run);
  // {"runs":[...]} of every run going on or waiting.
  nlohmann::ordered_json List();

 private:
  struct Waiter {
    std::shared_ptr<RunControl> run;
    std::function<void()> start;
    std::function<void()> leftLine;
  };
  using Calls = std::deque<std::function<void()>>;

  bool CanStart(const RunControl& run) const;
  // Admits the waiters that can start, in order of arrival; gives their starts.
  Calls Dispatch();
  nlohmann::ordered_json ProgressLocked(const RunControl& run) const;
  static void Call(Calls calls);

  const int maxRuns_;
  const int maxQueued_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<RunControl>> runs_;
  std::deque<Waiter> line_;
  int active_ = 0;
  bool turnTaken_ = false;
};

}  // namespace orla::serve
