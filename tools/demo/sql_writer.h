#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace pravel::demo {

// Writes rows of one table as multi-row INSERT statements.
class InsertWriter {
public:
    InsertWriter(std::ostream& out, std::string table, std::vector<std::string> columns, int rows_per_statement = 500);
    ~InsertWriter();

    // Values of one row, already formatted as SQL literals (see literal()).
    void row(const std::vector<std::string>& values);
    void flush();

private:
    std::ostream& out_;
    std::string table_;
    std::string columns_;
    int rows_per_statement_;
    int pending_ = 0;
};

// SQL literals.
std::string literal(const std::string& text);  // quoted and escaped
std::string literal(const char* text);
std::string literal(int v);
std::string literal(double v);
std::string literal(bool v);

}  // namespace pravel::demo
