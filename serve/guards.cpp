#include "serve/guards.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

#include <sys/random.h>
#include <sys/stat.h>

namespace orla::serve {

namespace {

constexpr size_t kMaxSessions = 256;
constexpr size_t kLeastSecret = 16;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Bracketed(const std::string& address) {
  return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

// "name:port", "[v6]:port" or a name alone.
std::pair<std::string, std::string> SplitHost(const std::string& host) {
  const size_t colon = host.rfind(':');
  if (colon != std::string::npos && colon > 0 && host.find(']', colon) == std::string::npos &&
      (host.front() != '[' || host[colon - 1] == ']')) {
    return {host.substr(0, colon), host.substr(colon + 1)};
  }
  return {host, ""};
}

std::string RandomToken() {
  unsigned char bytes[32];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      throw std::runtime_error("no random bytes for a session");
    }
    got += static_cast<size_t>(n);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

// Compares without stopping at the first difference, so the time taken tells nothing of
// how much of a guess was right.
bool SameText(std::string_view a, std::string_view b) {
  unsigned difference = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    difference |= x ^ y;
  }
  return difference == 0;
}

std::optional<std::string> CookieValue(const std::string& header, std::string_view name) {
  size_t at = 0;
  while (at < header.size()) {
    size_t end = header.find(';', at);
    if (end == std::string::npos) {
      end = header.size();
    }
    std::string_view pair(header.data() + at, end - at);
    while (!pair.empty() && pair.front() == ' ') {
      pair.remove_prefix(1);
    }
    if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
      return std::string(pair.substr(name.size() + 1));
    }
    at = end + 1;
  }
  return std::nullopt;
}

}  // namespace

bool OwnAddress::OwnName(std::string name, const Request& request) const {
  name = Lowercase(std::move(name));
  return name == "localhost" || name == "127.0.0.1" || name == "[::1]" ||
         name == Lowercase(Bracketed(bind_)) || name == Lowercase(Bracketed(request.localAddress));
}

void OwnAddress::CheckHost(const Request& request) const {
  const std::string host = request.Header("host");
  const auto [name, port] = SplitHost(host);
  if (host.empty() || (!port.empty() && port != std::to_string(port_)) || !OwnName(name, request)) {
    throw HttpError{403,
                    "this server answers requests to its own address only, not to '" + host + "'"};
  }
}

void OwnAddress::CheckOrigin(const Request& request) const {
  if (!request.headers.contains("origin")) {
    return;
  }
  const std::string origin = request.Header("origin");
  constexpr std::string_view kScheme = "http://";
  bool own = false;
  if (Lowercase(origin).starts_with(kScheme)) {
    const auto [name, port] = SplitHost(origin.substr(kScheme.size()));
    // A browser leaves the port out of an origin only when it is the scheme's own.
    own = (port_ == 80 ? port.empty() : port == std::to_string(port_)) && OwnName(name, request);
  }
  if (!own) {
    throw HttpError{403, "requests from " + origin + " are not accepted"};
  }
}

void CheckFraming(const Request& request) {
  if (request.headers.contains("content-length") && request.headers.contains("transfer-encoding")) {
    throw HttpError{400, "a request may give Content-Length or Transfer-Encoding, not both"};
  }
}

std::optional<std::string> Access::Identify(const Request& request) {
  if (!secret_) {
    return std::string();
  }
  const std::string authorization = request.Header("authorization");
  constexpr std::string_view kBearer = "Bearer ";
  if (authorization.starts_with(kBearer)) {
    if (SecretMatches(std::string_view(authorization).substr(kBearer.size()))) {
      return std::string("token");
    }
    return std::nullopt;
  }
  const std::optional<std::string> session = CookieValue(request.Header("cookie"), kCookie);
  if (!session) {
    return std::nullopt;
  }
  std::lock_guard lock(mutex_);
  for (const std::string& known : sessions_) {
    if (SameText(known, *session)) {
      return "session:" + known;
    }
  }
  return std::nullopt;
}

std::optional<std::string> Access::Login(std::string_view secret) {
  if (!secret_ || !SecretMatches(secret)) {
    return std::nullopt;
  }
  std::string session = RandomToken();
  std::lock_guard lock(mutex_);
  sessions_.push_back(session);
  if (sessions_.size() > kMaxSessions) {
    sessions_.pop_front();
  }
  return session;
}

bool Access::SecretMatches(std::string_view given) const {
  return secret_ && SameText(given, *secret_);
}

std::string Access::LoginPage(bool failed) {
  return std::string(R"(<!doctype html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Relatórios de vendas - entrada</title>
<link rel="icon" href="data:,">
<style>
body{font-family:sans-serif;display:flex;justify-content:center;margin-top:15vh;color:#222}
form{display:flex;flex-direction:column;gap:.6em;min-width:18em}
input,button{font-size:1em;padding:.4em}.erro{color:#a00}
</style>
</head>
<body>
<form method="post" action="/login">
<h1>Relatórios de vendas</h1>
<label for="segredo">Segredo de acesso</label>
<input type="password" id="segredo" name="segredo" autocomplete="current-password" autofocus required>
)") + (failed ? "<p class=\"erro\">Segredo incorreto. Tente de novo.</p>\n" : "") +
         R"(<button type="submit">Entrar</button>
<small>Peça o segredo a quem cuida do servidor.</small>
</form>
</body>
</html>
)";
}

std::string ReadSecretFile(const std::string& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) {
    throw std::runtime_error("cannot read the token file " + file);
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    throw std::runtime_error("the token file " + file +
                             " can be read by other users; chmod 600 it");
  }
  std::ifstream in(file);
  std::string secret;
  if (!in || !std::getline(in, secret)) {
    throw std::runtime_error("cannot read the token file " + file);
  }
  while (!secret.empty() && std::isspace(static_cast<unsigned char>(secret.back()))) {
    secret.pop_back();
  }
  if (secret.size() < kLeastSecret) {
    throw std::runtime_error("the token in " + file + " is shorter than " +
                             std::to_string(kLeastSecret) + " characters");
  }
  return secret;
}

}  // namespace orla::serve
