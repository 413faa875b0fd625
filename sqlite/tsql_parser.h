// The parser of the T-SQL translator (tsql_translator.h): statements read clause by clause,
// expressions typed bottom-up against the names in scope, SQLite written from the types.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sqlite/tsql_types.h"

namespace orla::sqlite::tsql::detail {

struct OutputColumn {
  std::string name;
  SqlType type;
  std::string declared;
};

// A table, working table or derived table that a FROM brings into scope.
struct Source {
  std::string qualifier;  // alias, or the table's own name
  std::vector<OutputColumn> columns;
};

struct Scope {
  std::vector<Source> sources;
  const Scope* outer = nullptr;
};

// Reads the nodes of one clause from left to right.
class Cursor {
 public:
  Cursor(const std::vector<Node>& nodes, std::size_t begin, std::size_t end)
      : nodes_(nodes), pos_(begin), end_(end) {}
  explicit Cursor(const std::vector<Node>& nodes) : Cursor(nodes, 0, nodes.size()) {}

  bool AtEnd() const { return pos_ >= end_; }
  bool Has(std::size_t ahead) const { return pos_ + ahead < end_; }
  const Node& Peek(std::size_t ahead = 0) const { return nodes_[pos_ + ahead]; }
  const Node& Take() { return nodes_[pos_++]; }
  // The node to name in an error: the next one, or the last of the clause.
  const Node& Here() const { return nodes_[std::min(pos_, end_ - 1)]; }
  bool PeekWord(std::string_view word, std::size_t ahead = 0) const {
    return Has(ahead) && IsWordNode(Peek(ahead), word);
  }
  bool TakeWord(std::string_view word) {
    if (PeekWord(word)) {
      ++pos_;
      return true;
    }
    return false;
  }
  void ExpectWord(std::string_view word, std::string_view context) {
    if (!TakeWord(word)) {
      if (AtEnd()) {
        throw TranslationError(std::string(context) + " needs " + std::string(word));
      }
      Fail(Peek(),
           std::string(context) + " needs " + std::string(word) + ", not " + Describe(Peek()));
    }
  }
  bool PeekOperator(std::string_view op) const { return !AtEnd() && IsOperatorNode(Peek(), op); }
  bool PeekComma() const { return !AtEnd() && IsCommaNode(Peek()); }
  void ExpectEnd(std::string_view context) const {
    if (!AtEnd()) {
      Fail(Peek(), "unexpected " + Describe(Peek()) + " in " + std::string(context));
    }
  }
  std::size_t Position() const { return pos_; }
  std::size_t End() const { return end_; }
  void Seek(std::size_t pos) { pos_ = pos; }
  const std::vector<Node>& Nodes() const { return nodes_; }

 private:
  const std::vector<Node>& nodes_;
  std::size_t pos_;
  std::size_t end_;
};

const OutputColumn* FindColumn(const Source& source, std::string_view name);

struct SelectResult {
  std::string sql;
  std::vector<OutputColumn> columns;
  std::optional<TableName> into;
  bool top = false;        // TOP limits it
  bool singleRow = false;  // it cannot give more than one row
};

// One SELECT being read, for SQL Server's rules on grouping and aggregates.
struct Level {
  enum class Clause { From, Where, GroupBy, Select, Having, OrderBy };
  const Scope* scope = nullptr;
  Clause clause = Clause::From;
  std::vector<std::string> groupKeys;  // the SQLite text of each GROUP BY term
  int aggregates = 0;                  // aggregate arguments being read
  bool aggregated = false;             // an aggregate met outside WHERE and GROUP BY
};

// A column read outside any aggregate of its own SELECT, which a grouped SELECT must have
// grouped.
struct Ref {
  std::size_t level;
  std::string name;    // as SQL Server names it: qualifier.column
  std::size_t offset;  // where it is written in the batch
};

struct FromItem {
  std::string join;  // how it joins the items before it: "", ", ", " INNER JOIN "...
  std::string body;  // the table or derived table with its alias
  std::optional<Expr> on;
  bool inner = true;
  std::optional<TableName> table;
};

struct From {
  std::vector<FromItem> items;
  Scope scope;

