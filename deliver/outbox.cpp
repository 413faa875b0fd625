#include "deliver/outbox.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/output.h"

namespace orla::deliver {

void Outbox::Put(const std::string& name, std::string_view message) {
  std::filesystem::create_directories(folder_);
  app::ReplacingFile file(folder_ / name);
  file.Stream().write(message.data(), static_cast<std::streamsize>(message.size()));
  file.Commit();
}

std::vector<std::string> Outbox::Names() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    // Temporaries of a Put under way are hidden.
    if (entry.is_regular_file() && !name.starts_with('.') && name.ends_with(".eml")) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Outbox::Read(const std::string& name) const {
  std::ifstream stream(folder_ / name, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  if (!stream) {
    throw std::runtime_error("cannot read " + (folder_ / name).string());
  }
  return text.str();
}

void Outbox::Remove(const std::string& name) const {
  std::error_code error;
  if (!std::filesystem::remove(folder_ / name, error) && error) {
    throw std::runtime_error("cannot remove " + (folder_ / name).string() + ": " + error.message());
  }
}

}  // namespace orla::deliver
