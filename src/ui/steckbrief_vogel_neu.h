#pragma once
// "Characteristics of a new bird species": enters a bird profile and stores it
// as a new version; "Load characteristics" also shows stored profiles in it
// (view mode first, "Edit record" to make a new version from them).
//
// Control names besides those of AnimalProfileEditor:
//   egg inputs "1st quarter month March" .. "3rd quarter month August",
//   "Probability of a substitute brood in %",
//   the list "Last possible quarter month for a substitute brood, if applicable",
//   "WES", "WKLA", "WOLA", the predation input "Predation".
#include <optional>

#include "ui/animal_profile_editor.h"

namespace pravel {

inline constexpr const char* kSubBroodLabel = "Probability of a substitute brood in %";
inline constexpr const char* kSubBroodListLabel = "Last possible quarter month for a substitute brood, if applicable";
inline constexpr const char* kPredationInput = "Predation";
inline constexpr const char* kBirdEditorInitial = "please insert your name!";
inline constexpr const char* kSpatialMissing =
    "At least one of the spatial elements needs a value > 0!\n\n Please revise your input!";
inline constexpr const char* kSubBroodMonthMissing =
    "Since the probability of a substitute brood is greater than 0 you have to specify the last possible quarter "
    "month for a substitute brood!\n\n Please revise your input!";
inline constexpr const char* kBirdEditorMissing = "Please specify your name!\n\n Please revise your input!";
inline constexpr const char* kBirdConfirmation =
    "Please check your input again.\n\nIf you press OK the species will be stored in the database.\n\nIf you want to "
    "revise the data please press Cancel.";

// Quarter months of the bird's egg inputs and substitute-brood list.
inline constexpr int kBirdFirstQuarterMonth = 9;   // 1st quarter month March
inline constexpr int kBirdLastQuarterMonth = 31;   // 3rd quarter month August

// Refusal of a save whose spatial elements add up to less than 0.0001.
std::optional<SaveRefusal> bird_spatial_refusal(const SpeciesRecord& record);
// The checks that follow in order: name, substitute brood, egg sum, editor.
std::optional<SaveRefusal> bird_profile_refusal(const SpeciesRecord& record);

class steckbrief_vogel_neu : public AnimalProfileEditor {
    Q_OBJECT
public:
    explicit steckbrief_vogel_neu(QWidget* parent = nullptr);

    // Fills the inputs from a stored version and makes it the record a save
    // starts from (see AnimalProfileEditor::startFrom). View mode is left
    // to the caller.
    void showLoaded(const SpeciesRecord& loaded);

protected:
    void save() override;

private:
    QListWidget* subBroodList_ = nullptr;
};

}  // namespace pravel
