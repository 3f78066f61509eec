#include "store/sql_script.h"

#include <fstream>
#include <sstream>

#include "store/database_access.h"

namespace pravel {

std::vector<std::string> split_sql_script(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    std::string line, current;
    while (std::getline(in, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
        current += line + "\n";
        const auto last = line.find_last_not_of(" \t\r");
        if (line[last] == ';') {
            out.push_back(current);
            current.clear();
        }
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(current);
    return out;
}

bool run_sql_script(DatabaseAccess& db, const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    for (const auto& statement : split_sql_script(text.str())) db.update(statement);
    return true;
}

}  // namespace pravel
