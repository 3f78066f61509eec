// The effectiveness window offscreen on the small demo area, driven through
// its labelled controls from empty inputs to a run and its result map.
#include "ui/massnahmen_wirksamkeit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>

#include "common/numeric_input.h"
#include "support/analysis_window_test.h"
#include "support/demo_schema.h"
#include "ui/map_views.h"
#include "ui/shell.h"

namespace pravel {
namespace {

using W = massnahmen_wirksamkeit;

class EffectivenessWindowTest : public testing::AnalysisWindowTest<massnahmen_wirksamkeit> {};

TEST_F(EffectivenessWindowTest, FromEmptyInputsThroughEachCheckToAResultAndItsMap) {
    // Checks of "Run simulation" in order, each followed by the input that
    // gets past it; the fields named receive the focus back.
    EXPECT_EQ(messageOf("Run simulation"), kEffFactorMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel));
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf("Run simulation"), kEffTransactionCostsMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kTransactionLabel));
    type(W::kTransactionLabel, "12a");
    EXPECT_EQ(messageOf("Run simulation"), kEffTransactionCostsMissing);
    // A decimal part would be cut off: refused only once the run's own
    // checks pass, so for now the next of them answers.
    type(W::kTransactionLabel, "12.7");
    EXPECT_EQ(messageOf("Run simulation"), kEffNoMeasures);

    // The mowing set, cut down to two measures by double clicks.
    click("Only mowing");
    ASSERT_GT(rows("List of selected measures"), 2);
    while (rows("List of selected measures") > 2) doubleClick("List of selected measures", 1);
    ASSERT_EQ(window_->chosenMeasures().size(), 2u);
    EXPECT_EQ(messageOf("Run simulation"), kEffNoSpecies);

    // Adding a species: its own checks, the two name lists kept in step.
    EXPECT_EQ(messageOf("Copy values"), kEffNoSpeciesName);
    choose("Dutch name", "Grutto");
    EXPECT_EQ(get<QListWidget>("Latin name")->currentItem()->text(), "Limosa limosa");
    EXPECT_GT(rows("Saved on"), 0);
    const struct {
        const char* quality;
        std::string message;
    } qualities[] = {{"abc", kEffQualityNotNumber}, {"1.01", kEffQualityOutOfRange}, {"-0.2", kEffQualityOutOfRange}};
    for (const auto& q : qualities) {
        SCOPED_TRACE(q.quality);
        type(W::kQualityLabel, q.quality);
        get<QLineEdit>(W::kFactorLabel)->setFocus();
        EXPECT_EQ(messageOf("Copy values"), q.message);
        EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kQualityLabel));
        EXPECT_EQ(rows("List of selected species"), 0);
    }
    type(W::kQualityLabel, "1");
    EXPECT_EQ(messageOf("Copy values"), "(0 messages)");
    ASSERT_EQ(rows("List of selected species"), 1);
    EXPECT_EQ(get<QListWidget>("List of minimum qualities")->item(0)->text(), "1");
    ASSERT_EQ(window_->chosenSpecies().size(), 1u);
    EXPECT_EQ(window_->chosenSpecies()[0].name_latein, "Limosa limosa");
    // A double click on either list removes the species with its quality.
    doubleClick("List of minimum qualities", 0);
    EXPECT_EQ(rows("List of selected species"), 0);
    EXPECT_TRUE(window_->minimumQualities().empty());
    choose("Latin name", "Limosa limosa");
    EXPECT_EQ(get<QListWidget>("Dutch name")->currentItem()->text(), "Grutto");
    type(W::kQualityLabel, "0.3");
    click("Copy values");
    ASSERT_EQ(window_->minimumQualities(), std::vector<double>{0.3});

    // The map table is emptied before predation and region are checked.
    schema().exec("INSERT INTO results_for_viusualitsation (measureID, measure_name, speciesID, species_name, "
                  "quality, countryID) VALUES (5, 'x', 1, 'y', 0.5, 1)");
    EXPECT_EQ(messageOf("Run simulation"), kEffNoPredation);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
    get<QRadioButton>("time independent")->setChecked(true);
    EXPECT_EQ(messageOf("Run simulation"), kEffNoRegion);
    EXPECT_EQ(rows("Result"), 0);
    EXPECT_EQ(window_->lastRun(), nullptr);

    // Clearing the region choice unmarks it again.
    choose("Region", "Moorwiesen test area");
    get<QListWidget>("Region")->clearSelection();
    EXPECT_EQ(messageOf("Run simulation"), kEffNoRegion);
    choose("Region", "Moorwiesen test area");
    EXPECT_EQ(messageOf("Run simulation"), kWholeTransactionCosts);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kTransactionLabel));
    EXPECT_EQ(window_->lastRun(), nullptr);
    EXPECT_EQ(schema().count("graphic"), 0) << "nothing ran";
    type(W::kTransactionLabel, "12");
    EXPECT_EQ(messageOf("Run simulation"), "(0 messages)");
    const EffectivenessRun* run = window_->lastRun();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->transaction_costs, 12);
    for (std::size_t i = 0; i < run->measures.size(); ++i)
        EXPECT_EQ(run->measures[i].payment, window_->chosenMeasures()[i].payment - 12);
    ASSERT_EQ(rows("Result"), static_cast<int>(run->lines.size()));
    ASSERT_GT(rows("Result"), 0);
    EXPECT_EQ(get<QListWidget>("Result")->item(0)->text().toStdString(), run->lines[0]);
    EXPECT_EQ(get<QListWidget>("Result")->item(0)->text().left(10), " Measure, ");
    EXPECT_EQ(schema().count("graphic"), 2);

    // A second run replaces the lines: one run per result.
    click("Run simulation");
    EXPECT_EQ(rows("Result"), static_cast<int>(window_->lastRun()->lines.size()));
    EXPECT_EQ(get<QLabel>(W::kRunShownLabel)->text().left(7), "Run of ");

    // "Visualize" writes the run's rows and opens the result map as a
    // document window of the main window.
    const auto expected = effectiveness_visualisation_rows(*window_->lastRun());
    ASSERT_FALSE(expected.empty());
    const int windows = frame_->mdiArea()->subWindowList().size();
    click("Visualize");
    EXPECT_EQ(schema().count("results_for_viusualitsation"), static_cast<int>(expected.size()));
    ASSERT_NE(window_->lastMap(), nullptr);
    EXPECT_NE(qobject_cast<visdireckt*>(window_->lastMap()), nullptr);
    EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), windows + 1);
    EXPECT_EQ(frame_->mdiArea()->activeSubWindow()->widget(), window_->lastMap());
}

