// An answer's body on its way from the thread that makes it to the connection that sends
// it. The maker waits while the pipe is full, so a reader that pauses slows the report's
// rendering down instead of filling the server's memory, and is never cut off for it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace orla::serve {

// The reader of an answer went away.
class ReaderGone : public std::runtime_error {
 public:
  ReaderGone() : std::runtime_error("the client went away") {}
};

class BodyPipe {
 public:
  static constexpr size_t kCapacity = 256 * 1024;

  explicit BodyPipe(size_t capacity = kCapacity) : capacity_(capacity) {}

  // The maker's side. Write waits while the pipe holds `capacity` bytes or more; both raise
  // ReaderGone once the reader is gone. Finish(false): the body broke off and the reader
  // must see it incomplete.
  void Write(std::string_view bytes);
  void Finish(bool complete = true);

  // The sender's side. `ready` is called once, on the maker's thread or at once, when there
  // are bytes to take or the end has come.
  void WhenReady(std::function<void()> ready);
  struct Piece {
    std::string bytes;
    bool end = false;      // nothing follows
    bool complete = true;  // with end: the body is whole
  };
  Piece Take();
  // The reader is gone: the maker's next Write raises ReaderGone.
  void Abandon();

 private:
  void Notify(std::unique_lock<std::mutex>& lock);

  const size_t capacity_;
  std::mutex mutex_;
  std::condition_variable drained_;
  std::string buffer_;
  bool finished_ = false;
  bool complete_ = true;
  bool abandoned_ = false;
  std::function<void()> ready_;
};

// A stream buffer that writes through to a pipe a piece at a time.
class PipeWriter final : public std::streambuf {
 public:
  explicit PipeWriter(BodyPipe& pipe) : pipe_(pipe) { setp(buffer_, buffer_ + sizeof buffer_); }
  ~PipeWriter() override = default;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  BodyPipe& pipe_;
  char buffer_[16 * 1024];
};

}  // namespace orla::serve
