#pragma once
// The rules of the grassland type editor and the habitat editor that need no
// window: the checks "Save" runs over the input texts, the elevation options,
// and the entries of the grassland load list.
#include <optional>
#include <string>
#include <vector>

#include "store/grassland_store.h"

namespace pravel {

inline constexpr const char* kMoistureNumberMessage = "You have to enter a number for the moisture levels please!";
inline constexpr const char* kMoistureRangeMessage = "Moisture cannot be greater than 1!\n\n Please revise your input!";
inline constexpr const char* kHabitatCodeMessage = "You have to enter a number for the habitat please!";
inline constexpr const char* kGrasslandNameMessage =
    "Please enter the name of the grassland type!\n\n Please revise your input!";
inline constexpr const char* kHabitatNameMessage =
    "Please enter the name of the habitat type!\n\n Please revise your input!";
inline constexpr const char* kEditorNameMessage = "Please enter your name!\n\n Please revise your input!";
inline constexpr const char* kSelectMeasuresMessage = "Please select measures!\n\n Please revise your input!";
inline constexpr const char* kGrasslandConfirmMessage =
    "Please check your input again.\n\nIf you press OK the grassland type will be stored in the database.\n\nIf you "
    "want to revise the data please press Cancel.";
inline constexpr const char* kHabitatConfirmMessage =
    "Please check your input again.\n\nIf you press OK the habitat type will be stored in the database.\n\nIf you "
    "want to revise the data please press Cancel.";
inline constexpr const char* kEditorInitialText = "Please enter your name!";
inline constexpr const char* kEditorInitialTextGerman = "Geben Sie bitte Ihren Namen ein!";
inline constexpr const char* kMissingLatinName = "nicht_vorhanden";
inline constexpr const char* kMakeSelectionMessage = "Please make a selection first!";
inline constexpr const char* kLowProductivityWord = "schwachwüchsig";
inline constexpr const char* kNormalProductivityWord = "starkwüchsig";

// The texts of the editor's inputs when "Save" is pressed.
struct GrasslandFormInput {
    std::string code;
    std::string dutch_name;
    std::string latin_name;
    std::string editor;
    std::string wet;
    std::string fresh;
    std::string dry;
    bool has_measures = false;
};

// How the two editors differ in their checks.
struct GrasslandFormRules {
    const char* name_message = kGrasslandNameMessage;
    // The grassland editor stores an empty Latin name as "nicht_vorhanden";
    // the habitat editor stores it as typed.
    bool replace_empty_latin = true;
};

enum class FormFocus { None, DutchName, Editor };

// What the checks found, in the order "Save" runs them. Moisture and code
// messages do not stop the sequence; a value left empty here keeps the
// record's previous value.
struct GrasslandFormCheck {
    std::vector<std::string> messages;
    std::optional<double> wet, fresh, dry;
    std::optional<int> code;
    std::string latin_name;
    // Where the sequence stopped, and the input that gets the focus.
    bool stopped = false;
    FormFocus focus = FormFocus::None;
    bool no_measures = false;
};

GrasslandFormCheck check_grassland_form(const GrasslandFormInput& input, const GrasslandFormRules& rules);

// The three elevation options and the flags each sets.
enum class Elevation { High, Low, Independent };
void apply_elevation(Elevation elevation, GrasslandRecord& record);
// The option a stored version shows: both flags independent, high only high,
// anything else low.
Elevation elevation_of(const GrasslandRecord& record);

// A load-list entry: name_engl, "/", the productivity word, ", ", savetime,
// ", ", name_editor.
std::string grassland_load_entry(const GrasslandRecord& record);
// The entries of the load list: every stored version in load order except
// the types named "Uebriges Gruenland" and "Uebriges Gruenland2".
std::vector<std::string> grassland_load_entries(const std::vector<GrasslandRecord>& records);

// What a chosen load-list entry names. Name and save time are empty when the
// entry lacks the "/" or the comma after the productivity word.
struct GrasslandEntryChoice {
    std::string name;
    std::string savetime;
    bool low_productivity = false;
};
GrasslandEntryChoice parse_grassland_load_entry(const std::string& entry);

}  // namespace pravel
