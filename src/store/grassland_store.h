#pragma once
#include <string>
#include <vector>

#include "store/measure_store.h"

namespace pravel {

class DatabaseAccess;

// One saved version of a grassland type (table `grassland`).
struct GrasslandRecord {
    std::string name_engl;
    std::string name_latin;
    std::string name_editor;
    int code = 0;
    bool altitude_high = false;
    bool altitude_low = false;
    double soil_moister_requi_wet = 0.0;
    double soil_moister_requi_fresh = 0.0;
    double soil_moister_requi_dry = 0.0;
    bool low_productivity = false;
    bool normal_productivity = false;
    bool fertilization = false;
    bool no_fertilization = false;
    int grasslandID = 0;
    int speciesID = 0;
    std::string savetime;
};

// Stores the record as a new version; returns its new grasslandID.
int save_grassland(DatabaseAccess& db, const GrasslandRecord& record);

// Marks a catalogue measure as suitable for a grassland type.
void link_measure_to_grassland(DatabaseAccess& db, int measure_id, int grassland_id);

// Ties a saved grassland version to the species row of the habitat it
// belongs to (save_grassland leaves speciesID at its default).
void set_grassland_species(DatabaseAccess& db, int grassland_id, int species_id);

// The version of `name` saved at `savetime` with the given productivity flag;
// `record` is returned unchanged when none matches.
GrasslandRecord load_grassland(DatabaseAccess& db, const std::string& name, const std::string& savetime,
                               bool low_productivity, GrasslandRecord record = {});

// Every saved version, in the server's order.
std::vector<GrasslandRecord> all_grasslands(DatabaseAccess& db);

// The measures linked to a grassland type, with their first livestock use.
std::vector<MeasureRecord> measures_of_grassland(DatabaseAccess& db, int grassland_id);

}  // namespace pravel
