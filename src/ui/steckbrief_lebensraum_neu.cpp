#include "ui/steckbrief_lebensraum_neu.h"

#include "common/numeric_input.h"

namespace pravel {

steckbrief_lebensraum_neu::steckbrief_lebensraum_neu(QWidget* parent)
    : gruenlanddialog(Texts{kTitle, "Name", "Please select the measures that make this habitat type arise.",
                            kNormalListHabitat, kLowListHabitat, kHabitatConfirmMessage,
                            GrasslandFormRules{kHabitatNameMessage, false}, true},
                      parent) {}

void steckbrief_lebensraum_neu::fieldLeft(Field field, const std::string& text) {
    switch (field) {
        case Field::Code:
            species_.grasslandtyp_nr = parse_int(text);
            break;
        case Field::DutchName:
            species_.name = text;
            break;
        case Field::LatinName:
            species_.name_latein = text;
            break;
        case Field::Editor:
            // The grassland versions take the editor's name on saving.
            species_.name_editor = text;
            return;
    }
    gruenlanddialog::fieldLeft(field, text);
}

void steckbrief_lebensraum_neu::takeChecked(const GrasslandFormCheck& check, const GrasslandFormInput& input) {
    gruenlanddialog::takeChecked(check, input);
    if (check.wet) species_.soil_moisture_requir_wet = *check.wet;
    if (check.fresh) species_.soil_moisture_requir_fresh = *check.fresh;
    if (check.dry) species_.soil_moisture_requir_dry = *check.dry;
    if (check.code) species_.grasslandtyp_nr = *check.code;
    if (check.focus != FormFocus::DutchName) {
        species_.name = input.dutch_name;
        species_.name_latein = check.latin_name;
    }
    if (!check.stopped || check.no_measures) species_.name_editor = input.editor;
}

int steckbrief_lebensraum_neu::storeBeforeGrassland(DatabaseAccess& db) {
    species_.group = kGroupHabitat;
    const int species_id = save_species(db, species_);
    species_.speciesID = species_id;
    return species_id;
}

}  // namespace pravel
