#include "sqlite/tsql_translator.h"

#include "sqlite/tsql_parser.h"

namespace orla::sqlite::tsql {

namespace detail {

namespace {

std::vector<OutputColumn> ColumnsOf(const Source& source, const std::vector<std::string>& names,
                                    const Node& at) {
  std::vector<OutputColumn> columns;
  for (const std::string& name : names) {
    const OutputColumn* column = FindColumn(source, name);
    if (column == nullptr) {
      Fail(at, "207: Invalid column name '" + name + "'.");
    }
    columns.push_back(*column);
  }
  return columns;
}

// SQLite would keep the last value given to a column; SQL Server refuses the statement.
void CheckAssignedOnce(const std::vector<std::string>& names, const Node& at) {
  for (std::size_t c = 0; c < names.size(); ++c) {
    for (std::size_t d = 0; d < c; ++d) {
      if (EqualsIgnoreCase(names[c], names[d])) {
        Fail(at, "264: The column name '" + names[c] +
                     "' is specified more than once in the SET clause or column list of an "
                     "INSERT. A column cannot be assigned more than one value in the same clause.");
      }
    }
  }
}

}  // namespace

Translation Translator::Insert(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  if (i < nodes.size() && IsWordNode(nodes[i], "INTO")) {
    ++i;
  }
  const auto table = ReadTableName(nodes, i);
  if (!table) {
    Fail(nodes[0], "INSERT needs a table name");
  }
  const Source target = TableSource(*table, nodes[0]);
  std::vector<std::string> names;
  if (i < nodes.size() && nodes[i].group) {
    for (const auto& part : SplitAtCommas(nodes[i].children)) {
      if (part.size() != 1 || part[0].group) {
        Fail(nodes[i], "the INSERT column list must hold names");
      }
      names.push_back(part[0].token.text);
    }
    ++i;
  } else {
    // SQL Server fills the identity column itself; a positional INSERT skips it.
    const auto catalogColumns = catalog_.Columns(*table);
    for (const CatalogColumn& column : *catalogColumns) {
      if (!column.identity) {
        names.push_back(column.name);
      }
    }
  }
  CheckAssignedOnce(names, nodes[0]);
  const std::vector<OutputColumn> columns = ColumnsOf(target, names, nodes[0]);
  std::string sql = "INSERT INTO " + table->Sql() + " (";
  for (std::size_t c = 0; c < names.size(); ++c) {
    sql += (c ? ", " : "") + QuoteName(columns[c].name);
  }
  sql += ")";
  Translation translation;
  if (i < nodes.size() && IsWordNode(nodes[i], "SELECT")) {
    translation.sql =
        sql + " " +
        Select({nodes.begin() + static_cast<long>(i), nodes.end()}, nullptr, &columns, false).sql;
    return translation;
  }
  if (i >= nodes.size() || !IsWordNode(nodes[i], "VALUES")) {
    Fail(nodes[std::min(i, nodes.size() - 1)], "INSERT needs VALUES or SELECT");
  }
  sql += " VALUES ";
  bool firstRow = true;
  for (std::size_t r = i + 1; r < nodes.size(); ++r) {
    if (IsCommaNode(nodes[r]) && !firstRow) {
      continue;
    }
    if (!nodes[r].group) {
      Fail(nodes[r], "VALUES must be followed by (row), (row)...");
    }
    const auto values = SplitAtCommas(nodes[r].children);
    if (values.size() != columns.size()) {
      Fail(nodes[r], "a VALUES row of " + std::to_string(values.size()) + " values for " +
                         std::to_string(columns.size()) + " columns");
    }
    sql += firstRow ? "(" : ", (";
    firstRow = false;
    for (std::size_t v = 0; v < values.size(); ++v) {
      const Expr value = Whole(values[v], {}, "VALUES");
      sql +=
          (v ? ", " : "") + ConvertTo(value, columns[v].type, Conversion::Assignment, nodes[r]).sql;
    }
    sql += ")";
  }
  if (firstRow) {
    Fail(nodes[i], "VALUES needs a row");
  }
  translation.sql = sql;
  return translation;
}

Translation Translator::Update(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  const auto named = ReadTableName(nodes, i);
  if (!named || i >= nodes.size() || !IsWordNode(nodes[i], "SET")) {
    Fail(nodes[0], "UPDATE needs: table SET column = value, ...");
  }
  const std::size_t set = i;
  std::size_t fromAt = 0, whereAt = 0;
  for (std::size_t k = set + 1; k < nodes.size(); ++k) {
    if (IsWordNode(nodes[k], "FROM") && fromAt == 0 && whereAt == 0) {
      fromAt = k;
    } else if (IsWordNode(nodes[k], "WHERE") && whereAt == 0) {
      whereAt = k;
    }
  }
  const std::size_t setEnd = fromAt ? fromAt : whereAt ? whereAt : nodes.size();
  TableName table = *named;
  std::string alias;
  std::vector<Expr> moved;  // join conditions that become WHERE
  std::string fromSql;
  Scope scope;
  if (fromAt != 0) {
    Cursor in(nodes, fromAt + 1, whereAt ? whereAt : nodes.size());
    From from = ParseFrom(in, nullptr);
    if (from.scope.sources.size() != from.items.size()) {
      Fail(nodes[fromAt], "a join in parentheses in UPDATE ... FROM is not supported");
    }
    std::size_t found = from.items.size();
    for (std::size_t k = 0; k < from.items.size(); ++k) {
      const bool byAlias = EqualsIgnoreCase(from.scope.sources[k].qualifier, named->name);
      const bool byName = from.items[k].table && named->temp == from.items[k].table->temp &&
                          EqualsIgnoreCase(from.items[k].table->name, named->name);
      if (byAlias || byName) {
        found = k;
        break;
      }
    }
    if (found == from.items.size()) {
      scope.sources.push_back(TableSource(table, nodes[1]));
      for (Source& source : from.scope.sources) {
        scope.sources.push_back(std::move(source));
      }
      fromSql = from.Sql();
    } else {
      // SQLite joins the target to FROM itself: the target leaves FROM, and the join
      // that tied the next table to it becomes a WHERE condition.
      if (found != 0 || !from.items[0].table) {
        Fail(nodes[1], "UPDATE of " + named->name +
                           ", which is not the first table of its FROM, is not supported");
      }
      for (std::size_t k = 1; k < from.items.size() && k < 2; ++k) {
        if (!from.items[k].inner) {
          Fail(nodes[fromAt], "UPDATE whose target is outer-joined is not supported");
        }
        if (from.items[k].on) {
          moved.push_back(*from.items[k].on);
        }
      }
      table = *from.items[0].table;
      alias = from.scope.sources[0].qualifier;
      scope = std::move(from.scope);
      if (from.items.size() > 1) {
        fromSql = from.Sql(1);
      }
    }
  } else {
    scope.sources.push_back(TableSource(table, nodes[1]));
  }
  const Source& target = scope.sources[0];
  std::string sql = "UPDATE " + table.Sql() +
                    (alias.empty() || alias == table.name ? "" : " AS " + QuoteName(alias)) +
                    " SET ";
  const std::vector<Node> assignments(nodes.begin() + static_cast<long>(set) + 1,
                                      nodes.begin() + static_cast<long>(setEnd));
  bool first = true;
  std::vector<std::string> assigned;
  for (const auto& assignment : SplitAtCommas(assignments)) {
    std::size_t k = 0;
    if (assignment.size() > 2 && !assignment[1].group &&
        assignment[1].token.kind == TokenKind::Dot) {
      if (!EqualsIgnoreCase(assignment[0].token.text, target.qualifier)) {
        Fail(assignment[0], "SET names a column of " + assignment[0].token.text +
                                ", which is not the table updated");
      }
      k = 2;
    }
    if (k + 2 > assignment.size() || !IsOperatorNode(assignment[k + 1], "=")) {
      Fail(assignment.empty() ? nodes[set] : assignment[0], "SET needs column = value");
    }
    const OutputColumn column = ColumnsOf(target, {assignment[k].token.text}, assignment[k])[0];
    assigned.push_back(column.name);
    CheckAssignedOnce(assigned, assignment[k]);
    const Expr value =
        Whole({assignment.begin() + static_cast<long>(k) + 2, assignment.end()}, scope, "SET");
    sql += (first ? "" : ", ") + QuoteName(column.name) + " = " +
           ConvertTo(value, column.type, Conversion::Assignment, assignment[k]).sql;
    first = false;
  }
  if (!fromSql.empty()) {
    sql += " FROM " + fromSql;
  }
  if (whereAt != 0) {
    Cursor in(nodes, whereAt + 1, nodes.size());
    moved.push_back(Condition(in, scope, "WHERE"));
    in.ExpectEnd("WHERE");
  }
  for (std::size_t k = 0; k < moved.size(); ++k) {
    sql += (k ? " AND " : " WHERE ") + Operand(moved[k], kAnd + 1);
  }
  Translation translation;
  translation.sql = sql;
  return translation;
}

Translation Translator::Delete(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  if (i < nodes.size() && IsWordNode(nodes[i], "FROM")) {
    ++i;
  }
  const auto table = ReadTableName(nodes, i);
  if (!table) {
    Fail(nodes[0], "DELETE needs a table name");
  }
  Scope scope;
  scope.sources.push_back(TableSource(*table, nodes[0]));
  std::string sql = "DELETE FROM " + table->Sql();
  if (i < nodes.size()) {
    if (!IsWordNode(nodes[i], "WHERE")) {
      Fail(nodes[i], "DELETE with " + Describe(nodes[i]) + " is not supported");
    }
    Cursor in(nodes, i + 1, nodes.size());
    sql += " WHERE " + Condition(in, scope, "WHERE").sql;
    in.ExpectEnd("WHERE");
  }
  Translation translation;
  translation.sql = sql;
  return translation;
}

Translation Translator::Drop(const std::vector<Node>& nodes) {
  const bool view = nodes.size() > 1 && IsWordNode(nodes[1], "VIEW");
  if (nodes.size() < 3 || (!view && !IsWordNode(nodes[1], "TABLE"))) {
    Fail(nodes[0], "only DROP TABLE and DROP VIEW are supported");
  }
  const std::string what = view ? "view" : "table";
  std::size_t i = 2;
  const bool ifExists =
      i + 1 < nodes.size() && IsWordNode(nodes[i], "IF") && IsWordNode(nodes[i + 1], "EXISTS");
  if (ifExists) {
    i += 2;
  }
  // Whether each exists, and as what, is known only when it runs: another connection may
  // drop or make a ## table meanwhile, and an IF guard may spare the statement.
  Translation translation;
  translation.kind = Translation::Kind::Drop;
  translation.dropView = view;
  translation.dropIfExists = ifExists;
  while (true) {
    const std::size_t at = i;
    const auto table = ReadTableName(nodes, i);
    if (!table) {
      Fail(nodes[std::min(at, nodes.size() - 1)], "DROP " + Upper(what) + " needs a name");
    }
    translation.drops.push_back(*table);
    translation.writesDatabase = translation.writesDatabase || !table->temp;
    if (i == nodes.size()) {
      break;
    }
    if (!IsCommaNode(nodes[i]) || i + 1 == nodes.size()) {
      Fail(nodes[i], "DROP " + Upper(what) + " takes names separated by commas");
    }
    ++i;
  }
  return translation;
}

Translation Translator::CreateView(const std::vector<Node>& nodes) {
  std::size_t i = 2;
  const auto view = ReadTableName(nodes, i);
  if (!view) {
    Fail(nodes[0], "CREATE VIEW needs a name");
  }
  if (view->temp) {
    Fail(nodes[2], "a view cannot be a ## working table");
  }
  std::vector<std::string> names;
  if (i < nodes.size() && nodes[i].group) {
    for (const auto& part : SplitAtCommas(nodes[i].children)) {
      if (part.size() != 1 || part[0].group) {
        Fail(nodes[i], "the column list of a view must hold names");
      }
      names.push_back(part[0].token.text);
    }
    ++i;
  }
  if (i + 1 >= nodes.size() || !IsWordNode(nodes[i], "AS") || !IsWordNode(nodes[i + 1], "SELECT")) {
    Fail(nodes[std::min(i, nodes.size() - 1)], "CREATE VIEW needs: name AS SELECT ...");
  }
  Translation translation;
  if (catalog_.Kind(*view)) {
    translation.failure =
        "2714: There is already an object named '" + view->name + "' in the database.";
  }
  const SelectResult select =
      Select({nodes.begin() + static_cast<long>(i) + 1, nodes.end()}, nullptr);
  if (select.into) {
    Fail(nodes[i + 1], "a view cannot SELECT ... INTO");
  }
  if (!names.empty() && names.size() != select.columns.size()) {
    const bool fewer = select.columns.size() < names.size();
    Fail(nodes[i], std::string(fewer ? "8159: '" : "8158: '") + view->name + "' has " +
                       (fewer ? "fewer" : "more") +
                       " columns than were specified in the column list.");
  }
  // The view keeps each column's T-SQL type in its definition, where the catalog reads it.
  std::string columns;
  std::string types;
  for (std::size_t c = 0; c < select.columns.size(); ++c) {
    const std::string name = names.empty() ? select.columns[c].name : names[c];
    if (name.empty()) {
      Fail(nodes[i + 1],
           "4511: Create View or Function failed because no column name was "
           "specified for column " +
               std::to_string(c + 1) + ".");
    }
    for (std::size_t d = 0; d < c; ++d) {
      if (EqualsIgnoreCase(names.empty() ? select.columns[d].name : names[d], name)) {
        Fail(nodes[i + 1],
             "4506: Column names in each view or function must be unique. Column "
             "name '" +
                 name + "' in view or function '" + view->name + "' is specified more than once.");
      }
    }
    columns += (c ? ", " : "") + QuoteName(name);
    types += (c ? "|" : "") + DeclaredOf(select.columns[c].type);
  }
  translation.sql = "CREATE VIEW " + view->Sql() + " (" + columns + ") AS " +
                    std::string(kViewTypes) + types + " */ " + select.sql;
  translation.writesDatabase = true;
  return translation;
}

namespace {

std::string NameList(const Node& group) {
  std::string sql;
  for (const auto& part : SplitAtCommas(group.children)) {
    if (part.empty() || part.size() > 2 || part[0].group ||
        (part.size() == 2 && !IsWordNode(part[1], "ASC") && !IsWordNode(part[1], "DESC"))) {
      Fail(group, "a list of column names is expected");
    }
    if (!sql.empty()) {
      sql += ", ";
    }
    sql += QuoteName(part[0].token.text);
    if (part.size() == 2) {
      sql += ' ';
      sql += Upper(part[1].token.text);
    }
  }
  return std::string("(").append(sql).append(")");
}

}  // namespace

Translation Translator::CreateTable(const std::vector<Node>& nodes) {
  std::size_t i = 2;
  const auto table = ReadTableName(nodes, i);
  if (!table || i + 1 != nodes.size() || !nodes[i].group) {
    Fail(nodes[0], "CREATE TABLE needs a name and a column list");
  }
  std::string sql = "CREATE TABLE " + table->Sql() + " (";
  bool firstColumn = true;
  for (const auto& definition : SplitAtCommas(nodes[i].children)) {
    if (definition.empty()) {
      Fail(nodes[i], "an empty column definition");
    }
    sql += firstColumn ? "" : ", ";
    firstColumn = false;
    if (IsWordNode(definition[0], "PRIMARY") || IsWordNode(definition[0], "CONSTRAINT")) {
      const std::size_t k = IsWordNode(definition[0], "CONSTRAINT") ? 2 : 0;
      if (k >= definition.size() || !IsWordNode(definition[k], "PRIMARY") ||
          !definition.back().group) {
        Fail(definition[0], "only PRIMARY KEY (columns) table constraints are supported");
      }
      sql += "PRIMARY KEY " + NameList(definition.back());
      continue;
    }
    if (definition.size() < 2 || definition[1].group) {
      Fail(definition[0], "the column " + definition[0].token.text + " needs a type");
    }
    std::size_t k = 2;
    const Node* typeArgs = nullptr;
    if (k < definition.size() && definition[k].group) {
      typeArgs = &definition[k++];
    }
    const NamedType type = MapType(definition[1], typeArgs);
    bool identity = false;
    bool primaryKey = false;
    std::string constraints;
    for (; k < definition.size(); ++k) {
      const Node& word = definition[k];
      if (IsWordNode(word, "IDENTITY")) {
        if (k + 1 < definition.size() && definition[k + 1].group) {
          const auto seed = SplitAtCommas(definition[k + 1].children);
          if (seed.size() != 2 || seed[0].size() != 1 || seed[1].size() != 1 ||
              WholeNumber(seed[0][0], "IDENTITY") != 1 ||
              WholeNumber(seed[1][0], "IDENTITY") != 1) {
            Fail(word, "only IDENTITY(1, 1) is supported");
          }
          ++k;
        }
        identity = true;
      } else if (IsWordNode(word, "PRIMARY") && k + 1 < definition.size() &&
                 IsWordNode(definition[k + 1], "KEY")) {
        primaryKey = true;
        ++k;
      } else if (IsWordNode(word, "CLUSTERED") || IsWordNode(word, "NONCLUSTERED") ||
                 IsWordNode(word, "NULL")) {
      } else if (IsWordNode(word, "NOT") && k + 1 < definition.size() &&
                 IsWordNode(definition[k + 1], "NULL")) {
        constraints += " NOT NULL";
        ++k;
      } else if (IsWordNode(word, "UNIQUE")) {
        constraints += " UNIQUE";
      } else if (IsWordNode(word, "DEFAULT") && k + 1 < definition.size()) {
        const Expr value = Whole({definition[k + 1]}, {}, "DEFAULT");
        constraints += " DEFAULT " +
                       ConvertTo(value, type.type, Conversion::Assignment, definition[k + 1]).sql;
        ++k;
      } else {
        Fail(word, "the column option " + word.token.text + " is not supported");
      }
    }
    if (identity && !primaryKey) {
      Fail(definition[0], "IDENTITY is supported only on the PRIMARY KEY column");
    }
    sql += QuoteName(definition[0].token.text) + " ";
    if (identity) {
      sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else {
      sql += type.declared;
      if (type.type.family == Family::Text) {
        sql += std::string(" COLLATE ") + kCollation;
      }
      if (primaryKey) {
        sql += " PRIMARY KEY";
      }
    }
    sql += constraints;
  }
  Translation translation;
  translation.sql = sql + ")";
  return translation;
}

Translation Translator::CreateIndex(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  bool unique = false;
  for (; i < nodes.size() && !IsWordNode(nodes[i], "INDEX"); ++i) {
    if (IsWordNode(nodes[i], "UNIQUE")) {
      unique = true;
    } else if (!IsWordNode(nodes[i], "CLUSTERED") && !IsWordNode(nodes[i], "NONCLUSTERED")) {
      Fail(nodes[i], "CREATE " + nodes[i].token.text + " is not supported");
    }
  }
  if (i + 2 >= nodes.size() || !IsWordNode(nodes[i + 2], "ON")) {
    Fail(nodes[0], "CREATE INDEX needs: name ON table (columns)");
  }
  const std::string indexName = nodes[i + 1].token.text;
  std::size_t k = i + 3;
  const auto table = ReadTableName(nodes, k);
  if (!table || k + 1 != nodes.size() || !nodes[k].group) {
    Fail(nodes[0], "CREATE INDEX needs: name ON table (columns)");
  }
  // SQLite puts the schema on the index and names the table bare.
  Translation translation;
  translation.sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                    (table->temp ? "tempdb." : "main.") + QuoteName(indexName) + " ON " +
                    QuoteName(table->name) + " " + NameList(nodes[k]);
  return translation;
}

Translation Translator::Translate(const std::vector<Node>& nodes) {
  if (nodes.empty() || nodes[0].group || nodes[0].token.kind != TokenKind::Word) {
    throw TranslationError("a statement must begin with a keyword");
  }
  const std::string first = Upper(nodes[0].token.text);
  if (first == "IF") {
    // IF [NOT] EXISTS (SELECT ...) <statement>
    const std::size_t exists = nodes.size() > 1 && IsWordNode(nodes[1], "NOT") ? 2 : 1;
    if (exists + 2 < nodes.size() && IsWordNode(nodes[exists], "EXISTS") &&
        nodes[exists + 1].group) {
      const SelectResult guard = Select(nodes[exists + 1].children, nullptr);
      Translation translation =
          Translate({nodes.begin() + static_cast<std::ptrdiff_t>(exists) + 2, nodes.end()});
      translation.guardSql = guard.sql;
      translation.guardWantsTable = exists == 1;
      return translation;
    }
    // IF OBJECT_ID('name') IS [NOT] NULL <statement>
    const bool shape = nodes.size() > 5 && IsWordNode(nodes[1], "OBJECT_ID") && nodes[2].group &&
                       nodes[2].children.size() == 1 &&
                       nodes[2].children[0].token.kind == TokenKind::String &&
                       IsWordNode(nodes[3], "IS");
    if (!shape) {
      Fail(nodes[0],
           "IF is supported only as IF OBJECT_ID('table') IS [NOT] NULL or IF [NOT] "
           "EXISTS (SELECT ...)");
    }
    const bool negated = IsWordNode(nodes[4], "NOT");
    const std::size_t nullAt = negated ? 5 : 4;
    if (nullAt >= nodes.size() || !IsWordNode(nodes[nullAt], "NULL") ||
        nullAt + 1 >= nodes.size()) {
      Fail(nodes[0], "IF OBJECT_ID(...) IS [NOT] NULL needs a statement to guard");
    }
    const std::vector<Token> nameTokens = Tokenize(nodes[2].children[0].token.text);
    std::vector<Node> nameNodes;
    for (const Token& token : nameTokens) {
      nameNodes.push_back({token, false, {}});
    }
    std::size_t k = 0;
    auto table = ReadTableName(nameNodes, k);
    if (!table || k != nameNodes.size()) {
      Fail(nodes[2], "OBJECT_ID needs a table name, not '" + nodes[2].children[0].token.text + "'");
    }
    Translation translation =
        Translate({nodes.begin() + static_cast<std::ptrdiff_t>(nullAt) + 1, nodes.end()});
    translation.guardTable = *table;
    translation.guardWantsTable = negated;
    return translation;
  }
  if (first == "SELECT") {
    SelectResult select = Select(nodes, nullptr, nullptr, false);
    Translation translation;
    translation.sql = select.sql;
    for (const OutputColumn& column : select.columns) {
      translation.typeHints.push_back(column.declared.empty() ? DeclaredOf(column.type)
                                                              : column.declared);
    }
    if (select.into) {
      translation.writesDatabase = !select.into->temp;
      translation.kind = Translation::Kind::CreateTableFromSelect;
      translation.target = *select.into;
      std::string create = "CREATE TABLE " + select.into->Sql() + " (";
      for (std::size_t c = 0; c < select.columns.size(); ++c) {
        if (select.columns[c].name.empty()) {
          Fail(nodes[0],
               "1038: An object or column name is missing or empty. For SELECT INTO "
               "statements, verify each column has a name.");
        }
        create +=
            (c ? ", " : "") + QuoteName(select.columns[c].name) + " " + translation.typeHints[c];
        if (select.columns[c].type.family == Family::Text) {
          create += std::string(" COLLATE ") + kCollation;
        }
      }
      translation.createSql = create + ")";
    }
    return translation;
  }
  if (first == "INSERT" || first == "UPDATE" || first == "DELETE") {
    std::size_t k =
        nodes.size() > 1 && (IsWordNode(nodes[1], "INTO") || IsWordNode(nodes[1], "FROM")) ? 2 : 1;
    const auto target = ReadTableName(nodes, k);
    if (target && catalog_.Kind(*target) == Catalog::ObjectKind::View) {
      Fail(nodes[0], first + " through a view (" + target->name + ") is not supported");
    }
  }
  Translation translation;
  std::size_t target = 1;
  if (first == "INSERT") {
    translation = Insert(nodes);
    target = nodes.size() > 1 && IsWordNode(nodes[1], "INTO") ? 2 : 1;
  } else if (first == "UPDATE") {
    translation = Update(nodes);
  } else if (first == "DELETE") {
    translation = Delete(nodes);
    target = nodes.size() > 1 && IsWordNode(nodes[1], "FROM") ? 2 : 1;
  } else if (first == "DROP") {
    return Drop(nodes);
  } else if (first == "CREATE" && nodes.size() > 1 && IsWordNode(nodes[1], "VIEW")) {
    return CreateView(nodes);
  } else if (first == "CREATE" && nodes.size() > 1 && IsWordNode(nodes[1], "TABLE")) {
    translation = CreateTable(nodes);
    target = 2;
  } else if (first == "CREATE") {
    translation = CreateIndex(nodes);
    for (target = 1; target < nodes.size() && !IsWordNode(nodes[target], "ON"); ++target) {
    }
    ++target;
  } else {
    Fail(nodes[0], "the statement " + nodes[0].token.text + " is not supported");
  }
  // UPDATE t ... FROM names its target by alias; the alias stands for a table of TempDB only
  // when the SQLite text names tempdb.
  std::size_t k = target;
  const auto table = ReadTableName(nodes, k);
  translation.writesDatabase =
      first == "UPDATE" ? translation.sql.find("UPDATE tempdb.") != 0 : !table || !table->temp;
  return translation;
}

namespace {

// Builds the group tree of tokens[pos...]; `depth` groups enclose it.
std::vector<Node> Tree(const std::vector<Token>& tokens, std::size_t& pos, int depth) {
  const bool inGroup = depth > 0;
  std::vector<Node> nodes;
  while (pos < tokens.size()) {
    const Token& token = tokens[pos++];
    if (token.kind == TokenKind::RightParen) {
      if (!inGroup) {
        throw TranslationError("unbalanced ')' (at offset " + std::to_string(token.offset) + ")");
      }
      return nodes;
    }
    Node node{token, false, {}};
    if (token.kind == TokenKind::LeftParen) {
      if (depth == kMaxNesting) {
        throw TranslationError("the statement is nested too deeply (more than " +
                               std::to_string(kMaxNesting) + " levels of parentheses, at offset " +
                               std::to_string(token.offset) + ")");
      }
      node.group = true;
      node.children = Tree(tokens, pos, depth + 1);
    }
    nodes.push_back(std::move(node));
  }
  if (inGroup) {
    throw TranslationError("unbalanced '('");
  }
  return nodes;
}

}  // namespace

}  // namespace detail

using namespace detail;

std::string TableName::Sql() const {
  return (temp ? "tempdb." : "main.") + QuoteName(name);
}

std::vector<Statement> SplitBatch(const std::vector<Token>& tokens) {
  std::size_t pos = 0;
  const std::vector<Node> nodes = Tree(tokens, pos, 0);
  constexpr std::array<std::string_view, 9> kStarters = {
      "CREATE", "DROP", "INSERT", "UPDATE", "DELETE", "IF", "DECLARE", "EXEC", "TRUNCATE"};
  std::vector<Statement> statements;
  Statement current;
  bool insertWaitsForSelect = false;
  auto flush = [&] {
    if (!current.empty()) {
      statements.push_back(std::move(current));
      current.clear();
    }
    insertWaitsForSelect = false;
  };
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Node& node = nodes[i];
    if (!node.group && node.token.kind == TokenKind::Semicolon) {
      flush();
      continue;
    }
    const std::string upper = node.group ? "" : Upper(node.token.text);
    const bool isWord = !node.group && node.token.kind == TokenKind::Word;
    if (isWord && !current.empty()) {
      const Node& previous = current.back();
      bool starts = OneOf(upper, kStarters);
      if (upper == "SELECT") {
        // CREATE VIEW v AS SELECT
        const bool continues =
            insertWaitsForSelect ||
            (!previous.group &&
             (IsWord(previous.token, "UNION") || IsWord(previous.token, "ALL") ||
              IsWord(previous.token, "EXCEPT") || IsWord(previous.token, "INTERSECT") ||
              IsWord(previous.token, "AS")));
        starts = !continues;
        insertWaitsForSelect = false;
      } else if (upper == "IF" && !previous.group &&
                 (IsWord(previous.token, "TABLE") || IsWord(previous.token, "VIEW"))) {
        starts = false;  // DROP TABLE IF EXISTS
      }
      if (starts) {
        flush();
      }
    }
    if (isWord && upper == "VALUES") {
      insertWaitsForSelect = false;
    }
    if (isWord && current.empty() && upper == "INSERT") {
      insertWaitsForSelect = true;
    }
    current.push_back(node);
    if (isWord && current.size() == 1 && upper == "IF") {
      // Take the guard whole, so that the statement it guards stays with it.
      std::size_t k = i + 1;
      const bool notExists =
          k + 1 < nodes.size() && IsWordNode(nodes[k], "NOT") && IsWordNode(nodes[k + 1], "EXISTS");
      if (notExists || (k < nodes.size() && IsWordNode(nodes[k], "EXISTS"))) {
        for (const std::size_t last = k + (notExists ? 2 : 1); k <= last && k < nodes.size(); ++k) {
          current.push_back(nodes[k]);
        }
      } else {
        for (std::size_t taken = 0; k < nodes.size() && taken < 5; ++k, ++taken) {
          current.push_back(nodes[k]);
          if (!nodes[k].group && IsWord(nodes[k].token, "NULL")) {
            ++k;
            break;
          }
        }
      }
      if (k < nodes.size()) {
        current.push_back(nodes[k]);
        if (!nodes[k].group && IsWord(nodes[k].token, "INSERT")) {
          insertWaitsForSelect = true;
        }
      }
      i = k;
    }
  }
  flush();
  return statements;
}

Translation TranslateStatement(const Statement& statement, Catalog& catalog) {
  Translator translator(catalog);
  return translator.Translate(statement);
}

host::ColumnType ColumnTypeOfDeclared(std::string_view declaredType) {
  const std::string upper = Upper(declaredType);
  if (upper.find("DATE") != std::string::npos) {
    return host::ColumnType::Date;
  }
  if (upper == "BIT" || upper == "BOOLEAN") {
    return host::ColumnType::Boolean;
  }
  if (upper.find("INT") != std::string::npos) {
    return host::ColumnType::Integer;
  }
  if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos ||
      upper.find("CLOB") != std::string::npos) {
    return host::ColumnType::Text;
  }
  for (std::string_view real : {"REAL", "FLOA", "DOUB", "MONEY", "DECIMAL", "NUMERIC"}) {
    if (upper.find(real) != std::string::npos) {
      return host::ColumnType::Double;
    }
  }
  return host::ColumnType::Unknown;
}

bool IsTextDeclared(std::string_view declaredType) {
  return ColumnTypeOfDeclared(declaredType) == host::ColumnType::Text;
}

}  // namespace orla::sqlite::tsql
