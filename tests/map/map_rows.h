#pragma once
// Hand-made rows for the map tests.
#include <sstream>
#include <string>

#include "common/sql_text.h"
#include "support/test_database.h"

namespace pravel::testing {

struct MapRows {
    TestSchema& s;

    void pixel(int id, int country, int i, int j, int land_use_type = 4, int altitude = 0, int manure = 0,
               int economic_value = 30, int mead_past_mow = 0) {
        std::ostringstream q;
        q << "INSERT INTO pixel (pixelID, countryID, matrix_i, matrix_j, land_use_type, altitude, "
             "manure_status_grass_cropland, grassland_economic_value, mead_past_mow) VALUES ("
          << id << ", " << country << ", " << i << ", " << j << ", '" << land_use_type << "', " << altitude << ", "
          << manure << ", " << economic_value << ", " << mead_past_mow << ")";
        s.exec(q.str());
    }
    void configuration(int id, int measure, double payment, double area, const std::string& name, int country) {
        std::ostringstream q;
        q << "INSERT INTO configuration (configurationID, measureID, payment, area, configname, countryID) VALUES ("
          << id << ", " << measure << ", " << payment << ", " << area << ", '" << name << "', " << country << ")";
        s.exec(q.str());
    }
    // A result pixel of a configuration with one quality row.
    void result(int pixel, int configuration, double benefit, int species = 1, double quality = 0.5) {
        std::ostringstream q;
        q << "INSERT INTO result (pixelID, configurationID, benefit) VALUES (" << pixel << ", " << configuration
          << ", " << benefit << ")";
        s.exec(q.str());
        quality_row(pixel, configuration, species, quality);
    }
    void quality_row(int pixel, int configuration, int species, double quality) {
        std::ostringstream q;
        q.precision(10);
        q << "INSERT INTO resulting_quality (pixelID, configurationID, speciesID, quality) VALUES (" << pixel << ", "
          << configuration << ", " << species << ", " << quality << ")";
        s.exec(q.str());
    }
    void species(int id, const std::string& name) {
        s.exec("INSERT INTO species (speciesID, name) VALUES (" + std::to_string(id) + ", '" + name + "')");
    }
    void measure(int id, const std::string& name, int first_use, int d2, int d3, int d4, double density) {
        std::ostringstream q;
        q << "INSERT INTO measures (measureID, name, month_quarter_first_use, distance_2use, distance_3use, "
             "distance_4use, livestock_density_1) VALUES ("
          << id << ", '" << name << "', " << first_use << ", " << d2 << ", " << d3 << ", " << d4 << ", " << density
          << ")";
        s.exec(q.str());
    }
    void visualisation(int measure, const std::string& species, double quality, int i, int j, double benefit,
                       int country) {
        std::ostringstream q;
        q.precision(10);
        q << "INSERT INTO results_for_viusualitsation (measureID, species_name, quality, pixel_i, pixel_j, benefit, "
             "countryID) VALUES ("
          << measure << ", '" << sql_escape(species) << "', " << quality << ", " << i << ", " << j << ", " << benefit << ", "
          << country << ")";
        s.exec(q.str());
    }
    void contour(int country, int id, int x, int y) {
        std::ostringstream q;
        q << "INSERT INTO contour (countryID, id, x, y) VALUES (" << country << ", " << id << ", " << x << ", " << y
          << ")";
        s.exec(q.str());
    }
};

}  // namespace pravel::testing
