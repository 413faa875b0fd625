#include "engine/rows.h"

#include <algorithm>
#include <optional>
#include <queue>

#include "host/row_spool.h"

namespace orla::engine {

// A sort's result: the rows in memory when they fit one run, else in a spool.
struct SortedData {
  std::vector<Row> memory;
  std::unique_ptr<host::RowSpool> spool;
};

namespace {

using Kind = host::Value::Kind;

// --- Reading the recordset -------------------------------------------------------------

class RecordsetRows final : public RowSource {
 public:
  RecordsetRows(const Layout& layout, const FieldBinding& binding, host::RecordsetRef recordset)
      : recordset_(std::move(recordset)) {
    for (size_t f = 0; f < layout.fields.size(); ++f) {
      if (auto column = binding.Column(f)) {
        reads_.emplace_back(f, *column);
      }
    }
    width_ = layout.fields.size();
  }

  void Rewind() override {
    if (recordset_) {
      recordset_->MoveFirst();
    }
  }

  bool Next(Row& row) override {
    if (!recordset_ || AtEnd(*recordset_)) {
      return false;
    }
    row.assign(width_, host::Value());
    for (const auto& [field, column] : reads_) {
      row[field] = recordset_->FieldAt(column);
    }
    recordset_->MoveNext();
    return true;
  }

 private:
  host::RecordsetRef recordset_;
  std::vector<std::pair<size_t, size_t>> reads_;
  size_t width_ = 0;
};

// --- Sorting with bounded memory -------------------------------------------------------

class RowOrder {
 public:
  explicit RowOrder(std::vector<SortKey> keys) : keys_(std::move(keys)) {}
  bool Less(const Row& a, const Row& b) const {
    for (const SortKey& k : keys_) {
      const int c = CompareValues(a[k.field], b[k.field]);
      if (c != 0) {
        return k.descending ? c > 0 : c < 0;
      }
    }
    return false;
  }

 private:
  std::vector<SortKey> keys_;
};

// Sorted runs of at most `chunkRows` rows are spooled and merged into one spool; equal rows
// keep the order they came in, so the result does not depend on the runs. The result is kept
// where the caller asks, so that every walk of a rendering reads the one sort.
class SortedRows final : public RowSource {
 public:
  SortedRows(std::unique_ptr<RowSource> source, std::vector<SortKey> keys, size_t width,
             size_t chunkRows, const host::Recordset* recordset, KeptRows* kept)
      : source_(std::move(source)),
        order_(std::move(keys)),
        width_(width),
        chunkRows_(std::max<size_t>(chunkRows, 2)),
        recordset_(recordset),
        kept_(kept) {}

  void Rewind() override {
    if (!sorted_) {
      if (kept_ != nullptr && kept_->source == recordset_) {
        sorted_ = kept_->rows;
      }
      if (!sorted_) {
        sorted_ = Sort();
        if (kept_ != nullptr) {
          *kept_ = {recordset_, sorted_};
        }
      }
      if (sorted_->spool) {
        reader_.emplace(*sorted_->spool);
      }
    }
    position_ = 0;
    if (reader_) {
      reader_->Rewind();
    }
  }

  bool Next(Row& row) override {
    if (reader_) {
      return reader_->ReadRow(row, width_);
    }
    if (position_ >= sorted_->memory.size()) {
      return false;
    }
    row = sorted_->memory[position_++];
    return true;
  }

 private:
  void SortChunk(std::vector<Row>& chunk) const {
    std::stable_sort(chunk.begin(), chunk.end(),
                     [this](const Row& a, const Row& b) { return order_.Less(a, b); });
  }

  // Spilled from the first byte: the runs together hold every row.
  std::unique_ptr<host::RowSpool> SpoolRun(std::vector<Row>& chunk) const {
    SortChunk(chunk);
    auto run = std::make_unique<host::RowSpool>(0);
    for (const Row& r : chunk) {
      run->Append(r);
    }
    return run;
  }

  std::shared_ptr<SortedData> Sort() {
    auto sorted = std::make_shared<SortedData>();
    source_->Rewind();
    std::vector<std::unique_ptr<host::RowSpool>> runs;
    std::vector<Row> chunk;
    Row row;
    while (source_->Next(row)) {
      chunk.push_back(row);
      if (chunk.size() == chunkRows_) {
        runs.push_back(SpoolRun(chunk));
        chunk.clear();
      }
    }
    if (runs.empty()) {
      SortChunk(chunk);
      sorted->memory = std::move(chunk);
      return sorted;
    }
    if (!chunk.empty()) {
      runs.push_back(SpoolRun(chunk));
    }
    sorted->spool = Merge(runs);
    return sorted;
  }

  std::unique_ptr<host::RowSpool> Merge(const std::vector<std::unique_ptr<host::RowSpool>>& runs) {
    struct Head {
      Row row;
      size_t run;
    };
    auto later = [this](const Head& a, const Head& b) {
      if (order_.Less(b.row, a.row)) {
        return true;
      }
      return !order_.Less(a.row, b.row) && a.run > b.run;
    };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> queue(later);
    std::vector<host::RowSpool::Reader> readers;
    for (size_t i = 0; i < runs.size(); ++i) {
      readers.emplace_back(*runs[i]);
      Head head{{}, i};
      if (readers[i].ReadRow(head.row, width_)) {
        queue.push(std::move(head));
      }
    }
    auto merged = std::make_unique<host::RowSpool>(0);
    while (!queue.empty()) {
      Head head = queue.top();
      queue.pop();
      merged->Append(head.row);
      if (readers[head.run].ReadRow(head.row, width_)) {
        queue.push(std::move(head));
      }
    }
    return merged;
  }

