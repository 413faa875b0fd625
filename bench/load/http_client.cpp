#include "bench/load/http_client.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

namespace orla::http_client {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;

Answer Send(int port, const std::string& method, const std::string& target, const std::string& body,
            const Headers& headers, const std::string& contentType,
            std::chrono::milliseconds timeout) {
  net::io_context io;
  beast::tcp_stream stream(io);
  beast::flat_buffer buffer;
  http::request<http::string_body> message;
  message.method_string(method);
  message.target(target);
  message.version(11);
  message.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  if (!body.empty() || method == "POST") {
    message.set(http::field::content_type, contentType);
  }
  for (const auto& [name, value] : headers) {
    message.set(name, value);
  }
  message.body() = body;
  message.prepare_payload();
  message.keep_alive(false);

  Answer answer;
  std::optional<http::response_parser<http::string_body>> parser;
  auto fail = [&answer](const beast::error_code& error) {
    answer = Answer{};
    answer.error = error == beast::error::timeout ? "timeout" : error.message();
  };
  std::function<void()> readAnswer = [&] {
    parser.emplace();
    // Not boost::none: Boost 1.74 compares a length with an empty limit as exceeding it.
    parser->body_limit(std::uint64_t{1} << 32);
    http::async_read(stream, buffer, *parser, [&](beast::error_code error, size_t) {
      if (error) {
        fail(error);
        return;
      }
      if (parser->get().result_int() / 100 == 1) {
        readAnswer();
        return;
      }
      answer.status = static_cast<int>(parser->get().result_int());
      for (const auto& field : parser->get()) {
        std::string name(field.name_string());
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        answer.headers[name] = std::string(field.value());
      }
      answer.body = std::move(parser->get().body());
    });
  };
  stream.expires_after(timeout);
  stream.async_connect(
      net::ip::tcp::endpoint(net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)),
      [&](beast::error_code error) {
        if (error) {
          fail(error);
          return;
        }
        http::async_write(stream, message, [&](beast::error_code e, size_t) {
          if (e) {
            fail(e);
            return;
          }
          readAnswer();
        });
      });
  io.run();
  return answer;
}

}  // namespace orla::http_client
