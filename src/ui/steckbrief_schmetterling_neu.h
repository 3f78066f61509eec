#pragma once
// "Characteristics of a new butterfly species": enters a butterfly profile
// with the grassland types it lives on and stores it as a new version.
//
// Control names besides those of AnimalProfileEditor:
//   egg inputs "1st quarter month May" .. "2nd quarter month October",
//   the lists "Start" and "End" (second generation),
//   "Number for 2nd generation, if applicable",
//   the grassland lists "Please select suitable grassland types for this species"
//   and "List of selected grassland types".
#include <optional>
#include <vector>

#include "ui/animal_profile_editor.h"

namespace pravel {

inline constexpr const char* kSecondGenerationStartLabel = "Start";
inline constexpr const char* kSecondGenerationEndLabel = "End";
inline constexpr const char* kSecondGenerationCountLabel = "Number for 2nd generation, if applicable";
inline constexpr const char* kGrasslandChoiceLabel = "Please select suitable grassland types for this species";
inline constexpr const char* kGrasslandChosenLabel = "List of selected grassland types";
inline constexpr const char* kButterflyEditorInitial = "Please enter your name!";
inline constexpr const char* kButterflyEditorMissing = "Please enter your name!\n\n Please revise your input!";
inline constexpr const char* kGrasslandMissing =
    "Please select grassland types for this species!\n\n Please revise your input!";
inline constexpr const char* kButterflyConfirmation =
    "Please check your input again.\n\nIf you press OK the butterfly species will be stored in the "
    "database.\n\nIf you want to revise the data please press Cancel.";

// Quarter months of the butterfly's egg inputs and second-generation lists.
inline constexpr int kButterflyFirstEggQuarterMonth = 17;         // 1st quarter month May
inline constexpr int kButterflyLastQuarterMonth = 38;             // 2nd quarter month October
inline constexpr int kButterflyFirstGenerationQuarterMonth = 13;  // 1st quarter month April

// The checks of a save in order: name, egg sum, editor, grassland types.
std::optional<SaveRefusal> butterfly_profile_refusal(const SpeciesRecord& record);

class steckbrief_schmetterling_neu : public AnimalProfileEditor {
    Q_OBJECT
public:
    // Fills the grassland list from the grassland store.
    explicit steckbrief_schmetterling_neu(QWidget* parent = nullptr);

    // Replaces the grassland types offered, listed alphabetically.
    void setGrasslands(std::vector<GrasslandRecord> grasslands);

protected:
    void save() override;

private:
    void chooseGrassland(const QListWidgetItem* item);
    void removeChosenGrassland(int row);

    std::vector<GrasslandRecord> grasslands_;
    QListWidget* choice_ = nullptr;
    QListWidget* chosen_ = nullptr;
    QListWidget* start_ = nullptr;
    QListWidget* end_ = nullptr;
};

}  // namespace pravel
