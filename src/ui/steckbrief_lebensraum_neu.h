#pragma once
// The habitat editor: a habitat type recorded both as a profile of the group
// "Lebensraum" and as grassland type versions with their measures. It has the
// grassland type editor's controls and names (see gruenlanddialog.h), with the
// name group "Name", the measure lists kNormalListHabitat and kLowListHabitat,
// both sorted alphabetically, and the code, names and editor's name also
// going into the profile.
#include "store/profile_store.h"
#include "ui/gruenlanddialog.h"

namespace pravel {

class steckbrief_lebensraum_neu : public gruenlanddialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Characteristics of a new habitat";

    explicit steckbrief_lebensraum_neu(QWidget* parent = nullptr);

    const SpeciesRecord& species() const { return species_; }

protected:
    void fieldLeft(Field field, const std::string& text) override;
    void takeChecked(const GrasslandFormCheck& check, const GrasslandFormInput& input) override;
    int storeBeforeGrassland(DatabaseAccess& db) override;

private:
    SpeciesRecord species_;
};

}  // namespace pravel
