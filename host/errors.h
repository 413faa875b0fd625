// The host's runtime errors as C++ exceptions. On the original platform every failing
// automation call raised a runtime error with a number, a description and a source; the
// request frame traps exactly these and hands them to the error reporter.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

namespace orla::host {

// Numbers of the runtime errors the library and its hosts raise themselves.
namespace error_number {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kObjectDoesNotSupport = 438;
inline constexpr int32_t kAutomationError = 440;
// Errors from the database provider and the report engine carry these.
inline constexpr int32_t kDatabase = 3000;
inline constexpr int32_t kLayout = 20500;
}  // namespace error_number

class HostError : public std::runtime_error {
 public:
  HostError(int32_t number, std::string description, std::string source = {});

  int32_t Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const std::string& Source() const noexcept { return source_; }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// A statement the database refused. The description names what failed in one line; the
// statement, which may run to kilobytes, is kept apart for the trace and --verbose.
class DatabaseError : public HostError {
 public:
  DatabaseError(std::string description, std::string statement, std::string source = "Database");

  const std::string& Statement() const noexcept { return statement_; }

 private:
  std::string statement_;
};

// A layout, section, formula or subreport that the report engine does not know.
class LayoutError : public HostError {
 public:
  explicit LayoutError(std::string description);
};

// The runtime's error object, as the error reporter receives it.
struct ErrorInfo {
  int32_t number = 0;
  std::string description;
  std::string source;
  std::string statement;  // a database error's statement; empty otherwise
};

// Turns whatever was thrown into the error object the host would have seen.
ErrorInfo ErrorInfoFrom(std::exception_ptr error);

// Raised when a host object the call needs was not passed (an empty object reference).
[[noreturn]] void ThrowObjectNotSet(const char* what);

template <typename T>
T& Require(T* object, const char* what) {
  if (object == nullptr) {
    ThrowObjectNotSet(what);
  }
  return *object;
}

}  // namespace orla::host
