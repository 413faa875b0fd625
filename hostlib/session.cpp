#include "hostlib/session.h"

#include "hostlib/messages.h"

namespace orla::hostlib {

void Session::AddMessage(MessageRecord message) {
  if (console_ != nullptr) {
    *console_ << message.title << ": " << message.text << '\n';
  }
  messages_.push_back(std::move(message));
}

void Session::AddDetail(std::string line) {
  if (console_ != nullptr) {
    *console_ << line << '\n';
  }
  if (!messages_.empty()) {
    messages_.back().details.push_back(std::move(line));
  }
}

void Session::AddError(ErrorRecord error) {
  if (console_ != nullptr) {
    *console_ << Say("error in %s: %s", {error.procedure, error.description}) << '\n';
    if (verbose_ && !error.statement.empty()) {
      *console_ << Say("statement: %s", {error.statement}) << '\n';
    }
  }
  errors_.push_back(std::move(error));
}

}  // namespace orla::hostlib
