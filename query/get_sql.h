// The one entry through which eleven operations obtain their query: a report kind and a
// loosely typed argument list, handed to the kind's builder. The caller passes the builders
// down; each report's unit knows how its builder reads the list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "host/database.h"
#include "host/value.h"

namespace orla::query {

// A1 to A15; a caller fills A1 upwards and leaves the rest missing.
using SqlArguments = std::array<std::optional<host::Value>, 15>;

// What a builder receives: the two list indexes, private copies of A1 to A15 read with the
// runtime's coercions (a position read but left missing is a type mismatch naming it),
// `oDB` and the extra slot.
class BuilderArguments {
 public:
  BuilderArguments(int32_t orderIndex, int32_t classificationIndex, const SqlArguments& arguments,
                   host::Database* oDB, host::Value* extra);

  int32_t OrderIndex() const { return orderIndex_; }
  int32_t ClassificationIndex() const { return classificationIndex_; }
  // Positions are numbered from 1, as the operations number them.
  std::string Text(int position) const;
  bool Boolean(int position) const;
  int32_t Int32(int position) const;
  double Double(int position) const;
  // Raises when the caller gave no database.
  host::Database& Database() const;
  host::Value* Extra() const { return extra_; }

 private:
  const host::Value& At(int position) const;

  int32_t orderIndex_;
  int32_t classificationIndex_;
  SqlArguments arguments_;
  host::Database* oDB_;
  host::Value* extra_;
};

using QueryBuilder = std::function<std::string(const BuilderArguments&)>;

// The builders by report kind, 0 to 10. A kind without one gives empty text, as a kind
// outside 0 to 10 does.
using QueryBuilders = std::array<QueryBuilder, 11>;

// The query text of the kind's builder, unchanged.
std::string GetSQL(int32_t ReportKind, int32_t OrderListIndex, int32_t ClassificationListIndex,
                   const SqlArguments& arguments, host::Database* oDB, host::Value* extra,
                   const QueryBuilders& builders);

}  // namespace orla::query
