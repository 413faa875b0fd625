// SQL Server's default comparison of text, kept free of SQLite so that the program and the
// loadable extension for the sqlite3 shell compare exactly alike.
#pragma once

#include <string_view>

namespace orla::sqlite {

// TSQL collation: ASCII letters compare without case, accented Latin letters sort beside their
// base letter (accents still count), and trailing blanks are ignored ('abc' = 'ABC  ').
int CompareTsqlText(std::string_view a, std::string_view b);

}  // namespace orla::sqlite