  std::unique_ptr<RowSource> source_;
  RowOrder order_;
  size_t width_;
  size_t chunkRows_;
  const host::Recordset* recordset_;
  KeptRows* kept_;
  std::shared_ptr<const SortedData> sorted_;
  std::optional<host::RowSpool::Reader> reader_;
  size_t position_ = 0;
};

// --- Collation -------------------------------------------------------------------------

char Lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The letters U+00C0..U+00FF (UTF-8 0xC3 0x80..0xBF) as their base letter.
constexpr char kLatin1Base[] =
    "aaaaaaaceeeeiiiidnooooo*ouuuuyts"
    "aaaaaaaceeeeiiiidnooooo/ouuuuyty";

char FoldedAt(std::string_view s, size_t& pos) {
  const auto c = static_cast<unsigned char>(s[pos]);
  if (c == 0xC3 && pos + 1 < s.size()) {
    const auto next = static_cast<unsigned char>(s[pos + 1]);
    if (next >= 0x80 && next <= 0xBF) {
      pos += 2;
      return kLatin1Base[next - 0x80];
    }
  }
  ++pos;
  return Lower(c);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int CompareNumbers(const host::Value& a, const host::Value& b) {
  if (a.GetKind() == Kind::Integer && b.GetKind() == Kind::Integer) {
    return a.AsInteger() < b.AsInteger() ? -1 : a.AsInteger() > b.AsInteger() ? 1 : 0;
  }
  auto number = [](const host::Value& v) {
    switch (v.GetKind()) {
      case Kind::Boolean:
        return v.AsBoolean() ? 1.0 : 0.0;
      case Kind::Integer:
        return static_cast<double>(v.AsInteger());
      default:
        return v.AsDouble();
    }
  };
  const double x = number(a);
  const double y = number(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

int Rank(Kind kind) {
  switch (kind) {
    case Kind::Null:
      return 0;
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Double:
      return 1;
    case Kind::Date:
      return 2;
    case Kind::Text:
      return 3;
  }
  return 4;
}

}  // namespace

FieldBinding::FieldBinding(const Layout& layout, host::Recordset* recordset)
    : columns_(layout.fields.size()), present_(layout.fields.size(), recordset == nullptr) {
  if (recordset == nullptr) {
    return;
  }
  const std::vector<host::Column>& columns = recordset->Columns();
  for (size_t f = 0; f < layout.fields.size(); ++f) {
    const FieldDef& field = layout.fields[f];
    if (field.computed) {
      // Computed from earlier fields only, so their presence is already known.
      present_[f] = std::all_of(field.compute->Fields().begin(), field.compute->Fields().end(),
                                [&](size_t used) { return present_[used]; });
      continue;
    }
    for (size_t c = 0; c < columns.size(); ++c) {
      if (EqualsIgnoringCase(columns[c].name, field.id)) {
        columns_[f] = c;
        present_[f] = true;
        break;
      }
    }
  }
}

std::unique_ptr<RowSource> OpenRows(const Layout& layout, const FieldBinding& binding,
                                    host::RecordsetRef recordset, KeptRows* kept,
                                    size_t chunkRows) {
  const host::Recordset* source = recordset.get();
  std::unique_ptr<RowSource> rows =
      std::make_unique<RecordsetRows>(layout, binding, std::move(recordset));
  std::vector<SortKey> keys;
  for (const SortKey& k : layout.sort) {
    if (binding.Column(k.field)) {
      keys.push_back(k);
    }
  }
  if (keys.empty()) {
    return rows;
  }
  return std::make_unique<SortedRows>(std::move(rows), std::move(keys), layout.fields.size(),
                                      chunkRows, source, kept);
}

bool AtEnd(host::Recordset& recordset) {
  const host::Value eof = recordset.Eof();
  switch (eof.GetKind()) {
    case Kind::Boolean:
      return eof.AsBoolean();
    case Kind::Integer:
      return eof.AsInteger() != 0;  // the runtime's True is -1
    default:
      return false;
  }
}

int CompareText(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t ei = i;
      size_t ej = j;
      while (ei < a.size() && IsDigit(a[ei])) {
        ++ei;
      }
      while (ej < b.size() && IsDigit(b[ej])) {
        ++ej;
      }
      std::string_view x = a.substr(i, ei - i);
      std::string_view y = b.substr(j, ej - j);
      while (x.size() > 1 && x.front() == '0') {
        x.remove_prefix(1);
      }
      while (y.size() > 1 && y.front() == '0') {
        y.remove_prefix(1);
      }
      if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
      }
      if (const int c = x.compare(y); c != 0) {
        return c < 0 ? -1 : 1;
      }
      i = ei;
      j = ej;
      continue;
    }
    const char x = FoldedAt(a, i);
    const char y = FoldedAt(b, j);
    if (x != y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
  }
  if (i < a.size() || j < b.size()) {
    return i < a.size() ? 1 : -1;
  }
  // Equal when folded: fall back to the bytes, so that the order is total.
  const int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareValues(const host::Value& a, const host::Value& b) {
  const int ra = Rank(a.GetKind());
  const int rb = Rank(b.GetKind());
  if (ra != rb) {
    return ra < rb ? -1 : 1;
  }
  switch (ra) {
    case 1:
      return CompareNumbers(a, b);
    case 2:
      return a.AsDate() < b.AsDate() ? -1 : b.AsDate() < a.AsDate() ? 1 : 0;
    case 3:
      return CompareText(a.AsText(), b.AsText());
    default:
      return 0;
  }
}

}  // namespace orla::engine
