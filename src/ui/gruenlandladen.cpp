#include "ui/gruenlandladen.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "store/grassland_store.h"
#include "ui/gruenlanddialog.h"
#include "ui/window_parts.h"

namespace pravel {

std::vector<std::string> grassland_load_list(DatabaseAccess& db) { return grassland_load_entries(all_grasslands(db)); }

gruenlandladen::gruenlandladen(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label(kLoadListName, this));
    list_ = namedList(kLoadListName, this);
    layout->addWidget(list_);
    const auto [ok, cancel] = addOkCancel(layout, this);

    on_entry_chosen(list_, this,
                    [this](int row) { chosen_ = parse_grassland_load_entry(list_->item(row)->text().toStdString()); });
    connect(ok, &QPushButton::clicked, this, [this] { openChosen(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void gruenlandladen::setEntries(const std::vector<std::string>& entries) { fill(list_, entries); }

gruenlanddialog* gruenlandladen::openChosen() {
    if (chosen_.name.empty() || chosen_.savetime.empty()) {
        notifier().ask_yes_no(kMakeSelectionMessage);
        return nullptr;
    }
    // The editor outlives this dialog: it belongs to the main window, like
    // an editor opened by its own command.
    auto* editor = new gruenlanddialog(parentWidget());
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
    editor->showStored(chosen_.name, chosen_.savetime, chosen_.low_productivity);
    close();
    return editor;
}

}  // namespace pravel
