// A small blocking HTTP/1.1 client for the load run and the server's tests: one request on
// a connection of its own, with a time limit.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orla::http_client {

struct Answer {
  int status = 0;                              // 0 when no answer came
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string error;  // why no answer came

  explicit operator bool() const { return status != 0; }
  std::string Header(const std::string& lowerName) const {
    const auto found = headers.find(lowerName);
    return found == headers.end() ? std::string() : found->second;
  }
};

using Headers = std::vector<std::pair<std::string, std::string>>;

// To 127.0.0.1:port. Interim (1xx) answers are read past.
Answer Send(int port, const std::string& method, const std::string& target,
            const std::string& body = "", const Headers& headers = {},
            const std::string& contentType = "application/json",
            std::chrono::milliseconds timeout = std::chrono::seconds(60));

inline Answer Get(int port, const std::string& target) {
  return Send(port, "GET", target);
}
inline Answer Post(int port, const std::string& target, const std::string& body,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  return Send(port, "POST", target, body, {}, "application/json", timeout);
}

}  // namespace orla::http_client
