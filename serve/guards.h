// Who may come in, and what a request may look like before a route sees it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "serve/reply.h"
#include "serve/request.h"

namespace orla::serve {

// The server's own names: a request for another (DNS rebinding) or sent from a page of
// another origin (a forged POST through the reader's browser) is refused.
class OwnAddress {
 public:
  OwnAddress(std::string bind, int port) : bind_(std::move(bind)), port_(port) {}

  // Raises HttpError 403.
  void CheckHost(const Request& request) const;
  // Origin, when sent, must be this server's, port included. Raises HttpError 403.
  void CheckOrigin(const Request& request) const;

 private:
  bool OwnName(std::string name, const Request& request) const;

  std::string bind_;
  int port_;
};

// A request both with a length and a transfer coding could be read two ways by two
// readers on its path; raises HttpError 400.
void CheckFraming(const Request& request);

// The access secret and the browsers that have shown it. Without a secret everyone who
// reaches the server may use it (it listens on this machine only).
class Access {
 public:
  static constexpr std::string_view kCookie = "orla_sessao";

  explicit Access(std::optional<std::string> secret) : secret_(std::move(secret)) {}

  bool Required() const { return secret_.has_value(); }
  // Who sent the request: the browser's session, "token" for a client showing the secret as
  // Authorization: Bearer, "" when no secret is needed; nullopt when it showed none.
  std::optional<std::string> Identify(const Request& request);
  // A new session for a browser that sent the right secret; nullopt otherwise.
  std::optional<std::string> Login(std::string_view secret);

  // The login page, in Portuguese, with a line saying why when `failed`.
  static std::string LoginPage(bool failed);

 private:
  bool SecretMatches(std::string_view given) const;

  std::optional<std::string> secret_;
  std::mutex mutex_;
  std::deque<std::string> sessions_;  // oldest first
};

// Reads a secret from the first line of a file that only its owner may read. Raises
// std::runtime_error saying what is wrong.
std::string ReadSecretFile(const std::string& file);

}  // namespace orla::serve
