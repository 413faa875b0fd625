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
  // The host's lines after it, saying what the library's text does not (which value).
  std::vector<std::string> details;
};

struct ErrorRecord {
  std::string procedure;
  std::string description;
  std::string statement;  // what the database refused, when it was a database error
};

class Session {
 public:
  // Readable lines go to `console` (stderr in the CLI); nothing is printed when it is null.
  // An error's statement is printed only when `verbose`: it may run to kilobytes.
  explicit Session(std::ostream* console = nullptr, bool verbose = false)
      : console_(console), verbose_(verbose) {}

  void AddMessage(MessageRecord message);
  // A line of the host's after the last message.
  void AddDetail(std::string line);
  void AddError(ErrorRecord error);

  const std::vector<MessageRecord>& Messages() const { return messages_; }
  const std::vector<ErrorRecord>& Errors() const { return errors_; }

 private:
  std::ostream* console_;
  bool verbose_;
  std::vector<MessageRecord> messages_;
  std::vector<ErrorRecord> errors_;
};

}  // namespace orla::hostlib
