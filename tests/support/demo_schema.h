#pragma once
// Loads the demo database into a test schema (store tests link the demo
// generator).
#include <sstream>

#include "demo/demo_database.h"
#include "store/sql_script.h"
#include "support/test_database.h"

namespace pravel::testing {

inline void load_demo_database(TestSchema& schema) {
    std::ostringstream sql;
    demo::write_demo_database(sql);
    for (const auto& statement : split_sql_script(sql.str())) schema.exec(statement);
}

}  // namespace pravel::testing
