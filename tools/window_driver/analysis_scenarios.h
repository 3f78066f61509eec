#pragma once
// Drives the analysis windows through their labelled controls as a user
// would, and fills each with one scenario on a demo study area: the
// screenshot program and the window benchmark share these steps, so that the
// pictures and the figures show the same runs.
#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QWidget>

#include <stdexcept>
#include <string>

#include "ui/massnahmen_wirksamkeit.h"
#include "ui/measure_cascade.h"
#include "ui/optimisation_window.h"
#include "ui/zahlungssimulierung.h"

namespace pravel::driving {

inline constexpr const char* kLargeArea = "Ellerbach lowland";

// A step that cannot be carried out: the control is missing or the data
// does not hold what the scenario expects.
struct DriveError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

template <class C>
C* find(QWidget* window, const QString& name) {
    C* c = window->findChild<C*>(name);
    if (!c) throw DriveError("no control \"" + name.toStdString() + "\" in " + window->windowTitle().toStdString());
    return c;
}
inline void type(QWidget* w, const char* field, const QString& text) { find<QLineEdit>(w, field)->setText(text); }
inline void click(QWidget* w, const char* button) { find<QAbstractButton>(w, button)->click(); }
inline void choose(QListWidget* list, const QString& entry) {
    const auto found = list->findItems(entry, Qt::MatchExactly);
    if (found.isEmpty())
        throw DriveError("no entry \"" + entry.toStdString() + "\" in " + list->objectName().toStdString());
    list->setCurrentItem(found.front());
}
inline void choose(QWidget* w, const char* list, const QString& entry) { choose(find<QListWidget>(w, list), entry); }
// Keeps the first `n` entries of the measure list (a double click removes one);
// n < 0 keeps them all.
inline void keepMeasures(QWidget* w, int n) {
    auto* list = find<QListWidget>(w, "List of selected measures");
    while (n >= 0 && list->count() > n) emit list->itemDoubleClicked(list->item(list->count() - 1));
}

// Costs, predation, mowing measures (the first `measures` of "Only mowing")
// and Grutto and Tureluur at minimum quality 0.3 on `region`.
inline void fillEffectiveness(massnahmen_wirksamkeit* w, const QString& region = kLargeArea, int measures = 3) {
    using W = massnahmen_wirksamkeit;
    type(w, W::kFactorLabel, "1");
    type(w, W::kTransactionLabel, "10");
    click(w, "Only mowing");
    keepMeasures(w, measures);
    for (const char* species : {"Grutto", "Tureluur"}) {
        choose(w, "Dutch name", species);
        type(w, W::kQualityLabel, "0.3");
        click(w, "Copy values");
    }
    find<QRadioButton>(w, "time independent")->setChecked(true);
    choose(w, "Region", region);
}

// Two two-cut mowing regimes with payments and maximum areas, and Grutto and
// Tureluur at minimum quality 0.3 on `region`.
inline void fillProgramme(zahlungssimulierung* w, const QString& region = kLargeArea) {
    using W = zahlungssimulierung;
    type(w, W::kFactorLabel, "1");
    type(w, W::kTransactionLabel, "10");
    choose(w, "Region", region);
    struct Measure {
        const char* type;
        const char* firstUse;
        const char* distance;
        const char* payment;
        const char* area;
    };
    for (const Measure& m : {Measure{"mowing_2cut", "4th QM April, 16.", "12", "300", "400"},
                             Measure{"mowing_2cut", "4th QM April, 16.", "8", "250", "300"}}) {
        MeasureCascade* c = w->cascade();
        choose(find<QListWidget>(c, "Type of measure"), m.type);
        choose(find<QListWidget>(c, "QM of first use"), m.firstUse);
        choose(find<QListWidget>(c, "Distance to first use in QM"), m.distance);
        type(w, W::kPaymentLabel, m.payment);
        type(w, W::kAreaLabel, m.area);
        w->measureCopyButton()->click();
    }
    for (const char* species : {"Grutto", "Tureluur"}) {
        choose(w, "Dutch name", species);
        type(w, W::kQualityLabel, "0.3");
        w->speciesCopyButton()->click();
    }
    find<QRadioButton>(w, "time independent")->setChecked(true);
}

// Costs, predation and the first `measures` mowing measures on `region`.
inline void fillOptimisation(OptimisationWindow* w, const QString& region = kLargeArea, int measures = 3) {
    type(w, OptimisationWindow::kFactorLabel, "1");
    type(w, OptimisationWindow::kTransactionLabel, "10");
    choose(w, "Region", region);
    find<QRadioButton>(w, "time independent")->setChecked(true);
    click(w, "Only mowing");
    keepMeasures(w, measures);
}

// Grutto and Tureluur with the two target texts of an optimisation window.
inline void addOptimisationSpecies(OptimisationWindow* w, const char* firstField, const char* secondField,
                                   const QString& first, const QString& second) {
    for (const char* species : {"Grutto", "Tureluur"}) {
        choose(w, "Dutch name", species);
        type(w, firstField, first);
        type(w, secondField, second);
        click(w, "Copy values");
    }
}

}  // namespace pravel::driving
