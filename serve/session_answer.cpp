// The writing half of a session: an answer's head, then its body, whole, from a file or
// as it is made, with no deadline while the client reads.
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/chunk_encode.hpp>
#include <boost/beast/http/write.hpp>
#include <unistd.h>

#include "serve/session.h"

namespace orla::serve {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;

namespace {

constexpr size_t kFilePiece = 64 * 1024;

}  // namespace

void Session::Answer(Reply reply) {
  if (gone_ || answered_) {
    return;
  }
  if (writing_) {
    pending_ = std::move(reply);
    return;
  }
  answered_ = true;
  probing_ = false;
  probeTimer_.cancel();
  beast::error_code ignored;
  stream_.socket().cancel(ignored);  // the watch for a hang-up
  if (host_.log != nullptr) {
    *host_.log << method_ << ' ' << path_ << ' ' << reply.status << '\n';
  }
  reply_ = std::move(reply);
  WriteHead();
}

void Session::WriteHead() {
  head_.emplace(static_cast<http::status>(reply_.status), version_);
  head_->set(http::field::content_type, reply_.contentType);
  for (const auto& [name, value] : reply_.headers) {
    head_->insert(name, value);
  }
  bool keep = keepAlive_ && !reply_.close && !stopping_;
  chunked_ = false;
  if (reply_.stream) {
    if (version_ >= 11) {
      head_->chunked(true);
      chunked_ = true;
    } else {
      keep = false;  // the end of the connection ends the body
    }
  } else {
    head_->content_length(reply_.file ? reply_.file->size : reply_.body.size());
  }
  head_->keep_alive(keep);
  keepAlive_ = keep;
  bodyEnded_ = false;
  fileSent_ = 0;
  // No deadline while the answer is written: a reader may pause as long as it likes.
  stream_.expires_never();
  headWriter_.emplace(*head_);
  writing_ = true;
  http::async_write_header(
      stream_, *headWriter_,
      [self = shared_from_this()](beast::error_code error, size_t) { self->Sent(error); });
}

void Session::Sent(beast::error_code error) {
  writing_ = false;
  if (error) {
    HangUp();
    return;
  }
  if (bodyEnded_) {
    Done();
    return;
  }
  SendMore();
}

void Session::SendMore() {
  auto self = shared_from_this();
  if (reply_.stream) {
    reply_.stream->WhenReady([weak = weak_from_this(), executor = stream_.get_executor()] {
      net::post(executor, [weak] {
        if (auto s = weak.lock()) {
          s->OnPiece();
        }
      });
    });
    return;
  }
  writing_ = true;
  if (reply_.file) {
    piece_.resize(kFilePiece);
    const ssize_t n =
        pread(reply_.file->fd, piece_.data(), piece_.size(), static_cast<off_t>(fileSent_));
    if (n <= 0) {
      writing_ = false;
      // A file that cannot be read whole cannot be answered whole.
      n == 0 && fileSent_ == reply_.file->size ? Done() : Close();
      return;
    }
    piece_.resize(static_cast<size_t>(n));
    fileSent_ += static_cast<uint64_t>(n);
    bodyEnded_ = fileSent_ == reply_.file->size;
    net::async_write(stream_, net::buffer(piece_),
                     [self](beast::error_code error, size_t) { self->Sent(error); });
    return;
  }
  bodyEnded_ = true;
  net::async_write(stream_, net::buffer(reply_.body),
                   [self](beast::error_code error, size_t) { self->Sent(error); });
}

void Session::OnPiece() {
  if (gone_ || !reply_.stream) {
    return;
  }
  BodyPipe::Piece piece = reply_.stream->Take();
  auto self = shared_from_this();
  if (piece.end && !piece.complete) {
    // Broken off: the client must not take what came as the whole answer.
    Close();
    return;
  }
  bodyEnded_ = piece.end;
  if (piece.bytes.empty() && !piece.end) {
    SendMore();
    return;
  }
  piece_ = std::move(piece.bytes);
  writing_ = true;
  auto sent = [self](beast::error_code error, size_t) { self->Sent(error); };
  if (!chunked_) {
    if (piece_.empty()) {
      writing_ = false;
      Done();
    } else {
      net::async_write(stream_, net::buffer(piece_), sent);
    }
  } else if (piece_.empty()) {
    net::async_write(stream_, http::make_chunk_last(), sent);
  } else if (piece.end) {
    // The last piece and the end of the chunks in one write.
    net::async_write(stream_, http::make_chunk(net::buffer(piece_)),
                     [self](beast::error_code error, size_t) {
                       if (error) {
                         self->writing_ = false;
                         self->HangUp();
                         return;
                       }
                       net::async_write(self->stream_, http::make_chunk_last(),
                                        [self](beast::error_code e, size_t) { self->Sent(e); });
                     });
  } else {
    net::async_write(stream_, http::make_chunk(net::buffer(piece_)), sent);
  }
}

void Session::Done() {
  reply_ = Reply{};
  headWriter_.reset();
  head_.reset();
  exchange_.reset();
  hangUp_ = nullptr;
  waiting_.reset();
  const std::shared_ptr<Session> self = std::move(self_);
  if (keepAlive_ && !stopping_) {
    ReadRequest();
  } else {
    beast::error_code ignored;
    stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
    Close();
  }
}

}  // namespace orla::serve
