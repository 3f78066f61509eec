// The window "Budget-effect curve" offscreen on the small demo area: the
// goal window's checks before anything runs, a refused budget range, then a
// short curve with its table, chart and saved CSV, PNG and SVG files.
#include "ui/budget_effect_curve_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "optimisation/optimisation_lines.h"
#include "support/analysis_window_test.h"

namespace pravel {
namespace {

using W = BudgetEffectCurveWindow;

class CurveWindowTest : public testing::AnalysisWindowTest<BudgetEffectCurveWindow> {};

TEST_F(CurveWindowTest, ChecksTheInputsThenDrawsAndSavesTheCurve) {
    EXPECT_EQ(window_->windowTitle(), "Budget-effect curve");
    EXPECT_FALSE(get<QPushButton>(W::kSaveCsv)->isEnabled());
    // The goal window's own checks come first, the budget read from "to".
    EXPECT_EQ(messageOf(W::kDrawButton), kOptFactorMissing);
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf(W::kDrawButton), kMaxBudgetMissing);

    type(W::kTransactionLabel, "12");
    get<QRadioButton>("time independent")->setChecked(true);
    choose("Region", "Moorwiesen test area");
    click("Only mowing");
    choose("Dutch name", "Grutto");
    type(W::kImportanceLabel, "80");
    type(W::kQualityLabel, "0.3");
    click("Copy values");
    ASSERT_EQ(window_->chosenSpecies().size(), 1u);

    type(W::kFromLabel, "9000");
    type(W::kToLabel, "3000");
    type(W::kPointsLabel, "3");
    EXPECT_NE(messageOf(W::kDrawButton).find("FROM must not exceed TO"), std::string::npos);
    EXPECT_TRUE(window_->curve().points.empty());

    type(W::kFromLabel, "3000");
    type(W::kToLabel, "9000");
    messages().clear();
    click(W::kDrawButton);
    EXPECT_TRUE(messages().texts().empty());
    const BudgetEffectCurve& c = window_->curve();
    ASSERT_EQ(c.points.size(), 3u);
    EXPECT_TRUE(monotone(c));
    auto* table = get<QTableWidget>(W::kTableName);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(2, 0)->text(), "9000");

    QTemporaryDir dir;
    for (const char* ending : {"csv", "png", "svg"}) {
        SCOPED_TRACE(ending);
        const QString path = dir.filePath(QString("curve.") + ending);
        window_->setSavePathChooser([path](const QString&) { return path; });
        const char* button = std::string(ending) == "csv" ? W::kSaveCsv : std::string(ending) == "png" ? W::kSavePng : W::kSaveSvg;
        ASSERT_TRUE(get<QPushButton>(button)->isEnabled());
        click(button);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(f.size(), 100);
    }
    QFile csv(dir.filePath("curve.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count('\n'), 4);
}

}  // namespace
}  // namespace pravel
