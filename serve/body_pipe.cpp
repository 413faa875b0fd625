#include "serve/body_pipe.h"

#include <utility>

namespace orla::serve {

void BodyPipe::Write(std::string_view bytes) {
  std::unique_lock lock(mutex_);
  drained_.wait(lock, [this] { return abandoned_ || buffer_.size() < capacity_; });
  if (abandoned_) {
    throw ReaderGone();
  }
  buffer_.append(bytes);
  Notify(lock);
}

void BodyPipe::Finish(bool complete) {
  std::unique_lock lock(mutex_);
  finished_ = true;
  complete_ = complete;
  Notify(lock);
}

void BodyPipe::WhenReady(std::function<void()> ready) {
  std::unique_lock lock(mutex_);
  ready_ = std::move(ready);
  if (!buffer_.empty() || finished_) {
    Notify(lock);
  }
}

BodyPipe::Piece BodyPipe::Take() {
  std::lock_guard lock(mutex_);
  Piece piece;
  piece.bytes.swap(buffer_);
  piece.end = finished_;
  piece.complete = complete_;
  drained_.notify_all();
  return piece;
}

void BodyPipe::Abandon() {
  std::lock_guard lock(mutex_);
  abandoned_ = true;
  ready_ = nullptr;
  drained_.notify_all();
}

void BodyPipe::Notify(std::unique_lock<std::mutex>& lock) {
  std::function<void()> ready = std::exchange(ready_, nullptr);
  lock.unlock();
  if (ready) {
    ready();
  }
}

PipeWriter::int_type PipeWriter::overflow(int_type c) {
  sync();
  if (c != traits_type::eof()) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int PipeWriter::sync() {
  if (pptr() > pbase()) {
    pipe_.Write(std::string_view(pbase(), static_cast<size_t>(pptr() - pbase())));
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  return 0;
}

}  // namespace orla::serve