TEST_F(EffectivenessWindowTest, ARunShowsItsPixelProgressAndACancelledOneShowsNoResult) {
    type(W::kFactorLabel, "1");
    type(W::kTransactionLabel, "10");
    click("Only mowing");
    while (rows("List of selected measures") > 1) doubleClick("List of selected measures", 1);
    choose("Dutch name", "Grutto");
    type(W::kQualityLabel, "0");
    click("Copy values");
    get<QRadioButton>("time independent")->setChecked(true);
    choose("Region", "Moorwiesen test area");

    // Each run's progress: the dialog's text and bar after every report. The
    // first row cancels at the first report, the second lets the run finish.
    struct Seen {
        QString text;
        int value = 0;
        int maximum = 0;
        Feedback::Progress progress;
    };
    std::vector<Seen> seen;
    bool cancelAtFirst = true;
    window_->setProgressObserver([&](QProgressDialog& d, const Feedback::Progress& p) {
        EXPECT_TRUE(d.isVisible());
        seen.push_back({d.labelText(), d.value(), d.maximum(), p});
        if (cancelAtFirst) d.cancel();
    });

    // Cancelled: said so, no result lines, no `graphic` rows, no run kept.
    EXPECT_EQ(messageOf("Run simulation"), kSimulationCancelledText);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].progress.stage, "evaluation");
    EXPECT_LT(seen[0].progress.step, seen[0].progress.total);
    EXPECT_EQ(rows("Result"), 0);
    EXPECT_EQ(schema().count("graphic"), 0);
    EXPECT_EQ(window_->lastRun(), nullptr);

    // Finished: the last report has every pixel, the bar is full, and the
    // text names the stage and the pixels.
    seen.clear();
    cancelAtFirst = false;
    EXPECT_EQ(messageOf("Run simulation"), "(0 messages)");
    ASSERT_GT(seen.size(), 1u);
    const Seen& last = seen.back();
    EXPECT_EQ(last.progress.step, last.progress.total);
    EXPECT_EQ(last.value, last.maximum);
    EXPECT_GT(last.maximum, 0);
    const QString all = QString::number(last.progress.total);
    EXPECT_EQ(last.text, "Stage: evaluation\nPixels " + all + " of " + all);
    EXPECT_LT(seen.front().value, last.value);
    ASSERT_NE(window_->lastRun(), nullptr);
    EXPECT_EQ(rows("Result"), static_cast<int>(window_->lastRun()->lines.size()));
    EXPECT_EQ(schema().count("graphic"), 1);
    // No progress dialog is left behind.
    EXPECT_TRUE(window_->findChildren<QProgressDialog*>().isEmpty());
}

TEST_F(EffectivenessWindowTest, OpeningEmptiesTheResultTablesAndCloseWindowEndsIt) {
    schema().exec("INSERT INTO graphic (measureID, speciesID, m_name, species_name, qual_min, qual_max, "
                  "qual_medium, cost_min, cost_max, cost_medium, eff_area, nr_pixel) "
                  "VALUES (5, 11, 'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0)");
    auto* second = new massnahmen_wirksamkeit(frame_.get());
    QPointer<massnahmen_wirksamkeit> guard(second);
    EXPECT_EQ(schema().count("graphic"), 0);
    EXPECT_GT(second->control<QListWidget>("Region")->count(), 0);
    second->show();
    second->control<QPushButton>("Close window")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

}  // namespace
}  // namespace pravel
