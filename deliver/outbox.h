// Mail waiting to be sent: one composed message a file, named after the subscription and
// the minute it was due, so that a delivery run again for the same minute replaces its
// message rather than adding a second one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orla::deliver {

class Outbox {
 public:
  explicit Outbox(std::filesystem::path folder) : folder_(std::move(folder)) {}

  const std::filesystem::path& Folder() const { return folder_; }
  // Whole or not at all; raises app::OutputError.
  void Put(const std::string& name, std::string_view message);
  // The messages' names, oldest due first.
  std::vector<std::string> Names() const;
  // Raises std::runtime_error naming the file.
  std::string Read(const std::string& name) const;
  // Raises std::runtime_error naming the file.
  void Remove(const std::string& name) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace orla::deliver
