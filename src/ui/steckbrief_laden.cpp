#include "ui/steckbrief_laden.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "store/database_access.h"
#include "store/profile_store.h"
#include "ui/steckbrief_vogel_neu.h"
#include "ui/window_parts.h"

namespace pravel {

ProfileEntryKey parse_profile_entry(const std::string& entry) {
    ProfileEntryKey key;
    const std::size_t slash = entry.find('/');
    if (slash == std::string::npos) return key;
    const std::size_t comma = entry.find(',', slash + 1);
    if (comma == std::string::npos) return key;
    key.name = entry.substr(slash + 1, comma - slash - 1);
    const std::size_t begin = entry.find_first_not_of(" \t", comma + 1);
    if (begin == std::string::npos) return key;
    // A save time is a date and a time and holds no letter t, so it ends at
    // the comma before the editor's name.
    const std::size_t end = entry.find_first_of(",t", begin);
    key.savetime = entry.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    return key;
}

steckbrief_laden::steckbrief_laden(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Load characteristics");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label(kLoadListLabel, this));
    for (const char* line : {"The identifier is made up of:", "- name of the species", "- time of saving",
                             "- name of the person who entered the data"})
        layout->addWidget(label(line, this));
    list_ = namedList(kLoadListLabel, this);
    layout->addWidget(list_, 1);
    const auto [ok, cancel] = addOkCancel(layout, this);

    on_entry_chosen(list_, this,
                    [this](int row) { chosen_ = parse_profile_entry(list_->item(row)->text().toStdString()); });
    connect(ok, &QPushButton::clicked, this, [this] { loadAndShow(); });
    connect(cancel, &QPushButton::clicked, this, [this] { close(); });
}

void steckbrief_laden::setEntries(const std::vector<std::string>& entries) { fill(list_, entries); }

void steckbrief_laden::loadAndShow() {
    if (chosen_.name.empty() || chosen_.savetime.empty()) {
        notifier().ask_yes_no(kNoSelectionMessage);
        return;
    }
    SpeciesRecord loaded = load_species("name", chosen_.name, chosen_.savetime);
    // The store does not load a profile's grassland links with it; a new
    // version made from the profile keeps them.
    if (loaded.speciesID != 0) {
        DatabaseAccess db;
        loaded.grassland_ids = grassland_ids_of_species(db, loaded.speciesID);
    }
    // The editor outlives this dialog, so it hangs on the dialog's parent.
    auto* editor = new steckbrief_vogel_neu(parentWidget());
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->showLoaded(loaded);
    editor->setViewMode(true);
    editor->show();
    editor_ = editor;
    close();
}

steckbrief_laden* make_profile_load_dialog(QWidget* parent, const QString& title, const std::string& group) {
    auto* dialog = new steckbrief_laden(parent);
    dialog->setWindowTitle(title);
    DatabaseAccess db;
    dialog->setEntries(list_species_by_group(db, group));
    return dialog;
}

}  // namespace pravel
