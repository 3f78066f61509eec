#include "demo/sql_writer.h"

#include "common/number_format.h"
#include "common/sql_text.h"

namespace pravel::demo {

InsertWriter::InsertWriter(std::ostream& out, std::string table, std::vector<std::string> columns,
                           int rows_per_statement)
    : out_(out), table_(std::move(table)), rows_per_statement_(rows_per_statement) {
    for (std::size_t i = 0; i < columns.size(); ++i) columns_ += (i ? ", `" : "`") + columns[i] + "`";
}

InsertWriter::~InsertWriter() { flush(); }

void InsertWriter::row(const std::vector<std::string>& values) {
    out_ << (pending_ == 0 ? "INSERT INTO `" + table_ + "` (" + columns_ + ") VALUES\n(" : ",\n(");
    for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? ", " : "") << values[i];
    out_ << ")";
    if (++pending_ >= rows_per_statement_) flush();
}

void InsertWriter::flush() {
    if (pending_ == 0) return;
    out_ << ";\n";
    pending_ = 0;
}

std::string literal(const std::string& text) { return "'" + sql_escape(text) + "'"; }
std::string literal(const char* text) { return literal(std::string(text)); }
std::string literal(int v) { return std::to_string(v); }
std::string literal(double v) { return format_number(v); }
std::string literal(bool v) { return v ? "1" : "0"; }

}  // namespace pravel::demo
