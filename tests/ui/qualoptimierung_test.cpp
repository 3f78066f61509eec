// The goal maximisation window offscreen on the small demo area: its start
// checks in order, the importance and quality of each species, a short
// seeded run ended through the progress dialog with its result lists, map
// rows, report and store.
#include "ui/qualoptimierung.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdlib>

#include "optimisation/configuration_store.h"
#include "optimisation/optimisation_lines.h"
#include "support/analysis_window_test.h"
#include "support/comma_locale.h"
#include "support/demo_schema.h"
#include "ui/savename.h"
#include "ui/shell.h"

namespace pravel {
namespace {

using W = qualoptimierung;

class GoalWindowTest : public testing::AnalysisWindowTest<qualoptimierung> {};

TEST_F(GoalWindowTest, StartChecksReportTheBudgetBeforeTheRegion) {
    EXPECT_EQ(window_->windowTitle(), "Goal maximization for given budget");
    EXPECT_FALSE(get<QPushButton>("Save")->isEnabled());
    EXPECT_FALSE(get<QPushButton>("Visualize")->isEnabled());

    EXPECT_EQ(messageOf("Start optimization"), kOptFactorMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel));
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf("Start optimization"), kMaxBudgetMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kBudgetLabel));
    type(W::kBudgetLabel, "5000");
    EXPECT_EQ(messageOf("Start optimization"), kMaxNoCountry);
    choose("Region", "Moorwiesen test area");
    EXPECT_EQ(messageOf("Start optimization"), kMaxNoPredation);
    get<QRadioButton>("time dependent")->setChecked(true);
    EXPECT_EQ(messageOf("Start optimization"), kOptTransactionCostsMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kTransactionLabel));
    type(W::kTransactionLabel, "10");
    EXPECT_EQ(messageOf("Start optimization"), kOptNoSpeciesOrMeasure);
    EXPECT_EQ(window_->lastResult(), nullptr);

    // Leaving the budget or the quality field checks its characters.
    const struct {
        const char* field;
        const char* text;
        std::string message;  // empty: none
    } leaving[] = {
        {W::kBudgetLabel, "5000 Euro", kMaxBudgetMissing},
        {W::kBudgetLabel, "(5000)", ""},
        {W::kQualityLabel, "0,5", kMaxQualityFieldNotNumber},
        {W::kQualityLabel, "0.5", ""},
    };
    for (const auto& l : leaving) {
        SCOPED_TRACE(std::string(l.field) + ": " + l.text);
        messages().clear();
        QLineEdit* field = get<QLineEdit>(l.field);
        field->setText(l.text);
        emit field->editingFinished();
        const auto texts = messages().texts();
        if (l.message.empty())
            EXPECT_TRUE(texts.empty());
        else
            EXPECT_EQ(texts, std::vector<std::string>{l.message});
    }
}

TEST_F(GoalWindowTest, ImportanceAndQualityAreCheckedBeforeTheSpeciesIsListed) {
    EXPECT_EQ(messageOf("Copy values"), kOptNoSpeciesName);
    const struct {
        const char* importance;
        const char* quality;
        std::string message;  // empty: accepted
        const char* focus;
    } cases[] = {
        {"", "0.5", kMaxWeightNotNumber, W::kImportanceLabel},
        {"ten", "0.5", kMaxWeightNotNumber, W::kImportanceLabel},
        {"0.5", "0.5", kMaxWeightOutOfRange, W::kImportanceLabel},
        {"101", "0.5", kMaxWeightOutOfRange, W::kImportanceLabel},
        {"50", "", kMaxQualityNotNumber, W::kQualityLabel},
        {"50", "1.5", kMaxQualityOutOfRange, nullptr},
        {"100", "0", "", nullptr},
        {"1", "1", "", nullptr},
    };
    int listed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.importance) + " / " + c.quality);
        choose("Dutch name", "Grutto");
        get<QLineEdit>("for species")->setText("Grutto");
        type(W::kImportanceLabel, c.importance);
        type(W::kQualityLabel, c.quality);
        if (c.message.empty()) {
            EXPECT_EQ(messageOf("Copy values"), "(0 messages)");
            ++listed;
            EXPECT_TRUE(get<QLineEdit>(W::kImportanceLabel)->text().isEmpty());
            EXPECT_TRUE(get<QLineEdit>(W::kQualityLabel)->text().isEmpty());
            EXPECT_TRUE(get<QLineEdit>("for species")->text().isEmpty());
        } else {
            EXPECT_EQ(messageOf("Copy values"), c.message);
            if (c.focus) {
                EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(c.focus));
            }
        }
        EXPECT_EQ(rows("List of selected species"), listed);
        EXPECT_EQ(rows("List of specified importance"), listed);
        EXPECT_EQ(rows("List of minimum qualities"), listed);
    }
    EXPECT_EQ(window_->weights(), (std::vector<double>{1.0, 0.01}));
    EXPECT_EQ(window_->minimumQualities(), (std::vector<double>{0, 1}));
    EXPECT_EQ(get<QListWidget>("List of specified importance")->item(0)->text(), "100");
    // A double click in any of the three lists removes the species from all.
    QListWidget* importance = get<QListWidget>("List of specified importance");
    emit importance->itemDoubleClicked(importance->item(0));
    EXPECT_EQ(rows("List of selected species"), 1);
    EXPECT_EQ(get<QListWidget>("List of minimum qualities")->item(0)->text(), "1");
    EXPECT_EQ(window_->weights(), std::vector<double>{0.01});
}

