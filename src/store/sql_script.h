#pragma once
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;

// Statements of an SQL script such as sql/schema.sql: comment lines dropped,
// statements split at a semicolon that ends a line.
std::vector<std::string> split_sql_script(const std::string& text);

// Runs every statement of the script file on the connection. Returns false
// when the file cannot be read.
bool run_sql_script(DatabaseAccess& db, const std::string& path);

}  // namespace pravel
