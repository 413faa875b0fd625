#include "sqlite/tsql_parser.h"

namespace orla::sqlite::tsql::detail {

Source Translator::TableSource(const TableName& table, const Node& at) {
  const auto columns = catalog_.Columns(table);
  if (!columns) {
    Fail(at, "208: Invalid object name '" + table.name + "'.");
  }
  Source source;
  source.qualifier = table.name;
  for (const CatalogColumn& column : *columns) {
    auto type = TypeOfDeclared(column.declaredType);
    if (!type && column.declaredType.empty() && table.name.starts_with("sqlite_")) {
      type = SqlType{};  // SQLite's own tables, read as they are by support staff and tests
    }
    if (!type) {
      Fail(at, "the column " + column.name + " of " + table.name + " has the type '" +
                   column.declaredType + "', which the adapter does not know");
    }
    source.columns.push_back({column.name, *type, column.declaredType});
  }
  return source;
}

namespace {

// INFORMATION_SCHEMA.TABLES and .VIEWS, read from SQLite's schema; nothing for another name.
std::optional<std::pair<Source, std::string>> InformationSchema(Cursor& in) {
  if (!in.PeekWord("INFORMATION_SCHEMA") || !in.Has(2) || in.Peek(1).group ||
      in.Peek(1).token.kind != TokenKind::Dot ||
      (!in.PeekWord("TABLES", 2) && !in.PeekWord("VIEWS", 2))) {
    return std::nullopt;
  }
  const bool views = in.PeekWord("VIEWS", 2);
  in.Take();
  in.Take();
  in.Take();
  Source source;
  source.qualifier = views ? "VIEWS" : "TABLES";
  const SqlType name{Family::Text, 128};
  std::string sql =
      "(SELECT 'main' AS \"TABLE_CATALOG\", 'dbo' AS \"TABLE_SCHEMA\", name AS "
      "\"TABLE_NAME\"";
  for (const char* column : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME"}) {
    source.columns.push_back({column, name, ""});
  }
  if (views) {
    source.columns.push_back({"CHECK_OPTION", {Family::Text, 7}, ""});
    source.columns.push_back({"IS_UPDATABLE", {Family::Text, 2}, ""});
    sql += ", 'NONE' AS \"CHECK_OPTION\", 'NO' AS \"IS_UPDATABLE\"";
  } else {
    source.columns.push_back({"TABLE_TYPE", {Family::Text, 10}, ""});
    sql += ", CASE type WHEN 'view' THEN 'VIEW' ELSE 'BASE TABLE' END AS \"TABLE_TYPE\"";
  }
  sql += std::string(" FROM main.sqlite_master WHERE ") +
         (views ? "type = 'view'" : "type IN ('table', 'view') AND name NOT LIKE 'sqlite_%'") + ")";
  return std::pair{std::move(source), std::move(sql)};
}

bool IsAliasWord(const Node& node) {
  if (node.group) {
    return false;
  }
  if (node.token.kind == TokenKind::QuotedName) {
    return true;
  }
  if (node.token.kind != TokenKind::Word) {
    return false;
  }
  const std::string upper = Upper(node.token.text);
  if (OneOf(upper, kUnsupportedWords)) {
    Fail(node, upper + " is not supported");
  }
  return !OneOf(upper, kReserved);
}

void SkipHints(Cursor& in) {
  if (!in.PeekWord("WITH")) {
    return;
  }
  const Node& with = in.Take();
  if (in.AtEnd() || !in.Peek().group) {
    Fail(with, "WITH (a common table expression) is not supported");
  }
  for (const Node& hint : in.Take().children) {
    if (IsCommaNode(hint)) {
      continue;
    }
    if (!IsWordNode(hint, "NOLOCK") && !IsWordNode(hint, "READUNCOMMITTED")) {
      Fail(hint, "the table hint WITH (" + hint.token.text + ") is not supported");
    }
  }
  // SQLite reads without locking out writers anyway; the hint has nothing to carry.
}

}  // namespace

From Translator::ParseFrom(Cursor& in, const Scope* outer) {
  From from;
  from.scope.outer = outer;
  std::string join;
  bool inner = true;
  while (true) {
    if (in.AtEnd()) {
      throw TranslationError("FROM ends where a table is expected");
    }
    FromItem item;
    item.join = join;
    item.inner = inner;
    const Node& at = in.Peek();
    std::vector<Source> sources(1);
    Source& source = sources[0];
    if (at.group && (at.children.empty() || !IsWordNode(at.children[0], "SELECT"))) {
      // (a CROSS JOIN b): a join in parentheses, its tables in scope by their own names.
      in.Take();
      Cursor joined(at.children);
      From group = ParseFrom(joined, outer);
      sources = std::move(group.scope.sources);
      item.body = "(" + group.Sql() + ")";
    } else if (at.group) {
      in.Take();
      const SelectResult sub = Select(at.children, nullptr);
      source.columns = sub.columns;
      item.body = "(" + sub.sql + ")";
    } else if (auto schema = InformationSchema(in)) {
      source = std::move(schema->first);
      item.body = std::move(schema->second);
    } else {
      std::size_t pos = in.Position();
      const auto name = ReadTableName(in.Nodes(), pos, in.End());
      if (!name) {
        Fail(at, "unexpected " + Describe(at) + " where a table is expected");
      }
      in.Seek(pos);
      source = TableSource(*name, at);
      item.table = name;
      item.body = name->Sql();
    }
    const bool joinGroup = at.group && sources.size() != 1;
    SkipHints(in);
    const bool as = in.TakeWord("AS");
    if (!joinGroup && !in.AtEnd() && IsAliasWord(in.Peek())) {
      source.qualifier = in.Take().token.text;
      item.body += " AS " + QuoteName(source.qualifier);
    } else if (!at.group && !item.table && !as) {
      item.body += " AS " + QuoteName(source.qualifier);  // INFORMATION_SCHEMA
    } else if (as) {
      Fail(in.Here(), "AS needs an alias");
    } else if (at.group && !joinGroup) {
      Fail(at, "a derived table needs an alias");
    }
    if (at.group && !joinGroup) {
      for (std::size_t c = 0; c < source.columns.size(); ++c) {
        if (source.columns[c].name.empty()) {
          Fail(at, "8155: No column name was specified for column " + std::to_string(c + 1) +
                       " of '" + source.qualifier + "'.");
        }
        for (std::size_t d = 0; d < c; ++d) {
          if (EqualsIgnoreCase(source.columns[d].name, source.columns[c].name)) {
            Fail(at, "8156: The column '" + source.columns[c].name +
                         "' was specified multiple times for '" + source.qualifier + "'.");
          }
        }
      }
    }
    SkipHints(in);
    for (Source& added : sources) {
      for (const Source& present : from.scope.sources) {
        if (EqualsIgnoreCase(present.qualifier, added.qualifier)) {
          Fail(at, "1013: The objects \"" + present.qualifier + "\" and \"" + added.qualifier +
                       "\" in the FROM clause have the same exposed names. Use correlation names "
                       "to distinguish them.");
        }
      }
      from.scope.sources.push_back(std::move(added));
    }
    if (!join.empty() && join != ", " && join != " CROSS JOIN ") {
      in.ExpectWord("ON", "JOIN");
      item.on = Condition(in, from.scope, "ON");
    }
    from.items.push_back(std::move(item));
    if (in.AtEnd()) {
      return from;
    }
    if (in.PeekComma()) {
      in.Take();
      join = ", ";
      inner = true;
      continue;
    }
    const Node& word = in.Peek();
    std::string kind = Upper(word.token.text);
    if (word.group || word.token.kind != TokenKind::Word) {
      Fail(word, "unexpected " + Describe(word) + " after a table");
    }
    in.Take();
    if (kind == "JOIN") {
      kind = "INNER";
    } else {
      if (kind != "INNER" && kind != "LEFT" && kind != "RIGHT" && kind != "FULL" &&
          kind != "CROSS") {
        Fail(word, "unexpected " + Describe(word) + " after a table");
      }
      if (kind != "INNER" && kind != "CROSS") {
        in.TakeWord("OUTER");
      }
      if (in.PeekWord("APPLY")) {
        Fail(in.Peek(), "APPLY is not supported");
      }
      in.ExpectWord("JOIN", kind);
    }
    join = " " + kind + (kind == "INNER" || kind == "CROSS" ? "" : " OUTER") + " JOIN ";
    inner = kind == "INNER" || kind == "CROSS";
  }
}

namespace {

// The first column a clause reads that the grouping does not cover, as SQL Server reports
// it.
void CheckGrouped(const std::vector<Ref>& refs, int number, const std::string& clause,
                  const std::string& quote) {
  if (!refs.empty()) {
    throw TranslationError(std::to_string(number) + ": Column " + quote + refs[0].name + quote +
                           " is invalid in the " + clause +
                           " because it is not contained in either an aggregate function or the "
                           "GROUP BY clause. (at offset " +
                           std::to_string(refs[0].offset) + ")");
  }
}

// Pops the SELECT's level when it is read, or left by an error.
class LevelScope {
 public:
  explicit LevelScope(std::vector<Level>& levels) : levels_(levels) { levels_.emplace_back(); }
  ~LevelScope() { levels_.pop_back(); }
  LevelScope(const LevelScope&) = delete;
  LevelScope& operator=(const LevelScope&) = delete;
  Level& Get() { return levels_.back(); }

