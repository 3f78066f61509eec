// Headless command-line tool: scripted analyses over the study-area database.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "common/notifier.h"
#include "store/database_access.h"
#include "store/landscape_store.h"

int main(int argc, char** argv) {
    CLI::App app{"pravel-cli: grassland measure analyses without windows"};
    std::string config = "db_config.txt";
    app.add_option("--db-config", config, "settings file (host, user, password, schema)");
    app.require_subcommand(1);

    auto* countries = app.add_subcommand("countries", "list the study areas in the database");

    CLI11_PARSE(app, argc, argv);
    pravel::set_database_config_path(config);

    if (countries->parsed()) {
        pravel::DatabaseAccess db;
        for (const auto& name : pravel::country_names(db)) std::cout << name << '\n';
    }
    return 0;
}
