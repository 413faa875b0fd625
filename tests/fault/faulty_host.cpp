#include "tests/fault/faulty_host.h"

#include "host/errors.h"

namespace orla::fault {

bool FaultPlan::Enter(std::string call) {
  if (!armed_) {
    return false;
  }
  calls_.push_back(std::move(call));
  const auto count = static_cast<int64_t>(calls_.size());
  if (failAt_ == 0 || count < failAt_ || (count > failAt_ && kind_ != FaultKind::Lost)) {
    return false;
  }
  if (kind_ != FaultKind::Withhold) {
    fired_ = true;
    throw host::HostError(
        host::error_number::kDatabase,
        "Injected fault at call " + std::to_string(count) + " (" + calls_.back() + ")",
        "Fault injection");
  }
  fired_ = calls_.back() == "Command.Item";
  return fired_;
}

void FaultPlan::Rearm(int64_t failAt) {
  armed_ = true;
  fired_ = false;
  kind_ = FaultKind::Raise;
  failAt_ = failAt == 0 ? 0 : static_cast<int64_t>(calls_.size()) + failAt;
}

namespace {

using PlanRef = std::shared_ptr<FaultPlan>;

class FaultyRecordset final : public host::Recordset {
 public:
  FaultyRecordset(host::RecordsetRef inner, PlanRef plan, std::string name)
      : inner_(std::move(inner)), plan_(std::move(plan)), name_(std::move(name)) {}

  host::Value Eof() override {
    plan_->Enter(name_ + ".Eof");
    return inner_->Eof();
  }
  void MoveNext() override {
    plan_->Enter(name_ + ".MoveNext");
    inner_->MoveNext();
  }
  void MoveFirst() override {
    plan_->Enter(name_ + ".MoveFirst");
    inner_->MoveFirst();
  }
  host::Value Field(std::string_view name) override {
    plan_->Enter(name_ + ".Field");
    return inner_->Field(name);
  }
  host::Value FieldAt(std::size_t index) override {
    plan_->Enter(name_ + ".FieldAt");
    return inner_->FieldAt(index);
  }
  const std::vector<host::Column>& Columns() override {
    plan_->Enter(name_ + ".Columns");
    return inner_->Columns();
  }

 private:
  host::RecordsetRef inner_;
  PlanRef plan_;
  std::string name_;
};

// Enough of a statement to tell the statements of one report apart, and the rows of a loop
// alike.
std::string Head(const std::string& sql) {
  return sql.substr(0, 40);
}

host::RecordsetRef Wrap(host::RecordsetRef recordset, const PlanRef& plan,
                        const std::string& origin) {
  return recordset ? std::make_shared<FaultyRecordset>(std::move(recordset), plan,
                                                       "Recordset of " + origin)
                   : nullptr;
}

class FaultyDatabaseObject final : public host::Database {
 public:
  FaultyDatabaseObject(host::Database& inner, PlanRef plan)
      : inner_(inner), plan_(std::move(plan)) {}

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    plan_->Enter("Database.OpenRecordSet " + Head(sql));
    return Wrap(inner_.OpenRecordSet(sql), plan_, Head(sql));
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    plan_->Enter("Database.SQL_Execute " + Head(sql));
    return Wrap(inner_.SQL_Execute(sql), plan_, Head(sql));
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override {
    plan_->Enter("Database.SQL_Execute " + Head(sql));
    return Wrap(inner_.SQL_Execute(sql, rowsAffected), plan_, Head(sql));
  }
  bool IsOpened() override {
    plan_->Enter("Database.IsOpened");
    return inner_.IsOpened();
  }
  void DB_Open() override {
    plan_->Enter("Database.DB_Open");
    inner_.DB_Open();
  }
  std::string GetConnectionString() override {
    plan_->Enter("Database.GetConnectionString");
    return inner_.GetConnectionString();
  }
  void DB_Close() override {
    plan_->Enter("Database.DB_Close");
    inner_.DB_Close();
  }

 private:
  host::Database& inner_;
  PlanRef plan_;
};

class FaultyCommandObject final : public host::Command, private host::ParameterCollection {
 public:
  FaultyCommandObject(std::unique_ptr<host::Command> inner, PlanRef plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}

  void SetActiveConnection(const std::string& connection) override {
    plan_->Enter("Command.SetActiveConnection");
    inner_->SetActiveConnection(connection);
  }
  void SetCommandTimeout(int32_t seconds) override {
    plan_->Enter("Command.SetCommandTimeout");
    inner_->SetCommandTimeout(seconds);
  }
  void SetCommandType(int32_t type) override {
    plan_->Enter("Command.SetCommandType");
    inner_->SetCommandType(type);
  }
  void SetCommandText(const std::string& text) override {
    plan_->Enter("Command.SetCommandText");
    inner_->SetCommandText(text);
  }
  host::Parameter CreateParameter(const std::string& name, int32_t type, int32_t direction,
                                  int32_t size, std::optional<host::Value> value) override {
    plan_->Enter("Command.CreateParameter");
    return inner_->CreateParameter(name, type, direction, size, std::move(value));
  }
  host::ParameterCollection& Parameters() override {
    plan_->Enter("Command.Parameters");
    return *this;
  }
  host::RecordsetRef Execute() override {
    plan_->Enter("Command.Execute");
    return Wrap(inner_->Execute(), plan_, "Command.Execute");
  }
  host::Value Item(std::string_view parameterName) override {
    if (plan_->Enter("Command.Item")) {
      return {};
    }
    return inner_->Item(parameterName);
  }

 private:
  void Append(host::Parameter parameter) override {
    plan_->Enter("Parameters.Append");
    inner_->Parameters().Append(std::move(parameter));
  }

  std::unique_ptr<host::Command> inner_;
  PlanRef plan_;
};

}  // namespace

std::unique_ptr<host::Database> FaultyDatabase(host::Database& inner,
                                               std::shared_ptr<FaultPlan> plan) {
  return std::make_unique<FaultyDatabaseObject>(inner, std::move(plan));
}

std::unique_ptr<host::Command> FaultyCommand(std::unique_ptr<host::Command> inner,
                                             std::shared_ptr<FaultPlan> plan) {
  return std::make_unique<FaultyCommandObject>(std::move(inner), std::move(plan));
}

}  // namespace orla::fault
