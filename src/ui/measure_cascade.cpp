#include "ui/measure_cascade.h"
#include "ui/window_parts.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace pravel {

namespace {
// Lists per row of the layout: the timing of the uses, then the grazing.
constexpr int kColumns = 7;
// A step's list shows a quarter month, a distance, a livestock kind or a
// density on a few lines; its caption is wider than most entries. The first
// step lists the measure names, which are longer.
constexpr int kListColumnsPerStep = 12;
constexpr int kMeasureNameColumns = 20;
constexpr int kListLinesPerStep = 5;
}  // namespace

MeasureCascade::MeasureCascade(DatabaseAccess& db, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<MeasureCascadeModel>(db)) {
    auto* grid = new QGridLayout(this);
    for (int step = 0; step < kCascadeStepCount; ++step) {
        const QString label = QString::fromStdString(cascade_step_label(step));
        auto* caption = new QLabel(label, this);
        auto* list = new TextSizedList(step == 0 ? kMeasureNameColumns : kListColumnsPerStep, kListLinesPerStep, this);
        list->setObjectName(label);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        caption->setBuddy(list);
        const int row = 2 * (step / kColumns);
        grid->addWidget(caption, row, step % kColumns);
        grid->addWidget(list, row + 1, step % kColumns);
        lists_[step] = list;
        on_entry_chosen(list, this, [this, step](int r) { onRowChanged(step, r); });
    }
    add_ = new QPushButton("Add measure", this);
    add_->setObjectName("Add measure");
    grid->addWidget(add_, 4, kColumns - 1);
    connect(add_, &QPushButton::clicked, this, &MeasureCascade::emitCurrent);
    reset();
}

MeasureCascade::~MeasureCascade() = default;

void MeasureCascade::reset() {
    model_->reset();
    refresh();
}

void MeasureCascade::onRowChanged(int step, int row) {
    if (row < 0) return;
    const std::string entry = lists_[step]->item(row)->text().toStdString();
    if (!model_->choose(step, entry)) return;
    refresh();
    if (model_->complete()) emitCurrent();
}

void MeasureCascade::emitCurrent() {
    if (!model_->complete()) return;
    emit measureChosen(model_->measure(), QString::fromStdString(model_->measure_line()));
}

void MeasureCascade::refresh() {
    for (int step = 0; step < kCascadeStepCount; ++step) {
        QListWidget* list = lists_[step];
        const QSignalBlocker block(list);
        const auto& entries = model_->entries(step);
        const std::string& chosen = model_->chosen(step);
        // A list whose entries stay as they are keeps its selection.
        bool same = list->count() == static_cast<int>(entries.size());
        for (int i = 0; same && i < list->count(); ++i)
            same = list->item(i)->text().toStdString() == entries[i];
        if (!same) {
            list->clear();
            for (const auto& e : entries) list->addItem(QString::fromStdString(e));
        }
        int current = -1;
        for (int i = 0; i < static_cast<int>(entries.size()); ++i)
            if (!chosen.empty() && entries[i] == chosen) current = i;
        list->setCurrentRow(current);
        list->setEnabled(model_->enabled(step));
    }
    add_->setEnabled(model_->complete());
}

}  // namespace pravel
