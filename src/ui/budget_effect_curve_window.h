#pragma once
// The window "Budget-effect curve": the inputs of the goal maximisation
// window, a range of budgets (from, to, points), and "Draw curve", which
// runs the goal search at every budget on one evaluation and shows the
// curve of the uniform payments beside the cost-only reference, and the
// table of its points; the curve is saved as CSV, PNG or SVG. Hovering a
// point shows its figures.
#include <functional>

#include "policy/curve.h"
#include "ui/qualoptimierung.h"

class QChartView;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pravel {

class BudgetEffectCurveWindow : public qualoptimierung {
    Q_OBJECT
public:
    static constexpr const char* kCurveTitle = "Budget-effect curve";
    static constexpr const char* kFromLabel = "Budgets from (Euro)";
    static constexpr const char* kToLabel = "to (Euro)";
    static constexpr const char* kPointsLabel = "Number of points";
    static constexpr const char* kDrawButton = "Draw curve";
    static constexpr const char* kTableName = "Points of the curve";
    static constexpr const char* kSaveCsv = "Save as CSV";
    static constexpr const char* kSavePng = "Save as PNG";
    static constexpr const char* kSaveSvg = "Save as SVG";

    explicit BudgetEffectCurveWindow(QWidget* parent = nullptr);

    // The latest curve; empty before the first one.
    const BudgetEffectCurve& curve() const { return curve_; }
    // Asks for the file to save to (the filter names the ending); an empty
    // text cancels. A save dialog by default.
    using SavePathChooser = std::function<QString(const QString& filter)>;
    void setSavePathChooser(SavePathChooser chooser) { savePathChooser_ = std::move(chooser); }

private:
    void drawCurve();
    void save(const QString& filter);
    void showCurve();

    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLineEdit* points_ = nullptr;
    QTableWidget* table_ = nullptr;
    QChartView* chart_ = nullptr;
    std::array<QPushButton*, 3> saveButtons_{};
    BudgetEffectCurve curve_;
    SavePathChooser savePathChooser_;
};

}  // namespace pravel