  std::string Sql(std::size_t first = 0) const {
    std::string sql;
    for (std::size_t i = first; i < items.size(); ++i) {
      sql += (i == first ? std::string() : items[i].join) + items[i].body +
             (!items[i].on || i == first ? std::string() : " ON " + items[i].on->sql);
    }
    return sql;
  }
};

struct SelectItem {
  Expr value;
  std::string name;
};

struct Core {
  bool distinct = false;
  std::string top;
  std::vector<SelectItem> items;
  std::string from, where, groupBy, having, orderBy;
  Scope scope;
  std::optional<TableName> into;
  bool aggregated = false;  // an aggregate without GROUP BY makes it one row
};

// Where each clause of one SELECT begins, at its own level.
struct Clauses {
  std::size_t into = 0, from = 0, where = 0, group = 0, having = 0;
};

class Translator {
 public:
  explicit Translator(Catalog& catalog) : catalog_(catalog) {}

  Translation Translate(const std::vector<Node>& nodes);

 private:
  // Expressions, loosest binding first.
  Expr Parse(Cursor& in, const Scope& scope);
  Expr ParseAnd(Cursor& in, const Scope& scope);
  Expr ParseNot(Cursor& in, const Scope& scope);
  Expr ParsePredicate(Cursor& in, const Scope& scope);
  Expr ParseAdditive(Cursor& in, const Scope& scope);
  Expr ParseMultiplicative(Cursor& in, const Scope& scope);
  Expr ParseUnary(Cursor& in, const Scope& scope);
  Expr ParsePrimary(Cursor& in, const Scope& scope);
  Expr ParseCase(Cursor& in, const Scope& scope, const Node& at);
  Expr ParseFunction(const Node& name, const Node& args, const Scope& scope);
  Expr ParseColumn(Cursor& in, const Scope& scope);
  Expr ParseAggregate(const Node& name, const Node& args, const Scope& scope);
  // After an expression read from refs_[mark] on: a term the SELECT is grouped by stands
  // for its columns.
  void Grouped(const Expr& e, std::size_t mark);
  // The columns of this SELECT read from refs_[mark] on, taken out of refs_.
  std::vector<Ref> TakeLocal(std::size_t mark);
  // The nodes make exactly one expression.
  Expr Whole(const std::vector<Node>& nodes, const Scope& scope, std::string_view context);
  Expr Condition(Cursor& in, const Scope& scope, std::string_view context);
  Expr Value(Cursor& in, const Scope& scope);

  Expr Compare(Expr left, std::string op, Expr right, const Node& at);
  Expr Arithmetic(Expr left, const std::string& op, Expr right, const Node& at);
  Expr CastTo(Expr value, const NamedType& to, const Node& at);

  // A SELECT with its UNION branches and ORDER BY. `outer` is what a subquery may refer to;
  // `targets` are the columns an INSERT fills, whose types the rows take. A `nested` one
  // (a subquery, derived table or view) takes ORDER BY only with TOP.
  SelectResult Select(const std::vector<Node>& nodes, const Scope* outer,
                      const std::vector<OutputColumn>* targets = nullptr, bool nested = true);
  // A table of the catalog, in scope under its own name; an error when there is none.
  Source TableSource(const TableName& table, const Node& at);
  From ParseFrom(Cursor& in, const Scope* outer);
  // One branch of a SELECT, up to where the next branch begins; a SELECT of one branch
  // with its ORDER BY, which begins at `order` (`end` when there is none).
  Core ParseCore(const std::vector<Node>& nodes, std::size_t begin, std::size_t order,
                 std::size_t end, const Scope* outer);
  std::string OrderBy(const std::vector<Node>& nodes, std::size_t order, std::size_t end,
                      const Core& core, const std::vector<OutputColumn>& columns,
                      std::vector<Ref>& refs);

  Translation Insert(const std::vector<Node>& nodes);
  Translation Update(const std::vector<Node>& nodes);
  Translation Delete(const std::vector<Node>& nodes);
  Translation Drop(const std::vector<Node>& nodes);
  Translation CreateView(const std::vector<Node>& nodes);
  Translation CreateTable(const std::vector<Node>& nodes);
  Translation CreateIndex(const std::vector<Node>& nodes);

  Catalog& catalog_;
  int depth_ = 0;              // expressions being parsed inside one another (Nested)
  int cases_ = 0;              // CASE expressions being parsed inside one another
  std::vector<Level> levels_;  // the SELECTs being read, outermost first
  std::vector<Ref> refs_;
};

// Parentheses, CASE, NOT and signs nest expressions within one another; parsing them is
// recursive, so a statement nested deeper than this is refused before it exhausts the stack,
// as SQL Server refuses one that is "nested too deeply".
inline constexpr int kMaxNesting = 200;

}  // namespace orla::sqlite::tsql::detail
