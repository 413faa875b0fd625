#include "serve/session.h"

#include <algorithm>
#include <cctype>

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/chunk_encode.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "app/output.h"
#include "serve/guards.h"
#include "serve/routes.h"

namespace orla::serve {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;

namespace {

constexpr size_t kMaxHeader = 16 * 1024;
constexpr size_t kMaxBody = 64 * 1024;

constexpr auto kProbeEvery = std::chrono::milliseconds(300);
// A client whose machine vanishes without closing is given up after this long without an
// acknowledgement; one that is there but does not read is waited for.
constexpr int kUnacknowledgedMs = 60'000;

// Asks a client that shut its side down whether it is still there: one that closed
// altogether answers the next bytes with a reset, and the write after that fails. An
// HTTP/1.1 client takes an interim answer and waits on for the real one.
constexpr std::string_view kProcessing = "HTTP/1.1 102 Processing\r\n\r\n";

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void KeepWatch(net::ip::tcp::socket& socket) {
  const int fd = socket.native_handle();
  const int on = 1;
  const int idle = 30;
  const int interval = 10;
  const int count = 3;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
  setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUnacknowledgedMs, sizeof kUnacknowledgedMs);
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

// Handed to the routes for one request; reaches the session only while that request is
// the one it answers.
class Session::Exchange final : public serve::Exchange,
                                public std::enable_shared_from_this<Session::Exchange> {
 public:
  Exchange(std::weak_ptr<Session> session, net::any_io_executor executor)
      : session_(std::move(session)), executor_(std::move(executor)) {}

  void Answer(Reply reply) override {
    net::post(executor_,
              [session = session_, self = shared_from_this(), reply = std::move(reply)]() mutable {
                if (auto s = session.lock(); s && s->exchange_ == self) {
                  s->Answer(std::move(reply));
                }
              });
  }

  void OnHangUp(std::function<void()> call) override {
    net::post(executor_,
              [session = session_, self = shared_from_this(), call = std::move(call)]() mutable {
                auto s = session.lock();
                if (!s || s->gone_) {
                  call();
                } else if (s->exchange_ == self) {
                  s->hangUp_ = std::move(call);
                }
              });
  }

 private:
  std::weak_ptr<Session> session_;
  net::any_io_executor executor_;
};

Session::Session(net::ip::tcp::socket socket, SessionHost& host, std::string address)
    : stream_(std::move(socket)),
      host_(host),
      address_(std::move(address)),
      probeTimer_(stream_.get_executor()) {}

Session::~Session() {
  if (host_.closed) {
    host_.closed(address_);
  }
}

void Session::Start() {
  KeepWatch(stream_.socket());
  ReadRequest();
}

void Session::Shutdown() {
  stopping_ = true;
  if (!exchange_) {
    Close();
  } else if (reply_.stream) {
    reply_.stream->Abandon();
    Close();
  }
}

void Session::ReadRequest() {
  parser_.emplace();
  parser_->header_limit(kMaxHeader);
  parser_->body_limit(kMaxBody);
  stream_.expires_after(host_.requestTime);
  http::async_read(
      stream_, buffer_, *parser_,
      [self = shared_from_this()](beast::error_code error, size_t) { self->OnRead(error); });
}

void Session::OnRead(beast::error_code error) {
  if (error) {
    if (error == http::error::body_limit) {
      Refuse(413, "the request body is larger than " + std::to_string(kMaxBody / 1024) + " KiB");
    } else if (error == http::error::header_limit) {
      Refuse(431,
             "the request's header is larger than " + std::to_string(kMaxHeader / 1024) + " KiB");
    } else if (error == http::error::bad_transfer_encoding ||
               error == http::error::bad_content_length) {
      Refuse(400, "a request may give one Content-Length or Transfer-Encoding, not both");
    } else if (error.category() == http::make_error_code(http::error::bad_method).category() &&
               error != http::error::end_of_stream && error != http::error::partial_message) {
      Refuse(400, "the request is not HTTP as this server reads it: " + error.message());
    } else {
      // The client closed, or sent nothing whole in time.
      Close();
    }
    return;
  }
  const auto& message = parser_->get();
  Request request;
  request.method = std::string(message.method_string());
  const std::string_view target(message.target().data(), message.target().size());
  const size_t question = std::min(target.find('?'), target.size());
  if (!DecodeUrl(target.substr(0, question), request.path, false) ||
      !DecodeForm(target.substr(std::min(question + 1, target.size())), request.query)) {
    Refuse(400, "the request's address has a broken %-escape");
    return;
  }
  for (const auto& field : message) {
    std::string& value = request.headers[Lowercase(std::string(field.name_string()))];
    value += (value.empty() ? "" : ", ") + std::string(field.value());
  }
  try {
    CheckFraming(request);
  } catch (const HttpError& e) {
    Refuse(e.status, e.message);
    return;
  }
  request.body = message.body();
  request.clientAddress = address_;
  beast::error_code ignored;
  request.localAddress = stream_.socket().local_endpoint(ignored).address().to_string();

  version_ = message.version();
  keepAlive_ = message.keep_alive();
  method_ = request.method;
  path_ = request.path;
  answered_ = false;
  probing_ = false;
  exchange_ = std::make_shared<Exchange>(weak_from_this(), stream_.get_executor());
  self_ = shared_from_this();
  waiting_.emplace(net::prefer(stream_.get_executor(), net::execution::outstanding_work.tracked));
  host_.routes->Handle(request, exchange_);
  WatchHangUp();
}

void Session::Refuse(int status, const std::string& message) {
  version_ = parser_ && parser_->is_header_done() ? parser_->get().version() : 11;
  keepAlive_ = false;
  method_ = "-";
  path_ = "-";
  exchange_ = std::make_shared<Exchange>(weak_from_this(), stream_.get_executor());
  Reply reply = Reply::Error({status, message});
  reply.close = true;
  Answer(std::move(reply));
}

void Session::WatchHangUp() {
  if (answered_ || gone_ || buffer_.size() > 0) {
    return;
  }
  stream_.socket().async_wait(
      net::ip::tcp::socket::wait_read, [self = shared_from_this()](beast::error_code error) {
        if (error == net::error::operation_aborted || self->answered_ || self->gone_) {
          return;
        }
        if (error) {
          self->HangUp();
          return;
        }
        char c = 0;
        const ssize_t n =
            recv(self->stream_.socket().native_handle(), &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
          return;  // it sends its next request: it is there
        }
        if (n < 0) {
          if (errno == EAGAIN || errno == EINTR) {
            self->WatchHangUp();
          } else {
            self->HangUp();
          }
          return;
        }
        if (self->version_ >= 11) {
          self->probing_ = true;
          self->Probe();
        }
      });
}

void Session::Probe() {
  if (!probing_ || answered_ || gone_) {
    return;
  }
  writing_ = true;
  net::async_write(stream_, net::buffer(kProcessing.data(), kProcessing.size()),
                   [self = shared_from_this()](beast::error_code error, size_t) {
                     self->writing_ = false;
                     if (error) {
                       self->HangUp();
                       return;
                     }
                     if (self->pending_) {
                       Reply reply = std::move(*self->pending_);
                       self->pending_.reset();
                       self->Answer(std::move(reply));
                       return;
                     }
                     self->probeTimer_.expires_after(kProbeEvery);
                     self->probeTimer_.async_wait([self](beast::error_code e) {
                       if (!e) {
                         self->Probe();
                       }
                     });
                   });
}

void Session::HangUp() {
  if (gone_) {
    return;
  }
  gone_ = true;
  if (hangUp_) {
    std::function<void()> call = std::move(hangUp_);
    call();
  }
  if (reply_.stream) {
    reply_.stream->Abandon();
  }
  Close();
}

void Session::Close() {
  gone_ = true;
  probeTimer_.cancel();
  if (reply_.stream) {
    reply_.stream->Abandon();
  }
  beast::error_code ignored;
  stream_.socket().close(ignored);
  waiting_.reset();
  self_.reset();
}

}  // namespace orla::serve