 private:
  std::vector<Level>& levels_;
};

}  // namespace

Core Translator::ParseCore(const std::vector<Node>& nodes, std::size_t begin, std::size_t order,
                           std::size_t end, const Scope* outer) {
  Core core;
  if (begin >= order || !IsWordNode(nodes[begin], "SELECT")) {
    Fail(nodes[std::min(begin, nodes.size() - 1)], "a SELECT is expected");
  }
  Clauses at;
  for (std::size_t k = begin + 1; k < order; ++k) {
    const Node& node = nodes[k];
    auto mark = [&](std::size_t& slot) {
      if (slot != 0) {
        Fail(node, "a second " + Upper(node.token.text) + " in one SELECT");
      }
      slot = k;
    };
    if (IsWordNode(node, "INTO")) {
      mark(at.into);
    } else if (IsWordNode(node, "FROM")) {
      mark(at.from);
    } else if (IsWordNode(node, "WHERE")) {
      mark(at.where);
    } else if (IsWordNode(node, "GROUP") && k + 1 < order && IsWordNode(nodes[k + 1], "BY")) {
      mark(at.group);
    } else if (IsWordNode(node, "HAVING")) {
      mark(at.having);
    }
  }
  // Each clause runs to the next one that is present.
  const std::vector<std::size_t> starts = {at.into, at.from, at.where, at.group, at.having};
  auto clauseEnd = [&](std::size_t from) {
    std::size_t stop = order;
    for (std::size_t s : starts) {
      if (s > from && s < stop) {
        stop = s;
      }
    }
    return stop;
  };
  Cursor head(nodes, begin + 1, clauseEnd(begin));
  if (!head.TakeWord("ALL")) {
    core.distinct = head.TakeWord("DISTINCT");
  }
  if (head.PeekWord("TOP")) {
    const Node& top = head.Take();
    if (head.AtEnd()) {
      Fail(top, "TOP needs a number");
    }
    const Node& count = head.Take();
    core.top = count.group ? Whole(count.children, {}, "TOP").sql
                           : std::to_string(WholeNumber(count, "TOP"));
  }
  if (at.into != 0) {
    std::size_t pos = at.into + 1;
    core.into = ReadTableName(nodes, pos, clauseEnd(at.into));
    if (!core.into || pos != clauseEnd(at.into)) {
      Fail(nodes[at.into], "SELECT ... INTO needs a table name");
    }
  }
  LevelScope levelScope(levels_);
  core.scope.outer = outer;
  if (at.from != 0) {
    Cursor in(nodes, at.from + 1, clauseEnd(at.from));
    From from = ParseFrom(in, outer);
    core.from = from.Sql();
    core.scope = std::move(from.scope);
  }
  levelScope.Get().scope = &core.scope;
  auto clause = [&](Level::Clause c) { levelScope.Get().clause = c; };
  if (at.where != 0) {
    clause(Level::Clause::Where);
    const std::size_t mark = refs_.size();
    Cursor in(nodes, at.where + 1, clauseEnd(at.where));
    core.where = Condition(in, core.scope, "WHERE").sql;
    in.ExpectEnd("WHERE");
    TakeLocal(mark);
  }
  if (at.group != 0) {
    clause(Level::Clause::GroupBy);
    const std::vector<Node> terms(nodes.begin() + static_cast<long>(at.group) + 2,
                                  nodes.begin() + static_cast<long>(clauseEnd(at.group)));
    for (const auto& term : SplitAtCommas(terms)) {
      const std::size_t mark = refs_.size();
      const Expr e = Whole(term, core.scope, "GROUP BY");
      TakeLocal(mark);
      if (e.form == Expr::Form::NumberLiteral || e.form == Expr::Form::TextLiteral ||
          e.form == Expr::Form::Null) {
        // SQLite would read a number as a column position.
        Fail(term[0],
             "164: Each GROUP BY expression must contain at least one column that is not an "
             "outer reference.");
      }
      core.groupBy += (core.groupBy.empty() ? "" : ", ") + Collated(e);
      levelScope.Get().groupKeys.push_back(e.sql);
    }
  }
  // The select list.
  clause(Level::Clause::Select);
  std::vector<Ref> selectRefs;
  std::vector<Node> list(nodes.begin() + static_cast<long>(head.Position()),
                         nodes.begin() + static_cast<long>(clauseEnd(begin)));
  if (list.empty()) {
    Fail(nodes[begin], "SELECT needs a column list");
  }
  for (const auto& part : SplitAtCommas(list)) {
    if (part.empty()) {
      Fail(nodes[begin], "an empty column in the select list");
    }
    const bool star = part.size() == 1 && IsOperatorNode(part[0], "*");
    const bool qualifiedStar = part.size() == 3 && IsOperatorNode(part[2], "*") && !part[1].group &&
                               part[1].token.kind == TokenKind::Dot;
    if (star || qualifiedStar) {
      bool any = false;
      const auto& keys = levelScope.Get().groupKeys;
      for (const Source& source : core.scope.sources) {
        if (qualifiedStar && !EqualsIgnoreCase(source.qualifier, part[0].token.text)) {
          continue;
        }
        any = true;
        for (const OutputColumn& column : source.columns) {
          Expr e = Typed(QuoteName(source.qualifier) + "." + QuoteName(column.name), column.type);
          e.form = Expr::Form::Column;
          e.name = column.name;
          e.declared = column.declared;
          if (std::find(keys.begin(), keys.end(), e.sql) == keys.end()) {
            selectRefs.push_back(
                {levels_.size() - 1, source.qualifier + "." + column.name, part[0].token.offset});
          }
          core.items.push_back({e, column.name});
        }
      }
      if (!any) {
        Fail(part[0], star ? "263: Must specify table to select from."
                           : "107: The column prefix '" + part[0].token.text +
                                 "' does not match with a table name or alias name used in the "
                                 "query.");
      }
      continue;
    }
    const std::size_t mark = refs_.size();
    Cursor in(part);
    SelectItem item{Value(in, core.scope), ""};
    for (Ref& ref : TakeLocal(mark)) {
      selectRefs.push_back(std::move(ref));
    }
    const bool as = in.TakeWord("AS");
    if (!in.AtEnd() && (IsAliasWord(in.Peek()) ||
                        (as && in.Peek().token.kind == TokenKind::String && !in.Peek().group))) {
      item.name = in.Take().token.text;
    } else if (as) {
      Fail(in.Here(), "AS needs an alias");
    }
    in.ExpectEnd("a column of the select list");
    if (item.name.empty() && item.value.form == Expr::Form::Column) {
      item.name = item.value.name;
    }
    core.items.push_back(std::move(item));
  }
  std::vector<Ref> havingRefs;
  if (at.having != 0) {
    clause(Level::Clause::Having);
    const std::size_t mark = refs_.size();
    Cursor in(nodes, at.having + 1, clauseEnd(at.having));
    core.having = Condition(in, core.scope, "HAVING").sql;
    in.ExpectEnd("HAVING");
    havingRefs = TakeLocal(mark);
  }
  std::vector<Ref> orderRefs;
  if (order != end) {
    clause(Level::Clause::OrderBy);
    std::vector<OutputColumn> columns;
    for (const SelectItem& item : core.items) {
      columns.push_back({item.name, item.value.type, ""});
    }
    core.orderBy = OrderBy(nodes, order, end, core, columns, orderRefs);
  }
  core.aggregated = levelScope.Get().aggregated;
  if (at.group != 0 || at.having != 0 || levelScope.Get().aggregated) {
    CheckGrouped(selectRefs, 8120, "select list", "'");
    CheckGrouped(havingRefs, 8121, "HAVING clause", "'");
    CheckGrouped(orderRefs, 8127, "ORDER BY clause", "\"");
  }
  return core;
}

std::string Translator::OrderBy(const std::vector<Node>& nodes, std::size_t order, std::size_t end,
                                const Core& core, const std::vector<OutputColumn>& columns,
                                std::vector<Ref>& refs) {
  const std::vector<Node> terms(nodes.begin() + static_cast<long>(order) + 2,
                                nodes.begin() + static_cast<long>(end));
  std::string orderBy;
  for (auto term : SplitAtCommas(terms)) {
    std::string direction;
    if (!term.empty() && (IsWordNode(term.back(), "ASC") || IsWordNode(term.back(), "DESC"))) {
      direction = " " + Upper(term.back().token.text);
      term.pop_back();
    }
    if (term.empty()) {
      Fail(nodes[order], "an empty ORDER BY term");
    }
    std::string text;
    if (term.size() == 1 && !term[0].group && term[0].token.kind == TokenKind::Number) {
      const int position = WholeNumber(term[0], "ORDER BY");
      if (position < 1 || static_cast<std::size_t>(position) > columns.size()) {
        Fail(term[0], "108: The ORDER BY position number " + term[0].token.text +
                          " is out of range of the number of items in the select list.");
      }
      text = term[0].token.text;
    } else {
      const OutputColumn* alias = nullptr;
      if (term.size() == 1 && !term[0].group &&
          (term[0].token.kind == TokenKind::Word || term[0].token.kind == TokenKind::QuotedName)) {
        for (const OutputColumn& column : columns) {
          if (EqualsIgnoreCase(column.name, term[0].token.text)) {
            alias = &column;
            break;
          }
        }
      }
      if (alias != nullptr) {
        text = Collated(Typed(QuoteName(alias->name), alias->type));
      } else if (core.scope.sources.empty() && core.items.empty()) {
        Fail(term[0],
             "104: ORDER BY items must appear in the select list if the statement contains a "
             "UNION, INTERSECT or EXCEPT operator.");
      } else {
        const std::size_t mark = refs_.size();
        const Expr e = Whole(term, core.scope, "ORDER BY");
        for (Ref& ref : TakeLocal(mark)) {
          refs.push_back(std::move(ref));
        }
        if (core.distinct &&
            std::none_of(core.items.begin(), core.items.end(),
                         [&](const SelectItem& item) { return item.value.sql == e.sql; })) {
          Fail(term[0],
               "145: ORDER BY items must appear in the select list if SELECT DISTINCT is "
               "specified.");
        }
        text = Collated(e);
      }
    }
    orderBy += (orderBy.empty() ? "" : ", ") + text + direction;
  }
  return orderBy;
}

SelectResult Translator::Select(const std::vector<Node>& nodes, const Scope* outer,
                                const std::vector<OutputColumn>* targets, bool nested) {
  if (nodes.empty()) {
    throw TranslationError("a SELECT is expected in the empty parentheses");
  }
  if (!levels_.empty() && levels_.back().aggregates > 0) {
    Fail(nodes[0],
         "130: Cannot perform an aggregate function on an expression containing an aggregate "
         "or a subquery.");
  }
  if (!levels_.empty() && levels_.back().clause == Level::Clause::GroupBy) {
    Fail(nodes[0],
         "144: Cannot use an aggregate or a subquery in an expression used for the group by "
         "list of a GROUP BY clause.");
  }
  // Branches of a UNION, EXCEPT or INTERSECT, and the ORDER BY of the whole.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  std::vector<std::string> operators;
  std::size_t start = 0;
  std::size_t order = nodes.size();
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    const Node& node = nodes[k];
    if (IsWordNode(node, "UNION") || IsWordNode(node, "EXCEPT") || IsWordNode(node, "INTERSECT")) {
      if (order != nodes.size()) {
        Fail(node, "ORDER BY inside a branch of " + Upper(node.token.text));
      }
      ranges.emplace_back(start, k);
      std::string op = Upper(node.token.text);
      if (k + 1 < nodes.size() && IsWordNode(nodes[k + 1], "ALL")) {
        op += " ALL";
        ++k;
      }
      operators.push_back(op);
      start = k + 1;
    } else if (IsWordNode(node, "ORDER") && k + 1 < nodes.size() &&
               IsWordNode(nodes[k + 1], "BY")) {
      if (order != nodes.size()) {
        Fail(node, "a second ORDER BY");
      }
      order = k;
    }
  }
  ranges.emplace_back(start, order);
  const bool compound = ranges.size() > 1;
  std::vector<Core> cores;
  for (const auto& [begin, end] : ranges) {
    cores.push_back(ParseCore(nodes, begin, end, compound ? end : nodes.size(), outer));
    if (cores.size() > 1 && cores.back().into) {
      Fail(nodes[begin], "INTO in a later branch of a UNION");
    }
  }
  const std::size_t width = cores[0].items.size();
  for (const Core& core : cores) {
    if (core.items.size() != width) {
      Fail(nodes[0],
           "205: All queries combined using a UNION, INTERSECT or EXCEPT operator must "
           "have an equal number of expressions in their target lists.");
    }
  }
  if (nested && order != nodes.size() && (compound || cores[0].top.empty())) {
    Fail(nodes[order],
         "1033: The ORDER BY clause is invalid in views, inline functions, derived tables, "
         "subqueries, and common table expressions, unless TOP, OFFSET or FOR XML is also "
         "specified.");
  }
  // Column types: the dominant type of the branches, or the columns they are inserted into.
  SelectResult result;
  result.into = cores[0].into;
  result.top = !compound && !cores[0].top.empty();
  result.singleRow = !compound && (cores[0].from.empty() || cores[0].top == "1" ||
                                   (cores[0].groupBy.empty() && cores[0].aggregated));
  for (std::size_t c = 0; c < width; ++c) {
    std::vector<SqlType> types;
    for (const Core& core : cores) {
      types.push_back(core.items[c].value.type);
    }
    OutputColumn column{cores[0].items[c].name, Dominant(types), ""};
    if (!compound && cores[0].items[c].value.form == Expr::Form::Column) {
      column.declared = cores[0].items[c].value.declared;
    }
    result.columns.push_back(column);
  }
  if (targets != nullptr && targets->size() != width) {
    Fail(nodes[0], "the SELECT gives " + std::to_string(width) + " columns for " +
                       std::to_string(targets->size()));
  }
  std::string sql;
  for (std::size_t b = 0; b < cores.size(); ++b) {
    Core& core = cores[b];
    std::string text = std::string("SELECT ") + (core.distinct ? "DISTINCT " : "");
    for (std::size_t c = 0; c < width; ++c) {
      SelectItem& item = core.items[c];
      Expr value = item.value;
      if (compound) {
        value = ConvertTo(value, result.columns[c].type, Conversion::Branch, nodes[0]);
      }
      if (targets != nullptr) {
        value = ConvertTo(value, (*targets)[c].type, Conversion::Assignment, nodes[0]);
      }
      // DISTINCT and UNION compare the texts they merge under the collation.
      text += (c ? ", " : "") + ((core.distinct || compound) ? Collated(value) : value.sql);
      // A column without a name has none, as in SQL Server, rather than SQLite's text.
      text += " AS " + QuoteName(item.name);
    }
    if (!core.from.empty()) {
      text += " FROM " + core.from;
    }
    if (!core.where.empty()) {
      text += " WHERE " + core.where;
    }
    if (!core.groupBy.empty()) {
      text += " GROUP BY " + core.groupBy;
    }
    if (!core.having.empty()) {
      text += " HAVING " + core.having;
    }
    if (compound && !core.top.empty()) {
      // SQLite takes LIMIT only at the end of a compound, so the branch becomes a subquery.
      text = "SELECT * FROM (" + text + " LIMIT " + core.top + ")";
    }
    sql += (b ? " " + operators[b - 1] + " " : "") + text;
  }
  if (!compound && !cores[0].orderBy.empty()) {
    sql += " ORDER BY " + cores[0].orderBy;
  }
  if (compound && order != nodes.size()) {
    // A UNION sorts by its result columns only, named or by position.
    Core names;
    std::vector<Ref> refs;
    sql += " ORDER BY " + OrderBy(nodes, order, nodes.size(), names, result.columns, refs);
  }
  if (!compound && !cores[0].top.empty()) {
    sql += " LIMIT " + cores[0].top;
  }
  result.sql = sql;
  return result;
}

}  // namespace orla::sqlite::tsql::detail
