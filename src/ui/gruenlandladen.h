#pragma once
// The dialog that picks a stored grassland type version and shows it in the
// grassland type editor, read-only until "Edit record".
//
// Controls, each named after its label: the list kLoadListName (its caption),
// buttons "OK" and "Cancel".
#include <QDialog>

#include <string>
#include <vector>

#include "ui/grassland_form.h"

class QListWidget;

namespace pravel {

class DatabaseAccess;
class gruenlanddialog;

inline constexpr const char* kLoadListName = "Please select a grassland type you want to load.";

// The load list as the command fills it: every stored version except the
// "Uebriges Gruenland" types, in load order.
std::vector<std::string> grassland_load_list(DatabaseAccess& db);

class gruenlandladen : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Load grassland";

    explicit gruenlandladen(QWidget* parent = nullptr);

    void setEntries(const std::vector<std::string>& entries);
    // The name, save time and productivity of the chosen entry.
    const GrasslandEntryChoice& chosen() const { return chosen_; }

    // "OK": shows the chosen version in a new editor and closes; returns the
    // editor, or null when nothing is chosen.
    gruenlanddialog* openChosen();

private:
    GrasslandEntryChoice chosen_;
    QListWidget* list_ = nullptr;
};

}  // namespace pravel
