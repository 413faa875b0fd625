#include "serve/server.h"

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>

#include "serve/guards.h"
#include "serve/routes.h"
#include "serve/run_queue.h"
#include "serve/session.h"

namespace orla::serve {

namespace net = boost::asio;
using net::ip::tcp;

namespace {

// Lists, lookups and the catalogue, beside the runs.
constexpr int kQuickThreads = 2;

// Answers a connection beyond the limits and closes it; the client is told rather than
// left with a reset.
constexpr std::string_view kTooManyBody =
    "{\"error\":\"too many connections; try again in a moment\"}";
const std::string kTooMany =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nRetry-After: "
    "2\r\nConnection: close\r\nContent-Length: " +
    std::to_string(kTooManyBody.size()) + "\r\n\r\n" + std::string(kTooManyBody);

// A private folder for the files PDF and XLSX are written to: 0700, named at random.
std::filesystem::path MakeScratch() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orla-vendas-serve-XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a private temporary folder in " +
                             std::filesystem::temp_directory_path().string());
  }
  return pattern;
}

}  // namespace

bool IsLoopback(const std::string& address) {
  if (address == "localhost") {
    return true;
  }
  boost::system::error_code error;
  const net::ip::address parsed = net::ip::make_address(address, error);
  return !error && parsed.is_loopback();
}

struct ViewerServer::Impl {
  ServeOptions options;
  std::atomic<int> openConnections{0};
  std::mutex connectionsMutex;
  int connections = 0;
  std::map<std::string, int> perAddress;

  net::io_context io{1};
  tcp::acceptor acceptor{io};
  net::steady_timer acceptPause{io};
  net::thread_pool runThreads;
  net::thread_pool quickThreads{kQuickThreads};
  RunQueue queue;
  Access access;
  OwnAddress own;
  std::filesystem::path scratch;
  std::unique_ptr<Routes> routes;
  SessionHost sessionHost;
  std::vector<std::weak_ptr<Session>> sessions;
  bool stopping = false;
  int port = 0;

  explicit Impl(ServeOptions o)
      : options(std::move(o)),
        runThreads(static_cast<size_t>(std::max(1, options.maxRuns))),
        queue(options.maxRuns, options.maxQueued),
        access(options.token),
        own(options.bind, options.port) {
    if (!options.clock) {
      options.clock = std::make_shared<host::SystemClock>();
    }
  }

  ~Impl() {
    runThreads.join();
    quickThreads.join();
    if (!scratch.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(scratch, ignored);
    }
  }

  void Accept() {
    acceptor.async_accept([this](boost::system::error_code error, tcp::socket socket) {
      if (stopping || error == net::error::operation_aborted) {
        return;
      }
      if (error) {
        // Out of descriptors, most likely: wait for some to be given back.
        acceptPause.expires_after(std::chrono::milliseconds(100));
        acceptPause.async_wait([this](boost::system::error_code e) {
          if (!e) {
            Accept();
          }
        });
        return;
      }
      Admit(std::move(socket));
      Accept();
    });
  }

  void Admit(tcp::socket socket) {
    boost::system::error_code error;
    const std::string address = socket.remote_endpoint(error).address().to_string();
    if (error) {
      return;
    }
    {
      std::lock_guard lock(connectionsMutex);
      if (connections >= options.maxConnections || perAddress[address] >= options.maxPerAddress) {
        auto refused = std::make_shared<tcp::socket>(std::move(socket));
        net::async_write(*refused, net::buffer(kTooMany.data(), kTooMany.size()),
                         [refused](boost::system::error_code, size_t) {
                           boost::system::error_code ignored;
                           refused->shutdown(tcp::socket::shutdown_send, ignored);
                           refused->close(ignored);
                         });
        return;
      }
      ++connections;
      ++perAddress[address];
    }
    auto session = std::make_shared<Session>(std::move(socket), sessionHost, address);
    std::erase_if(sessions, [](const std::weak_ptr<Session>& s) { return s.expired(); });
    sessions.push_back(session);
    session->Start();
  }

  void Closed(const std::string& address) {
    std::lock_guard lock(connectionsMutex);
    --connections;
    if (--perAddress[address] <= 0) {
      perAddress.erase(address);
    }
  }
};

ViewerServer::ViewerServer(ServeOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

ViewerServer::~ViewerServer() = default;

int ViewerServer::Bind() {
  Impl& s = *impl_;
  boost::system::error_code error;
  const net::ip::address address = net::ip::make_address(
      s.options.bind == "localhost" ? std::string("127.0.0.1") : s.options.bind, error);
  if (error) {
    throw std::runtime_error("cannot listen on '" + s.options.bind + "': not an IP address");
  }
  const tcp::endpoint endpoint(address, static_cast<unsigned short>(s.options.port));
  s.acceptor.open(endpoint.protocol());
  // Reuse of an address whose last connections are still closing, never of a port another
  // socket listens on: the kernel would share the requests out between two servers.
  s.acceptor.set_option(tcp::acceptor::reuse_address(true));
  s.acceptor.bind(endpoint, error);
  if (error) {
    s.acceptor.close();
    throw std::runtime_error(
        error == net::error::address_in_use
            ? "port " + std::to_string(s.options.port) + " on " + s.options.bind +
                  " is in use by another program (another orla-vendas serve?); stop it or "
                  "choose another --port"
            : "cannot listen on " + s.options.bind + " port " + std::to_string(s.options.port) +
                  ": " + error.message());
  }
  s.acceptor.listen(s.options.backlog, error);
  if (error) {
    throw std::runtime_error("cannot listen on " + s.options.bind + ": " + error.message());
  }
  s.port = s.acceptor.local_endpoint().port();
  s.own = OwnAddress(s.options.bind, s.port);
  s.scratch = MakeScratch();

  RunContext context;
  context.database = s.options.database;
  context.clock = s.options.clock;
  context.beforeRun = s.options.beforeRun;
  context.openConnections = &s.openConnections;
  context.scratch = s.scratch;
  context.queue = &s.queue;
  Workers workers{[&s](std::function<void()> job) { net::post(s.runThreads, std::move(job)); },
                  [&s](std::function<void()> job) { net::post(s.quickThreads, std::move(job)); }};
  s.routes = std::make_unique<Routes>(s.options, context, s.access, s.own, std::move(workers));
  s.sessionHost.routes = s.routes.get();
  s.sessionHost.requestTime = s.options.requestTime;
  s.sessionHost.log = s.options.log;
  s.sessionHost.closed = [&s](const std::string& address) { s.Closed(address); };
  return s.port;
}

void ViewerServer::Serve() {
  Impl& s = *impl_;
  net::post(s.io, [&s] {
    if (!s.stopping) {
      s.Accept();
    }
  });
  s.io.run();
  // Runs stopped with the server end at their next look at the stop switch.
  s.runThreads.join();
  s.quickThreads.join();
}

void ViewerServer::Stop() {
  Impl& s = *impl_;
  net::post(s.io, [&s] {
    s.stopping = true;
    boost::system::error_code ignored;
    s.acceptor.close(ignored);
    s.acceptPause.cancel();
    s.queue.StopAll();
    for (const auto& weak : s.sessions) {
      if (auto session = weak.lock()) {
        session->Shutdown();
      }
    }
  });
}

int ViewerServer::OpenConnections() const {
  return impl_->openConnections;
}

}  // namespace orla::serve
