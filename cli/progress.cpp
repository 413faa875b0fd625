#include "cli/progress.h"

#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/messages.h"

namespace orla::cli {

namespace {

// Reports every this many rows; often enough to see it move, rarely enough to cost nothing.
constexpr int64_t kRowsPerReport = 20000;

class CountingRecordset final : public host::Recordset {
 public:
  CountingRecordset(host::RecordsetRef rows, std::string what, std::ostream& err)
      : rows_(std::move(rows)), what_(std::move(what)), err_(err) {}
  ~CountingRecordset() override { EndLine(); }

  host::Value Eof() override {
    host::Value eof = rows_->Eof();
    if (!eof.IsNull() && eof.AsBoolean()) {
      EndLine();
    }
    return eof;
  }
  void MoveNext() override {
    rows_->MoveNext();
    if (++read_ % kRowsPerReport == 0) {
      err_ << "\r" << RowsRead() << std::flush;
      lineOpen_ = true;
    }
  }
  void MoveFirst() override {
    rows_->MoveFirst();
    EndLine();
    read_ = 0;
    ++pass_;
  }
  host::Value Field(std::string_view name) override { return rows_->Field(name); }
  host::Value FieldAt(std::size_t index) override { return rows_->FieldAt(index); }
  const std::vector<host::Column>& Columns() override { return rows_->Columns(); }

 private:
  std::string RowsRead() const {
    return hostlib::Say("%s: %s rows read (pass %s)",
                        {what_, std::to_string(read_), std::to_string(pass_)});
  }

  void EndLine() {
    if (lineOpen_) {
      err_ << "\r" << RowsRead() << '\n' << std::flush;
      lineOpen_ = false;
    }
  }

  host::RecordsetRef rows_;
  std::string what_;
  std::ostream& err_;
  int64_t read_ = 0;
  int pass_ = 0;
  bool lineOpen_ = false;
};

void Wrap(engine::Report& report, const std::string& what, std::ostream& err) {
  if (const host::RecordsetRef& rows = report.DataSource()) {
    report.SetDataSource(std::make_shared<CountingRecordset>(rows, what, err));
  }
}

}  // namespace

demo::Progress TerminalProgress(std::ostream& err, bool terminal) {
  if (!terminal) {
    return {};
  }
  return [&err](int done, int days) {
    err << '\r'
        << hostlib::Say("Generating day %s of %s...", {std::to_string(done), std::to_string(days)})
        << std::flush;
    if (done == days) {
      err << "\n";
    }
  };
}

void ShowRowProgress(engine::Report& report, std::ostream& err) {
  Wrap(report, report.LayoutName(), err);
  for (const std::shared_ptr<engine::Report>& subreport : report.Subreports()) {
    Wrap(*subreport, report.LayoutName() + " / " + subreport->LayoutName(), err);
  }
}

}  // namespace orla::cli
