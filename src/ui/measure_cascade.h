#pragma once
// The measure-selection cascade as a widget: one labelled list per step, each
// named after its label, and an add button. Every analysis window carries
// one; the window lists the measures it receives through measureChosen.
#include <QWidget>

#include <array>
#include <memory>

#include "ui/measure_cascade_model.h"

class QListWidget;
class QPushButton;

namespace pravel {

class MeasureCascade : public QWidget {
    Q_OBJECT
public:
    // `db` must outlive the widget. The lists are filled at once.
    explicit MeasureCascade(DatabaseAccess& db, QWidget* parent = nullptr);
    ~MeasureCascade() override;

    const MeasureCascadeModel& model() const { return *model_; }
    QListWidget* list(int step) const { return lists_.at(step); }
    QPushButton* addButton() const { return add_; }

    // Starts over with only "Type of measure" filled.
    void reset();

signals:
    // A measure completed by the last choice (payment 0), or added once more
    // with the add button; `line` is its text for the list of selected
    // measures.
    void measureChosen(const pravel::MeasureRecord& measure, const QString& line);

private:
    void onRowChanged(int step, int row);
    void emitCurrent();
    void refresh();

    std::unique_ptr<MeasureCascadeModel> model_;
    std::array<QListWidget*, kCascadeStepCount> lists_{};
    QPushButton* add_ = nullptr;
};

}  // namespace pravel

Q_DECLARE_METATYPE(pravel::MeasureRecord)
