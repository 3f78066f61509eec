#pragma once
// The window "Budget-effect curve": the inputs of the goal maximisation
// window, a range of budgets (from, to, points), the payments (uniform or by
// zone), and "Draw curve", which runs the goal search at every budget on one
// evaluation and shows the curve beside the cost-only reference, a heading
// naming the run, and the table of its points; the curve is saved as CSV,
// PNG or SVG. Hovering a point shows its figures. The point chosen in the
// table can be stored as a named run (with its zone payments) and drawn on
// the configuration map.
#include <QPointer>

#include <functional>
#include <optional>

#include "policy/zones.h"

#include "policy/curve.h"
#include "ui/qualoptimierung.h"

class QChartView;
class QComboBox;
class QLabel;
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
    static constexpr const char* kZonesLabel = "Payments";
    static constexpr const char* kCurveShownLabel = "Curve shown";
    static constexpr const char* kStorePoint = "Store point as run";
    static constexpr const char* kShowPoint = "Show on map";
    // The choices of kZonesLabel: uniform payments, or one per measure and zone.
    static constexpr const char* kUniform = "uniform";
    static constexpr const char* kGrid2 = "by zone: grid 2x2";
    static constexpr const char* kGrid4 = "by zone: grid 4x4";
    static constexpr const char* kSubclassification = "by zone: column subclassification";
    static constexpr const char* kChoosePoint = "Choose a point of the curve in the table first.";

    explicit BudgetEffectCurveWindow(QWidget* parent = nullptr);

    // The latest curve; empty before the first one.
    const BudgetEffectCurve& curve() const { return curve_; }
    // The zones the latest curve was drawn with; none for uniform payments.
    const std::optional<ZoneMap>& zones() const { return zones_; }
    // The configuration the latest "Store point as run" stored, if any.
    std::optional<int> storedPoint() const { return stored_; }
    QWidget* lastPointMap() const { return pointMap_; }
    // Asks for the file to save to (the filter names the ending); an empty
    // text cancels. A save dialog by default.
    using SavePathChooser = std::function<QString(const QString& filter)>;
    void setSavePathChooser(SavePathChooser chooser) { savePathChooser_ = std::move(chooser); }

private:
    void drawCurve();
    void save(const QString& filter);
    void showCurve();
    // The zones of the payments chosen on the evaluated area's raster; none
    // for uniform payments. Tells the user and sets `failed` when they cannot be built.
    std::optional<ZoneMap> chosenZones(const EvaluatedArea& area, bool& failed);
    void storePoint();
    void showStoredPoint();

    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLineEdit* points_ = nullptr;
    QTableWidget* table_ = nullptr;
    QChartView* chart_ = nullptr;
    std::array<QPushButton*, 3> saveButtons_{};
    QComboBox* zoning_ = nullptr;
    QLabel* curveShown_ = nullptr;
    QPushButton* storePoint_ = nullptr;
    QPushButton* showPoint_ = nullptr;
    BudgetEffectCurve curve_;
    std::optional<ZoneMap> zones_;
    std::optional<OptimisationAnalysis> curveAnalysis_;  // the inputs the curve was drawn with
    std::optional<int> stored_;
    double curvePixelArea_ = 0.0;  // ha, of the area the curve was drawn on
    QPointer<QWidget> pointMap_;
    SavePathChooser savePathChooser_;
};

}  // namespace pravel
