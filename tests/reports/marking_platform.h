// Fakes whose host conversions leave a mark, so a statement shows which texts and numbers
// went through them.
#pragma once

#include <memory>
#include <string>

#include "tests/fakes/host_fakes.h"

namespace orla::testing {

// Marks what went through the host's conversions, so a test sees they were used.
class MarkingUtilities : public host::HostUtilities {
 public:
  std::string TextForSql(const host::Value& v) override {
    std::string out;
    for (char c : v.AsText()) {
      out += c;
      out += c == '\'' ? "'" : "";
    }
    return out;
  }
  // The first three characters and a dot.
  std::string AbbreviateText(const host::Value& v) override {
    return v.AsText().substr(0, 3) + ".";
  }
  std::string CompanyNameText(const host::Value& v) override { return v.AsText(); }
  std::string DateForSql(const host::Value& v) override { return v.AsText(); }
  std::string NumberForSql(const host::Value& v) override { return "n" + v.Describe(); }
};

class MarkingPlatform : public orla::testing::FakePlatform {
 public:
  MarkingPlatform() : FakePlatform(*host::DateTime::FromParts(2024, 4, 15)) {}
  std::unique_ptr<host::HostUtilities> CreateHostUtilities() override {
    return std::make_unique<MarkingUtilities>();
  }
};

// A database that reports `inserted` rows for the two-argument call.
class CountingDatabase : public FakeDatabase {
 public:
  using FakeDatabase::FakeDatabase;
  int32_t inserted = 0;
  using FakeDatabase::SQL_Execute;
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override {
    host::RecordsetRef result = FakeDatabase::SQL_Execute(sql, rowsAffected);
    rowsAffected = inserted;
    return result;
  }
};

}  // namespace orla::testing