// The search gets the numbers as the checks read them, whatever the
// locale: a decimal point under a comma-decimal locale, and the leading
// number of a target text the check accepts.
TEST_F(GoalWindowTest, TheSearchGetsTheNumbersAsTheChecksReadThemInAnyLocale) {
    testing::CommaDecimalLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    ASSERT_EQ(std::atof("0.5"), 0.0) << "the locale's own reader stops at the point";
    choose("Region", "Moorwiesen test area");
    const struct {
        const char* importance;
        const char* quality;
        double weight;
        double stored_quality;
    } targets[] = {{"80", "0.5", 0.8, 0.5}, {"50)", "0.25)", 0.5, 0.25}, {"12.5", "1-", 0.125, 1}};
    choose("Dutch name", "Grutto");
    for (const auto& t : targets) {
        type("for species", "Grutto");
        type(W::kImportanceLabel, t.importance);
        type(W::kQualityLabel, t.quality);
        ASSERT_EQ(messageOf("Copy values"), "(0 messages)") << t.importance << " / " << t.quality;
    }
    const struct {
        const char* factor;
        const char* budget;
        double distance_cost_factor;
        int budget_value;
    } fields[] = {{"0.5", "20000.9", 0.5, 20000}, {"2.25", "300", 2.25, 300}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.factor);
        type(W::kFactorLabel, f.factor);
        type(W::kBudgetLabel, f.budget);
        type(W::kTransactionLabel, "7.9");
        const GoalMaximisationInput input = window_->searchInput(false);
        EXPECT_EQ(input.evaluation.distance_cost_factor, f.distance_cost_factor);
        EXPECT_EQ(input.budget, f.budget_value);
        EXPECT_EQ(input.transaction_costs, 7);
        ASSERT_EQ(input.weight.size(), 3u);
        ASSERT_EQ(input.evaluation.minimum_qualities.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_DOUBLE_EQ(input.weight[k], targets[k].weight) << targets[k].importance;
            EXPECT_EQ(input.evaluation.minimum_qualities[k], targets[k].stored_quality) << targets[k].quality;
        }
    }
}

TEST_F(GoalWindowTest, ASeededRunFillsTheListsAndEnablesSave) {
    window_->setSeed(7);
    int reports = 0;
    // The run goes to its end: a Cancel before the search's first
    // construction is over leaves no answer to show.
    window_->setProgressObserver([&reports](QProgressDialog&, const Feedback::Progress&) { ++reports; });
    type(W::kFactorLabel, "1");
    type(W::kBudgetLabel, "20000");
    type(W::kTransactionLabel, "12");
    get<QRadioButton>("time independent")->setChecked(true);
    choose("Region", "Moorwiesen test area");
    click("Only mowing");
    ASSERT_GE(rows("List of selected measures"), 2);
    choose("Dutch name", "Grutto");
    type(W::kImportanceLabel, "80");
    type(W::kQualityLabel, "0");
    click("Copy values");
    ASSERT_EQ(window_->chosenSpecies().size(), 1u);

    // A factor out of range is refused after every other check, with the
    // cursor in its field.
    for (const char* factor : {"-5", "1e25"}) {
        type(W::kFactorLabel, factor);
        EXPECT_EQ(messageOf("Start optimization"), kOptFactorOutOfRange) << factor;
        EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel)) << factor;
        EXPECT_EQ(window_->lastResult(), nullptr) << factor;
    }
    type(W::kFactorLabel, "1");
    const std::string closing = messageOf("Start optimization");
    EXPECT_EQ(closing.rfind("Done", 0), 0u) << closing;
    const OptimisationResult* result = window_->lastResult();
    ASSERT_NE(result, nullptr);

    const auto lines =
        goal_maximisation_lines(*result, window_->chosenMeasures(), window_->chosenSpecies(), window_->pixelArea());
    ASSERT_FALSE(lines.measures.empty());
    ASSERT_EQ(rows(W::kMeasureResultLabel), static_cast<int>(lines.measures.size()));
    QListWidget* measureResult = get<QListWidget>(W::kMeasureResultLabel);
    bool areaLine = false;
    for (int i = 0; i < measureResult->count(); ++i) {
        EXPECT_EQ(measureResult->item(i)->text().toStdString(), lines.measures[i]);
        areaLine |= measureResult->item(i)->text().startsWith("The participating area in ha: ");
    }
    EXPECT_TRUE(areaLine);
    EXPECT_EQ(rows(W::kSpeciesResultLabel), static_cast<int>(lines.species.size()));
    const QString total = get<QLineEdit>(W::kTotalLabel)->text();
    EXPECT_EQ(total.toStdString(), lines.total_text);
    EXPECT_FALSE(total.contains('.')) << total.toStdString();
    EXPECT_LE(lines.total_budget, 20000.5f);

    const auto map = allocation_visualisation_rows(result->allocation, window_->chosenSpecies(), 0);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), static_cast<int>(map.size()));
    EXPECT_TRUE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_TRUE(get<QPushButton>("Save")->isEnabled());

    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    window_->setReportPathChooser([path] { return path; });
    click("Save to file");
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_FALSE(report.readAll().isEmpty());

    window_->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("Grutto for 20000");
        d.okButton()->click();
        return d.result();
    });
    click("Save");
    ASSERT_TRUE(window_->lastStoredConfiguration().has_value());
    EXPECT_EQ(schema().count("configuration"), static_cast<int>(window_->chosenMeasures().size()));
    // No per-pixel rows for a goal maximisation.
    EXPECT_EQ(schema().count("result"), 0);

    window_->show();
    click("Close window");
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
}

}  // namespace
}  // namespace pravel
