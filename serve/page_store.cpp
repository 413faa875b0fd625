#include "serve/page_store.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace orla::serve {

namespace {

// The Latin-1 letters with accents, from U+00C0, as the letter without them; 0 for the signs
// among them that are no such letter.
constexpr char kLatinBase[] =
    "aaaaaa\0ceeeeiiii"
    "\0nooooo\0\0uuuuy\0\0"
    "aaaaaa\0ceeeeiiii"
    "\0nooooo\0\0uuuuy\0y";
static_assert(sizeof kLatinBase == 64 + 1);

int OpenUnnamed(const std::filesystem::path& folder) {
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A file system without unnamed files: a name that lives only until it is opened.
    std::string name = (folder / "paginas-XXXXXX").string();
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
      unlink(name.c_str());
    }
  }
  if (fd < 0) {
    throw std::system_error(errno, std::generic_category(), "cannot keep the pages");
  }
  return fd;
}

std::mutex fontsMutex;
std::map<std::string, std::filesystem::path, std::less<>> fontFiles;

}  // namespace

std::string FoldForFind(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      ++i;
      continue;
    }
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    uint32_t code = 0;
    if (length == 2 && i + 1 < text.size()) {
      code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
    }
    if (code >= 0xC0 && code <= 0xFF && kLatinBase[code - 0xC0] != '\0') {
      out += kLatinBase[code - 0xC0];
    } else if (!(code >= 0x300 && code <= 0x36F)) {  // combining accents go
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

std::optional<std::filesystem::path> PageFontFile(std::string_view name) {
  std::lock_guard lock(fontsMutex);
  const auto found = fontFiles.find(name);
  if (found == fontFiles.end()) {
    return std::nullopt;
  }
  return found->second;
}

PageStore::PageStore(const std::filesystem::path& folder, const std::atomic<bool>& stop)
    : fd_(OpenUnnamed(folder)), stop_(stop) {}

PageStore::~PageStore() {
  close(fd_);
}

void PageStore::Counted(int pages) {
  std::unique_lock lock(mutex_);
  total_ = pages;
  Changed(lock);
}

void PageStore::Font(const engine::PageFont& font) {
  {
    std::lock_guard lock(fontsMutex);
    fontFiles.emplace(font.file.filename().string(), font.file);
  }
  std::lock_guard lock(mutex_);
  // The page drawn ahead and the pages after it each meet the fonts anew.
  for (const engine::PageFont& known : fonts_) {
    if (known.family == font.family) {
      return;
    }
  }
  fonts_.push_back(font);
}

void PageStore::Ahead(std::string svg, std::string) {
  std::unique_lock lock(mutex_);
  if (index_.empty()) {
    ahead_ = std::move(svg);
    Changed(lock);
  }
}

void PageStore::Page(std::string svg, std::string text) {
  if (stop_) {
    throw std::runtime_error("the run was stopped");
  }
  const std::string both = svg + text;
  for (size_t written = 0; written < both.size();) {
    const ssize_t n = pwrite(fd_, both.data() + written, both.size() - written,
                             static_cast<off_t>(end_ + written));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      throw std::system_error(errno, std::generic_category(), "cannot keep a page");
    }
    written += static_cast<size_t>(n);
  }
  std::unique_lock lock(mutex_);
  index_.push_back({end_, static_cast<uint32_t>(svg.size()), static_cast<uint32_t>(text.size())});
  ahead_.reset();
  end_ += both.size();
  Changed(lock);
}

void PageStore::Finish(std::string error) {
  std::unique_lock lock(mutex_);
  done_ = true;
  error_ = std::move(error);
  Changed(lock);
}

PageStore::Status PageStore::GetStatus() const {
  std::lock_guard lock(mutex_);
  return StatusLocked();
}

PageStore::Status PageStore::StatusLocked() const {
  return {static_cast<int>(index_.size()),
          ahead_.has_value() && index_.empty(),
          total_,
          done_,
          error_,
          fonts_};
}

std::optional<std::string> PageStore::PageSvg(int number) const {
  Entry entry{};
  {
    std::lock_guard lock(mutex_);
    if (number == 1 && index_.empty() && ahead_) {
      return ahead_;
    }
    if (number < 1 || static_cast<size_t>(number) > index_.size()) {
      return std::nullopt;
    }
    entry = index_[static_cast<size_t>(number) - 1];
  }
  return Read(entry.offset, entry.svg);
}

nlohmann::ordered_json PageStore::Find(std::string_view query, size_t limit) const {
  const std::string folded = FoldForFind(query);
  std::vector<Entry> entries;
  {
    std::lock_guard lock(mutex_);
    entries = index_;
  }
  nlohmann::ordered_json pages = nlohmann::ordered_json::array();
  int64_t matches = 0;
  for (size_t p = 0; p < entries.size() && !folded.empty(); ++p) {
    const std::string text = FoldForFind(Read(entries[p].offset + entries[p].svg, entries[p].text));
    int count = 0;
    for (size_t at = text.find(folded); at != std::string::npos;
         at = text.find(folded, at + folded.size())) {
      ++count;
    }
    if (count > 0) {
      matches += count;
      if (pages.size() < limit) {
        pages.push_back({{"page", p + 1}, {"count", count}});
      }
    }
  }
  return {{"query", query}, {"searched", entries.size()}, {"matches", matches}, {"pages", pages}};
}

void PageStore::WhenReady(std::function<bool(const Status&)> ready, std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    if (!ready(StatusLocked())) {
      waiters_.push_back({std::move(ready), std::move(call)});
      return;
    }
  }
  call();
}

void PageStore::Changed(std::unique_lock<std::mutex>& lock) {
  const Status status = StatusLocked();
  std::vector<std::function<void()>> calls;
  std::erase_if(waiters_, [&](Waiter& waiter) {
    if (!waiter.ready(status)) {
      return false;
    }
    calls.push_back(std::move(waiter.call));
    return true;
  });
  lock.unlock();
  for (const auto& call : calls) {
    call();
  }
}

std::string PageStore::Read(uint64_t offset, size_t length) const {
  std::string bytes(length, '\0');
  for (size_t done = 0; done < length;) {
    const ssize_t n =
        pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      throw std::runtime_error("cannot read a kept page");
    }
    done += static_cast<size_t>(n);
  }
  return bytes;
}

}  // namespace orla::serve
