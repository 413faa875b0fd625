#include "app/named_calls.h"

#include <string>
#include <string_view>

#include "host/errors.h"

namespace orla::app {

namespace {

template <typename Call>
auto Named(std::string_view name, Call&& call) {
  try {
    return call();
  } catch (const host::DatabaseError& e) {
    throw host::DatabaseError(std::string(name) + ": " + e.Description(), e.Statement(),
                              e.Source());
  }
}

class NamingDatabase final : public host::Database {
 public:
  explicit NamingDatabase(host::Database& inner) : inner_(inner) {}

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    return Named("OpenRecordSet", [&] { return inner_.OpenRecordSet(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    return Named("SQL_Execute", [&] { return inner_.SQL_Execute(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override {
    return Named("SQL_Execute", [&] { return inner_.SQL_Execute(sql, rowsAffected); });
  }
  bool IsOpened() override {
    return Named("IsOpened", [&] { return inner_.IsOpened(); });
  }
  void DB_Open() override {
    Named("DB_Open", [&] { inner_.DB_Open(); });
  }
  std::string GetConnectionString() override {
    return Named("GetConnectionString", [&] { return inner_.GetConnectionString(); });
  }
  void DB_Close() override {
    Named("DB_Close", [&] { inner_.DB_Close(); });
  }

 private:
  host::Database& inner_;
};

class NamingCommand final : public host::Command {
 public:
  explicit NamingCommand(std::unique_ptr<host::Command> inner) : inner_(std::move(inner)) {}

  void SetActiveConnection(const std::string& c) override { inner_->SetActiveConnection(c); }
  void SetCommandTimeout(int32_t s) override { inner_->SetCommandTimeout(s); }
  void SetCommandType(int32_t t) override { inner_->SetCommandType(t); }
  void SetCommandText(const std::string& text) override {
    text_ = text;
    inner_->SetCommandText(text);
  }
  host::Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                  int32_t size, std::optional<host::Value> value) override {
    return inner_->CreateParameter(name, type, direction, size, std::move(value));
  }
  host::ParameterCollection& Parameters() override { return inner_->Parameters(); }
  // The procedure's name too: the two stored procedures are run the same way.
  host::RecordsetRef Execute() override {
    return Named("Command.Execute " + text_, [&] { return inner_->Execute(); });
  }
  host::Value Item(std::string_view name) override { return inner_->Item(name); }

 private:
  std::unique_ptr<host::Command> inner_;
  std::string text_;
};

}  // namespace

std::unique_ptr<host::Database> NameFailedCalls(host::Database& database) {
  return std::make_unique<NamingDatabase>(database);
}

std::unique_ptr<host::Command> NameFailedCalls(std::unique_ptr<host::Command> command) {
  return std::make_unique<NamingCommand>(std::move(command));
}

}  // namespace orla::app
