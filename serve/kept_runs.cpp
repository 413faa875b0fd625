#include "serve/kept_runs.h"

#include <algorithm>
#include <vector>

#include "engine/render.h"
#include "serve/reply.h"

namespace orla::serve {

std::shared_ptr<engine::Report> KeptRun::Report::Read() const {
  std::shared_ptr<engine::Report> report = engine::ReportFromJsonFile(file);
  report->SetPrintedBy(printedBy);
  report->SetLinks(links);
  return report;
}

KeptRun::KeptRun(std::string viewerId, std::shared_ptr<RunControl> runControl,
                 const std::filesystem::path& folder)
    : viewer(std::move(viewerId)), control(std::move(runControl)), pages(folder, control->stop) {}

KeptRun::~KeptRun() {
  if (report_) {
    std::error_code ignored;
    std::filesystem::remove(report_->file, ignored);
  }
}

void KeptRun::SetReport(Report report) {
  std::lock_guard lock(mutex_);
  report_ = std::move(report);
}

std::optional<KeptRun::Report> KeptRun::GetReport() const {
  std::lock_guard lock(mutex_);
  return report_;
}

KeptRuns::KeptRuns(RunQueue& queue, Limits limits) : queue_(queue), limits_(limits) {}

void KeptRuns::Keep(const std::shared_ptr<KeptRun>& run) {
  std::vector<std::shared_ptr<KeptRun>> dropped;
  {
    std::lock_guard lock(mutex_);
    const auto now = KeptRun::Clock::now();
    std::vector<std::shared_ptr<KeptRun>> client;
    for (auto it = runs_.begin(); it != runs_.end();) {
      const KeptRun& kept = *it->second;
      const bool same = kept.control->owner == run->control->owner;
      if (now - kept.used_ > limits_.idle || (same && kept.viewer == run->viewer)) {
        dropped.push_back(it->second);
        it = runs_.erase(it);
      } else {
        if (same) {
          client.push_back(it->second);
        }
        ++it;
      }
    }
    const auto older = [](const std::shared_ptr<KeptRun>& a, const std::shared_ptr<KeptRun>& b) {
      return a->used_ < b->used_;
    };
    std::sort(client.begin(), client.end(), older);
    for (size_t i = 0; i + limits_.perClient <= client.size(); ++i) {
      dropped.push_back(client[i]);
      runs_.erase(client[i]->control->id);
    }
    while (runs_.size() + 1 > limits_.overall) {
      const auto oldest =
          std::min_element(runs_.begin(), runs_.end(),
                           [&](const auto& a, const auto& b) { return older(a.second, b.second); });
      dropped.push_back(oldest->second);
      runs_.erase(oldest);
    }
    runs_[run->control->id] = run;
  }
  // Stopped outside the lock: a run still waiting for its slot answers its request now.
  for (const auto& gone : dropped) {
    queue_.Stop(*gone->control);
    gone->pages.Finish("the run was dropped");
  }
}

std::shared_ptr<KeptRun> KeptRuns::Find(const std::string& id, const std::string& client) {
  std::lock_guard lock(mutex_);
  const auto found = runs_.find(id);
  if (found == runs_.end()) {
    throw HttpError{404, "no run '" + id + "' is kept: it ended long ago, or another replaced it"};
  }
  if (found->second->control->owner != client) {
    throw HttpError{403, "run '" + id + "' is another client's"};
  }
  found->second->used_ = KeptRun::Clock::now();
  return found->second;
}

}  // namespace orla::serve
