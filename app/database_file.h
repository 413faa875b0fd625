// The sales database a host names: a file, or connection text whose Data Source is one (as
// GetConnectionString gives it).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace orla::app {

class DatabaseFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file, absolute, once SQLite has opened it and found the sales in it; raises
// DatabaseFileError saying what is missing.
std::filesystem::path SalesDatabaseFile(const std::string& fileOrConnection);

}  // namespace orla::app
