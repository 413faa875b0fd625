// What the host saw during one run: the message boxes shown and the errors reported. The CLI
// prints them as they happen and puts them in its JSON output.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace orla::hostlib {

struct MessageRecord {
  std::string text;
  std::string title;
  int32_t style = 0;
};

struct ErrorRecord {
  std::string procedure;
  std::string description;
};

class Session {
 public:
  // Readable lines go to `console` (stderr in the CLI); nothing is printed when it is null.
  explicit Session(std::ostream* console = nullptr) : console_(console) {}

  void AddMessage(MessageRecord message);
  void AddError(ErrorRecord error);

  const std::vector<MessageRecord>& Messages() const { return messages_; }
  const std::vector<ErrorRecord>& Errors() const { return errors_; }

 private:
  std::ostream* console_;
  std::vector<MessageRecord> messages_;
  std::vector<ErrorRecord> errors_;
};

}  // namespace orla::hostlib
