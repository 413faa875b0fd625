// A run's pages as the viewer reads them: drawn on the run's thread, one after another, into
// an unnamed temporary file with an index in memory, and read from there by any request,
// page by page, so the server holds no report in memory and the browser asks only for the
// pages it shows.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/svg_pages.h"

namespace orla::serve {

class PageStore final : public engine::PageSink {
 public:
  // The file goes in `folder`, under no name. `stop` is looked at before each page is kept:
  // when it is set, Page raises and the drawing ends.
  PageStore(const std::filesystem::path& folder, const std::atomic<bool>& stop);
  ~PageStore() override;
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  void Counted(int pages) override;
  void Font(const engine::PageFont& font) override;
  void Page(std::string svg, std::string text) override;
  void Ahead(std::string svg, std::string text) override;
  // No more pages will come: all were drawn (`error` empty) or the drawing failed or stopped.
  void Finish(std::string error = {});

  struct Status {
    int pages = 0;             // drawn so far
    bool ahead = false;        // page 1 drawn ahead of the count, shown until page 1 comes
    std::optional<int> total;  // once counted
    bool done = false;
    std::string error;
    std::vector<engine::PageFont> fonts;
  };
  Status GetStatus() const;

  // Page `number` (from 1) once drawn, or the page drawn ahead while page 1 is not; nothing
  // when there is no such page and will be none.
  // Raises std::runtime_error when the file cannot be read.
  std::optional<std::string> PageSvg(int number) const;

  // The pages where `query` is found, ignoring case and accents, each with how many times;
  // at most `limit` pages, in order. Only the pages drawn so far are looked at.
  nlohmann::ordered_json Find(std::string_view query, size_t limit) const;

  // Calls `call` once, with no lock held, when `ready` (asked under the store's lock and at
  // once) says the state the caller waits for has come: at once when it already has.
  void WhenReady(std::function<bool(const Status&)> ready, std::function<void()> call);

 private:
  struct Entry {
    uint64_t offset;
    uint32_t svg;
    uint32_t text;
  };
  struct Waiter {
    std::function<bool(const Status&)> ready;
    std::function<void()> call;
  };

  Status StatusLocked() const;
  void Changed(std::unique_lock<std::mutex>& lock);
  std::string Read(uint64_t offset, size_t length) const;

  int fd_;
  const std::atomic<bool>& stop_;
  mutable std::mutex mutex_;
  std::vector<Entry> index_;
  uint64_t end_ = 0;
  std::optional<int> total_;
  bool done_ = false;
  std::string error_;
  std::vector<engine::PageFont> fonts_;
  std::optional<std::string> ahead_;
  std::vector<Waiter> waiters_;
};

// `text` with ASCII letters in lower case and the accents of Latin letters taken off
// ("AÇÃO" gives "acao"), as the page does when it marks what was found.
std::string FoldForFind(std::string_view text);

// The file of a font some run's pages named, by the name of the file; nothing for any
// other name, so that the server gives out no file but those.
std::optional<std::filesystem::path> PageFontFile(std::string_view name);

}  // namespace orla::serve
