#include "ui/window_parts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <memory>

#include "store/profile_store.h"

namespace pravel {

QLabel* label(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

QListWidget* namedList(const QString& name, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    return l;
}

QPushButton* namedButton(const QString& name, QWidget* parent) {
    auto* b = new QPushButton(name, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* namedField(const QString& name, QWidget* parent) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(name);
    return f;
}

void fill(QListWidget* list, const std::vector<std::string>& entries) {
    list->clear();
    for (const auto& e : entries) list->addItem(QString::fromStdString(e));
}

void link_species_names(DatabaseAccess& db, QListWidget* dutch, QListWidget* latin, QListWidget* saved_on,
                        QObject* context, std::function<void(const QString&)> chosen) {
    // Selecting the partner entry fires the partner's own signal; the flag
    // keeps that echo from running the lookup a second time.
    auto syncing = std::make_shared<bool>(false);
    auto show_versions = [&db, saved_on, chosen](const QString& dutch_name) {
        if (chosen) chosen(dutch_name);
        fill(saved_on, species_savetimes(db, "name", dutch_name.toStdString()));
        if (saved_on->count() > 0) saved_on->setCurrentRow(0);
    };
    QObject::connect(dutch, &QListWidget::currentRowChanged, context, [&db, dutch, latin, syncing, show_versions] {
        QListWidgetItem* item = dutch->currentItem();
        if (*syncing || !item) return;
        const std::string name = species_column_value(db, "name_latein", "name", item->text().toStdString());
        *syncing = true;
        const auto found = latin->findItems(QString::fromStdString(name), Qt::MatchExactly);
        if (!found.isEmpty()) latin->setCurrentItem(found.front());
        *syncing = false;
        show_versions(item->text());
    });
    QObject::connect(latin, &QListWidget::currentRowChanged, context, [&db, dutch, latin, syncing, show_versions] {
        QListWidgetItem* item = latin->currentItem();
        if (*syncing || !item) return;
        const std::string name = species_column_value(db, "name", "name_latein", item->text().toStdString());
        *syncing = true;
        const auto found = dutch->findItems(QString::fromStdString(name), Qt::MatchExactly);
        if (!found.isEmpty()) dutch->setCurrentItem(found.front());
        *syncing = false;
        show_versions(QString::fromStdString(name));
    });
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace pravel
