// The second stage of the T-SQL adapter: a batch of SQL Server statements, cut into
// tokens, becomes SQLite statements with SQL Server's meaning. The translator knows a closed
// set of constructs; anything else raises TranslationError naming the construct, so that no
// statement reaches SQLite half translated.
//
// Meanings kept:
// - [names] and "names" are identifiers; every plain identifier is quoted on the way out.
// - ##X and ###X (also TempDB.dbo.##X) live in the schema `tempdb`, shared by every
//   connection of the process (connection.h).
// - WITH (NOLOCK) is dropped; SELECT TOP n becomes LIMIT n.
// - SELECT ... INTO X creates X with the columns' declared types, then fills it.
// - A chain of + with a text literal or a CONVERT/CAST to text among its operands is a
//   concatenation (||); any other + adds.
// - ISNULL, CONVERT(VARCHAR(n), x, style) for styles 103, 108, 111, 112, 120, and CAST to
//   DATETIME, FLOAT, BIT, INT, MONEY, VARCHAR run through functions registered on every
//   connection (sql_functions.h).
// - Date literals beside a comparison or in BETWEEN, and text values inserted into DATETIME
//   columns, are written in the stored form (date_text.h), so they compare as dates.
// - Column types: text columns compare with the TSQL collation (letter case and trailing
//   blanks ignored), MONEY and NUMERIC have REAL affinity, DATETIME has TEXT affinity,
//   IDENTITY becomes an autoincrementing integer key that positional INSERTs skip.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/database.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite::tsql {

class TranslationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A table as SQLite names it.
struct TableName {
  bool temp = false;  // a ## table, in the shared TempDB
  std::string name;   // bare, as written: "##VendasNosBicos", "Movimentações em Vendas"

  std::string Sql() const;  // tempdb."##X" or main."X"
};

struct CatalogColumn {
  std::string name;
  std::string declaredType;  // SQLite's declared type ("DATETIME TEXT", "VARCHAR(6)")
  bool identity = false;
};

// What the translator asks of the database it translates for.
class Catalog {
 public:
  virtual ~Catalog() = default;
  // The table's columns in creation order, or nothing when the table does not exist.
  virtual std::optional<std::vector<CatalogColumn>> Columns(const TableName& table) = 0;
};

// A parenthesised group keeps its contents as children, so that every rule sees one level
// of an expression at a time.
struct Node {
  Token token;  // for a group, its "("
  bool group = false;
  std::vector<Node> children;
};

using Statement = std::vector<Node>;

// Cuts a batch into statements: at ";" and where a new statement begins (an INSERT keeps
// its SELECT, a UNION its next SELECT, and IF OBJECT_ID(...) IS [NOT] NULL the statement it
// guards).
std::vector<Statement> SplitBatch(const std::vector<Token>& tokens);

struct Translation {
  enum class Kind { Run, CreateTableFromSelect };
  Kind kind = Kind::Run;
  // Run: the SQLite statement. CreateTableFromSelect: the SELECT without its INTO.
  std::string sql;
  // CreateTableFromSelect: the table to create.
  TableName target;
  // A SELECT: per column, the SQLite type of a CAST or CONVERT that makes the whole column
  // ("" when none), which SQLite does not report for computed columns.
  std::vector<std::string> typeHints;
  // IF OBJECT_ID('name') IS [NOT] NULL: run only when the table exists (or does not).
  std::optional<TableName> guardTable;
  bool guardWantsTable = true;
};

// Statements are translated one at a time, just before they run, so that a statement sees
// the tables the ones before it created.
Translation TranslateStatement(const Statement& statement, Catalog& catalog);

// The value kind of a column of this SQLite declared type (Unknown when it names none).
host::ColumnType ColumnTypeOfDeclared(std::string_view declaredType);
bool IsTextDeclared(std::string_view declaredType);

inline constexpr const char* kCollation = "TSQL";

}  // namespace orla::sqlite::tsql
