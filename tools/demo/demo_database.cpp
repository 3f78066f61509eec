#include "demo/demo_database.h"

#include "demo/agronomy.h"
#include "demo/catalogue.h"
#include "demo/landscape.h"
#include "demo/profiles.h"

namespace pravel::demo {

void write_demo_database(std::ostream& sql) {
    sql << "-- Demo database of the grassland measure planner (generated; do not edit).\n"
           "SET NAMES utf8mb4;\nSET autocommit = 0;\n";
    write_landscape(sql);
    const auto catalogue = build_catalogue();
    write_catalogue(sql, catalogue);
    write_agronomy(sql, build_agronomy(catalogue));
    std::vector<MeasureRecord> measures;
    for (const auto& c : catalogue) measures.push_back(c.record);
    write_profiles(sql, build_profiles(), build_grasslands(), measures);
    sql << "COMMIT;\nSET autocommit = 1;\n";
}

}  // namespace pravel::demo
