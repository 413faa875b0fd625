#include "app/trace.h"

#include <vector>

#include <nlohmann/json.hpp>

#include "app/json_values.h"
#include "host/errors.h"

namespace orla::app {

namespace {

using nlohmann::ordered_json;

// A statement may carry bytes that are not UTF-8 (a text pasted from a Latin-1 source); each
// such byte is written as U+FFFD so that the trace stays valid JSON and the run goes on.
std::string Line(const ordered_json& call) {
  return call.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string Call(std::string_view name) {
  return Line(ordered_json{{"call", name}});
}

std::string CallWithSql(std::string_view name, const std::string& sql) {
  return Line(ordered_json{{"call", name}, {"sql", sql}});
}

// After a call the database refused, what it said and the statement it refused (one of the
// batch's, and as SQLite was asked to run it), which the one-line message leaves out.
template <typename Call>
auto Traced(SqlTrace& trace, std::string_view name, Call&& call) {
  try {
    return call();
  } catch (const host::DatabaseError& e) {
    trace.Write(Line(ordered_json{
        {"failed", name}, {"description", e.Description()}, {"statement", e.Statement()}}));
    throw;
  }
}

class TracingDatabase final : public host::Database {
 public:
  TracingDatabase(SqlTrace& trace, host::Database& inner) : trace_(trace), inner_(inner) {}

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    trace_.Write(CallWithSql("OpenRecordSet", sql));
    return Traced(trace_, "OpenRecordSet", [&] { return inner_.OpenRecordSet(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    trace_.Write(CallWithSql("SQL_Execute", sql));
    return Traced(trace_, "SQL_Execute", [&] { return inner_.SQL_Execute(sql); });
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override {
    trace_.Write(CallWithSql("SQL_Execute", sql));
    return Traced(trace_, "SQL_Execute", [&] { return inner_.SQL_Execute(sql, rowsAffected); });
  }
  bool IsOpened() override {
    trace_.Write(Call("IsOpened"));
    return inner_.IsOpened();
  }
  void DB_Open() override {
    trace_.Write(Call("DB_Open"));
    inner_.DB_Open();
  }
  std::string GetConnectionString() override {
    trace_.Write(Call("GetConnectionString"));
    return inner_.GetConnectionString();
  }
  void DB_Close() override {
    trace_.Write(Call("DB_Close"));
    inner_.DB_Close();
  }

 private:
  SqlTrace& trace_;
  host::Database& inner_;
};

class TracingCommand final : public host::Command, public host::ParameterCollection {
 public:
  TracingCommand(SqlTrace& trace, std::unique_ptr<host::Command> inner)
      : trace_(trace), inner_(std::move(inner)) {}

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
  host::ParameterCollection& Parameters() override { return *this; }
  void Append(host::Parameter parameter) override {
    parameters_.push_back(parameter);
    inner_->Parameters().Append(std::move(parameter));
  }
  host::RecordsetRef Execute() override {
    ordered_json parameters = ordered_json::array();
    for (const host::Parameter& p : parameters_) {
      parameters.push_back({{"name", p.name},
                            {"type", p.type},
                            {"direction", p.direction},
                            {"size", p.size},
                            {"value", p.value ? ToJson(*p.value) : ordered_json()}});
    }
    trace_.Write(Line(
        ordered_json{{"call", "Command.Execute"}, {"text", text_}, {"parameters", parameters}}));
    return Traced(trace_, "Command.Execute", [&] { return inner_->Execute(); });
  }
  host::Value Item(std::string_view name) override { return inner_->Item(name); }

 private:
  SqlTrace& trace_;
  std::unique_ptr<host::Command> inner_;
  std::string text_;
  std::vector<host::Parameter> parameters_;
};

}  // namespace

std::unique_ptr<host::Database> SqlTrace::Wrap(host::Database& database) {
  return std::make_unique<TracingDatabase>(*this, database);
}

std::unique_ptr<host::Command> SqlTrace::Wrap(std::unique_ptr<host::Command> command) {
  return std::make_unique<TracingCommand>(*this, std::move(command));
}

void SqlTrace::Write(const std::string& line) {
  out_ << line << '\n' << std::flush;
}

}  // namespace orla::app
