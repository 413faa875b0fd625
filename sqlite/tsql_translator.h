// The second stage of the T-SQL adapter: a batch of SQL Server statements, cut into tokens,
// becomes SQLite statements with SQL Server's meaning. Each statement is parsed into
// clauses and expressions, every expression is typed against the catalog (the database's
// tables and the TempDB working tables, whichever connection made them; SELECT ... INTO
// results and derived tables take the types of their select lists), and SQLite is written
// from the types. The translator knows a closed set of constructs; anything else raises
// TranslationError naming the construct and its offset in the batch, so that no statement
// reaches SQLite half understood.
//
// Meanings kept:
// - Types follow SQL Server's data type precedence (datetime > float > decimal/money > int >
//   bit > text): CASE, ISNULL, COALESCE, UNION columns and operators take the highest type
//   of their operands and convert the others. Text that must become a number or a date does
//   so as SQL Server would: a literal at translation, where one that is neither is an error
//   (in a CASE branch it fails only when taken, as there); any other text when the row is
//   read (tsql_int, tsql_float, tsql_datetime fail on text that is not one).
// - `+` concatenates two texts and adds anything else: '5' + a * b adds 5 to the product,
//   and 'x' + a * b is an error. Arithmetic runs in tsql_arith in the type SQL Server gives
//   it (int, bigint, money, decimal, float; a whole number beyond int is a decimal), each
//   step checked for overflow and division by zero, `/` whole for whole numbers. The
//   SQLite text has parentheses only where SQLite's precedence would read another tree, so
//   that nesting stays within SQLite's parser.
// - SQL Server's rules that SQLite lacks are errors with SQL Server's number: a grouped
//   SELECT reads only grouped or aggregated columns (8120, 8121, 8127), DISTINCT and UNION
//   sort by what they select (145, 104), ORDER BY in a subquery needs TOP (1033),
//   aggregates stand only where SQL Server takes them (130, 144, 147), a scalar subquery
//   gives one value (512), names are unique in FROM (1013).
// - Views keep the T-SQL types of their columns (kViewTypes); IF [NOT] EXISTS (SELECT ...)
//   guards a statement; INFORMATION_SCHEMA.TABLES and VIEWS read SQLite's schema.
// - A text literal meeting a date (compared, BETWEEN, IN, assigned, inserted, cast) is read
//   in the year-first forms the library writes ('YYYYMMDD', 'YYYY/MM/DD', 'YYYY-MM-DD', each
//   with an optional time) and written in the stored form (date_text.h); any other text,
//   such as '01/03/2024' (read by the language's date order) or a placeholder left in, is an
//   error.
// - Text is compared (=, <>, <, >, IN, BETWEEN, joins, CASE, NULLIF), grouped, made distinct,
//   united, sorted and taken MIN/MAX of under the TSQL collation (case-insensitive,
//   accent-sensitive), columns and expressions alike; LIKE runs under it too (tsql_like).
// - [names] and "names" are identifiers; ##X and ###X (also TempDB.dbo.##X) live in the
//   schema `tempdb`, shared by every connection of the process (connection.h). WITH (NOLOCK)
//   is dropped; TOP n becomes LIMIT n, also inside one branch of a UNION.
// - UPDATE t SET ... FROM t JOIN x ON ... (the target first in FROM, by alias or name)
//   becomes SQLite's UPDATE ... FROM, the join of x moving into WHERE; an outer join of the
//   target is refused. DELETE X without FROM is read.
// - Functions: ISNULL, COALESCE, NULLIF, CAST, CONVERT (styles 103, 108, 111, 112, 120 from a
//   date), ROUND, ABS, the aggregates, SUBSTRING, LEFT, RIGHT, LEN, LTRIM, RTRIM, UPPER,
//   LOWER, DATEADD, DATEDIFF, GETDATE (tsql_functions.h).
// - Column types: text columns carry the TSQL collation, MONEY and NUMERIC have REAL affinity,
//   DATETIME has TEXT affinity, IDENTITY becomes an autoincrementing integer key that
//   positional INSERTs skip.
//
// Known differences: money and decimals are doubles, so a long sum may drift by a fraction
// of a cent; a text longer than the VARCHAR(n) it is stored in is kept whole (SQL Server
// refuses it); money cast to int is cut, where SQL Server rounds it.
//
// The parts: tsql_types.h (types and conversions), tsql_parser.h (the parser), with
// tsql_expressions.cpp and tsql_select.cpp.
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
  enum class ObjectKind { Table, View };

  virtual ~Catalog() = default;
  // The columns of the table or view in creation order, or nothing when there is none. A
  // view's columns carry the T-SQL types its definition keeps (kViewTypes).
  virtual std::optional<std::vector<CatalogColumn>> Columns(const TableName& table) = 0;
  virtual std::optional<ObjectKind> Kind(const TableName& table) = 0;
};

// How a view's definition keeps the types of its columns: this comment, then the SQLite
// declared type of each column (DeclaredOf), separated by '|', then "*/".
inline constexpr const char* kViewTypes = "/* T-SQL types: ";

// A parenthesised group keeps its contents as children.
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
  enum class Kind { Run, Drop, CreateTableFromSelect };
  Kind kind = Kind::Run;
  // Run: the SQLite statement. CreateTableFromSelect: the SELECT without its INTO.
  std::string sql;
  // CreateTableFromSelect: the table to create and the CREATE TABLE that makes it.
  TableName target;
  std::string createSql;
  // A statement that gives rows: per column, the SQLite declared type of its T-SQL type.
  std::vector<std::string> typeHints;
  // IF OBJECT_ID('name') IS [NOT] NULL: run only when the table exists (or does not).
  std::optional<TableName> guardTable;
  // IF [NOT] EXISTS (SELECT ...): run only when this SQLite SELECT gives a row (or none).
  std::string guardSql;
  bool guardWantsTable = true;
  // Drop: the tables (or views) to drop.
  std::vector<TableName> drops;
  bool dropView = false;
  bool dropIfExists = false;
  // It changes the database rather than TempDB alone.
  bool writesDatabase = false;
  // The error the statement raises when it runs (a view made again), so that an IF guard
  // can still spare it.
  std::string failure;
};

// Statements are translated one at a time, just before they run, so that a statement sees
// the tables the ones before it created.
Translation TranslateStatement(const Statement& statement, Catalog& catalog);

// The value kind of a column of this SQLite declared type (Unknown when it names none).
host::ColumnType ColumnTypeOfDeclared(std::string_view declaredType);
bool IsTextDeclared(std::string_view declaredType);

inline constexpr const char* kCollation = "TSQL";

}  // namespace orla::sqlite::tsql
