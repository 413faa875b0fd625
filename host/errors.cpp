#include "host/errors.h"

#include <new>

namespace orla::host {

HostError::HostError(int32_t number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

DatabaseError::DatabaseError(std::string description, std::string statement, std::string source)
    : HostError(error_number::kDatabase, std::move(description), std::move(source)),
      statement_(std::move(statement)) {}

LayoutError::LayoutError(std::string description)
    : HostError(error_number::kLayout, std::move(description), "Report engine") {}

ErrorInfo ErrorInfoFrom(std::exception_ptr error) {
  if (!error) {
    return {};
  }
  try {
    std::rethrow_exception(error);
  } catch (const DatabaseError& e) {
    return {e.Number(), e.Description(), e.Source(), e.Statement()};
  } catch (const HostError& e) {
    return {e.Number(), e.Description(), e.Source(), {}};
  } catch (const std::bad_alloc&) {
    return {error_number::kOutOfMemory, "Out of memory", {}, {}};
  } catch (const std::exception& e) {
    return {error_number::kAutomationError, e.what(), {}, {}};
  } catch (...) {
    return {error_number::kAutomationError, "Unknown error", {}, {}};
  }
}

void ThrowObjectNotSet(const char* what) {
  throw HostError(error_number::kObjectNotSet, std::string("Object variable not set: ") + what);
}

}  // namespace orla::host
