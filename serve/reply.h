// What a handler gives back for one request, from whatever thread it runs on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serve/body_pipe.h"

namespace orla::serve {

// A refusal: answered as {"error": message} with the status.
struct HttpError {
  int status;
  std::string message;
  int retryAfterSeconds = 0;  // none when 0
};

// A file open for reading, closed with the last holder.
struct FileBody {
  FileBody(int descriptor, uint64_t bytes) : fd(descriptor), size(bytes) {}
  ~FileBody();
  FileBody(const FileBody&) = delete;
  FileBody& operator=(const FileBody&) = delete;
  const int fd;
  const uint64_t size;
};

struct Reply {
  int status = 200;
  std::string contentType = "application/json";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // When set, the body comes from here as it is made, after `body` (chunked, or up to the
  // end of the connection for an HTTP/1.0 client).
  std::shared_ptr<BodyPipe> stream;
  // When set, the body is this open file, sent whole with its length.
  std::shared_ptr<FileBody> file;
  bool close = false;  // end the connection after it

  static Reply Json(int status, std::string body);
  static Reply Error(const HttpError& error);
};

// The way back to a request's client. Answer once, from any thread. A handler that keeps
// the request waiting (a run) learns through OnHangUp that the client went away.
class Exchange {
 public:
  virtual ~Exchange() = default;
  virtual void Answer(Reply reply) = 0;
  // Called once, on the server's network thread, if the client goes away before the answer
  // has been written; at once if it has gone already.
  virtual void OnHangUp(std::function<void()> call) = 0;
};

}  // namespace orla::serve
