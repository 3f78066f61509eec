// Writes the demo database (study areas, measure catalogue, agronomic tables,
// profiles) as SQL to standard output; scripts/db load-demo loads it.
#include <iostream>

#include "demo/demo_database.h"

int main() {
    std::ios::sync_with_stdio(false);
    pravel::demo::write_demo_database(std::cout);
    return std::cout.good() ? 0 : 1;
}
