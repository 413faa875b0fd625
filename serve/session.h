// One client connection: requests read within a deadline, one at a time, each answered in
// full before the next is read; a client that goes away while its run waits or works is
// noticed and its run stopped.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/http/string_body.hpp>

#include "serve/reply.h"
#include "serve/request.h"

namespace orla::serve {

class Routes;

// What a connection needs of its server.
struct SessionHost {
  Routes* routes = nullptr;
  std::chrono::milliseconds requestTime{15000};
  std::ostream* log = nullptr;
  std::function<void(const std::string& address)> closed;  // once, when the connection ends
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(boost::asio::ip::tcp::socket socket, SessionHost& host, std::string address);
  ~Session();

  void Start();
  // The server stops: an idle connection closes now, one that is answering once done.
  void Shutdown();

 private:
  class Exchange;
  friend class Exchange;
  using Parser = boost::beast::http::request_parser<boost::beast::http::string_body>;
  using Head = boost::beast::http::response<boost::beast::http::empty_body>;

  void ReadRequest();
  void OnRead(boost::beast::error_code error);
  void Refuse(int status, const std::string& message);

  // On the network thread.
  void Answer(Reply reply);
  void WriteHead();
  void SendMore();
  void OnPiece();
  void Sent(boost::beast::error_code error);
  void Done();

  void WatchHangUp();
  void Probe();
  void HangUp();
  void Close();

  boost::beast::tcp_stream stream_;
  SessionHost& host_;
  std::string address_;
  boost::beast::flat_buffer buffer_;
  std::optional<Parser> parser_;
  boost::asio::steady_timer probeTimer_;
  // Keeps the server's loop going while an answer is awaited from another thread.
  std::optional<boost::asio::any_io_executor> waiting_;

  std::shared_ptr<Exchange> exchange_;  // the request being answered
  // The session itself while an answer is awaited from another thread, when it may have no
  // operation of its own pending.
  std::shared_ptr<Session> self_;
  std::string method_;
  std::string path_;
  unsigned version_ = 11;
  bool keepAlive_ = false;
  bool answered_ = false;  // the answer's head has been given
  bool writing_ = false;   // a write is on its way
  bool probing_ = false;   // the client shut its side: asking whether it is still there
  bool gone_ = false;
  bool stopping_ = false;
  std::optional<Reply> pending_;  // an answer that came while a probe was being written
  std::function<void()> hangUp_;

  // The answer being written.
  Reply reply_;
  std::optional<Head> head_;
  std::optional<boost::beast::http::response_serializer<boost::beast::http::empty_body>>
      headWriter_;
  std::string piece_;
  uint64_t fileSent_ = 0;
  bool chunked_ = false;
  bool bodyEnded_ = false;
};

}  // namespace orla::serve
