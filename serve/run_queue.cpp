#include "serve/run_queue.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "serve/reply.h"

namespace orla::serve {

namespace {

constexpr int kRetryAfterSeconds = 2;

}  // namespace

RunQueue::RunQueue(int maxRuns, int maxQueued) : maxRuns_(maxRuns), maxQueued_(maxQueued) {
  if (maxRuns < 1 || maxQueued < 0) {
    throw std::invalid_argument("the server needs a run slot and no negative line");
  }
}

void RunQueue::Enter(const std::shared_ptr<RunControl>& run, std::function<void()> start,
                     std::function<void()> leftLine) {
  Calls starts;
  {
    std::lock_guard lock(mutex_);
    if (runs_.contains(run->id)) {
      throw HttpError{409, "a run with id '" + run->id + "' is going on"};
    }
    line_.push_back({run, std::move(start), std::move(leftLine)});
    starts = Dispatch();
    if (!run->admitted && line_.size() > static_cast<size_t>(maxQueued_)) {
      line_.pop_back();
      throw HttpError{503,
                      "the server is running " + std::to_string(active_) + " reports and " +
                          std::to_string(line_.size()) + " more wait their turn; try again later",
                      kRetryAfterSeconds};
    }
    runs_[run->id] = run;
  }
  Call(std::move(starts));
}

void RunQueue::Leave(RunControl& run) {
  Calls starts;
  {
    std::lock_guard lock(mutex_);
    runs_.erase(run.id);
    --active_;
    if (std::exchange(run.holdsTurn, false)) {
      turnTaken_ = false;
    }
    starts = Dispatch();
  }
  Call(std::move(starts));
}

void RunQueue::EndTurn(RunControl& run) {
  Calls starts;
  {
    std::lock_guard lock(mutex_);
    if (!std::exchange(run.holdsTurn, false)) {
      return;
    }
    turnTaken_ = false;
    starts = Dispatch();
  }
  Call(std::move(starts));
}

void RunQueue::Stop(RunControl& run) {
  Calls left;
  {
    std::lock_guard lock(mutex_);
    run.stop = true;
    const auto waiter = std::find_if(line_.begin(), line_.end(),
                                     [&run](const Waiter& w) { return w.run.get() == &run; });
    if (waiter != line_.end()) {
      left.push_back(std::move(waiter->leftLine));
      line_.erase(waiter);
      runs_.erase(run.id);
      // One that waited for TempDB's turn may have kept those behind it waiting too.
      for (auto& start : Dispatch()) {
        left.push_back(std::move(start));
      }
    }
  }
  Call(std::move(left));
}

void RunQueue::StopAll() {
  Calls left;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, run] : runs_) {
      run->stop = true;
    }
    for (Waiter& waiter : line_) {
      runs_.erase(waiter.run->id);
      left.push_back(std::move(waiter.leftLine));
    }
    line_.clear();
  }
  Call(std::move(left));
}

std::shared_ptr<RunControl> RunQueue::Find(const std::string& id) {
  std::lock_guard lock(mutex_);
  const auto found = runs_.find(id);
  if (found == runs_.end()) {
    throw HttpError{404, "no run '" + id + "' is going on"};
  }
  return found->second;
}

nlohmann::ordered_json RunQueue::Progress(const RunControl& run) {
  std::lock_guard lock(mutex_);
  return ProgressLocked(run);
}

nlohmann::ordered_json RunQueue::List() {
  std::lock_guard lock(mutex_);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& [id, run] : runs_) {
    list.push_back(ProgressLocked(*run));
  }
  return {{"runs", std::move(list)}};
}

bool RunQueue::CanStart(const RunControl& run) const {
  return !run.stop && active_ < maxRuns_ && !(run.needsTurn && turnTaken_);
}

// One that waits for TempDB's turn lets those behind it that need none take a free slot: a
// slot held while waiting for the turn would stand idle.
RunQueue::Calls RunQueue::Dispatch() {
  Calls starts;
  for (auto waiter = line_.begin(); waiter != line_.end();) {
    RunControl& run = *waiter->run;
    if (!CanStart(run)) {
      ++waiter;
      continue;
    }
    run.admitted = true;
    run.queued = RunControl::Clock::now() - run.started;
    ++active_;
    if (run.needsTurn) {
      turnTaken_ = true;
      run.holdsTurn = true;
    }
    starts.push_back(std::move(waiter->start));
    waiter = line_.erase(waiter);
  }
  return starts;
}

// "queued" waits for a run slot (its place in the line is "position", from 1); "waiting"
// has a slot and waits for TempDB's turn.
nlohmann::ordered_json RunQueue::ProgressLocked(const RunControl& run) const {
  const double seconds =
      std::chrono::duration<double>(RunControl::Clock::now() - run.started).count();
  nlohmann::ordered_json progress{{"id", run.id},
                                  {"operation", run.operation},
                                  {"state", run.stop        ? "stopping"
                                            : !run.admitted ? "queued"
                                            : run.running   ? "running"
                                                            : "waiting"},
                                  {"statements", run.statements.load()},
                                  {"steps", run.steps.load()},
                                  {"seconds", std::round(seconds * 10) / 10}};
  if (!run.admitted) {
    const auto place = std::find_if(line_.begin(), line_.end(),
                                    [&run](const Waiter& w) { return w.run.get() == &run; });
    progress["position"] = place - line_.begin() + 1;
  }
  return progress;
}

void RunQueue::Call(Calls calls) {
  for (auto& call : calls) {
    if (call) {
      call();
    }
  }
}

}  // namespace orla::serve
