// The budget minimisation window offscreen on the small demo area: its
// checks in order, the species targets, a short seeded run ended through the
// progress dialog, the result lists and map rows, the report and the named
// store with its name dialog.
#include "ui/optimierung.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
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

using W = optimierung;

class BudgetWindowTest : public testing::AnalysisWindowTest<optimierung> {
protected:
    // Ends each run of the annealing through the progress dialog's Cancel
    // after a few thousand iterations, with a fixed seed.
    void shortRuns() {
        get<QComboBox>(W::kMethodLabel)->setCurrentIndex(1);
        ASSERT_EQ(window_->searchMethod(), SearchMethod::Annealing);
        window_->setSeed(7);
        window_->setProgressObserver([this](QProgressDialog& d, const Feedback::Progress& p) {
            ++reports_;
            EXPECT_TRUE(d.labelText().contains("Iteration")) << d.labelText().toStdString();
            if (p.step >= 3000) d.cancel();
        });
    }
    // Everything a run needs: one mowing measure, one species, region.
    void fillInputs() {
        type(W::kFactorLabel, "1");
        type(W::kTransactionLabel, "12");
        get<QRadioButton>("time independent")->setChecked(true);
        choose("Region", "Moorwiesen test area");
        click("Only mowing");
        QListWidget* measures = get<QListWidget>("List of selected measures");
        while (measures->count() > 1) emit measures->itemDoubleClicked(measures->item(1));
        choose("Dutch name", "Grutto");
        type(W::kQualityLabel, "0");
        type(W::kAreaLabel, "2");
        click("Copy values");
        ASSERT_EQ(window_->chosenSpecies().size(), 1u);
    }

    int reports_ = 0;
};

TEST_F(BudgetWindowTest, StartChecksComeInOrderWithFocus) {
    // "Save" is there to be seen, but only a run enables it.
    EXPECT_FALSE(get<QPushButton>("Save")->isHidden());
    EXPECT_FALSE(get<QPushButton>("Save")->isEnabled());
    EXPECT_FALSE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_EQ(window_->windowTitle(), "Budget minimization for given goal");

    // The factor is reported first though everything else is missing too.
    EXPECT_EQ(messageOf("Start optimization"), kOptFactorMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel));
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf("Start optimization"), kMinNoCountry);
    choose("Region", "Moorwiesen test area");
    EXPECT_EQ(messageOf("Start optimization"), kMinNoPredation);
    get<QRadioButton>("time dependent")->setChecked(true);
    EXPECT_EQ(messageOf("Start optimization"), kOptTransactionCostsMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kTransactionLabel));
    type(W::kTransactionLabel, "10");
    EXPECT_EQ(messageOf("Start optimization"), kOptNoSpeciesOrMeasure);

    // Leaving the transaction cost field checks its characters.
    QLineEdit* costs = get<QLineEdit>(W::kTransactionLabel);
    const struct {
        const char* text;
        int messages;
    } leaving[] = {{"12a", 1}, {"(12)", 0}, {"(12.5)", 1}, {"-3", 0}, {"1 2", 1}};
    for (const auto& l : leaving) {
        SCOPED_TRACE(l.text);
        messages().clear();
        costs->setText(l.text);
        emit costs->editingFinished();
        EXPECT_EQ(static_cast<int>(messages().texts().size()), l.messages);
    }
    costs->setText("10");
    click("Only mowing");
    EXPECT_EQ(messageOf("Start optimization"), kOptNoSpeciesOrMeasure);
    EXPECT_EQ(window_->lastResult(), nullptr);
}

TEST_F(BudgetWindowTest, SpeciesTargetsAreCheckedBeforeTheyAreListed) {
    EXPECT_EQ(messageOf("Copy values"), kOptNoSpeciesName);
    choose("Dutch name", "Grutto");
    EXPECT_EQ(get<QLineEdit>("for species")->text(), "Grutto");
    const struct {
        const char* quality;
        const char* area;
        std::string message;  // empty: accepted
        const char* focus;
    } cases[] = {
        {"", "1", kMinQualityNotNumber, W::kQualityLabel},
        {"x", "1", kMinQualityNotNumber, W::kQualityLabel},
        {"1.01", "1", kMinQualityOutOfRange, W::kQualityLabel},
        {"-0.1", "1", kMinQualityOutOfRange, W::kQualityLabel},
        {"0.5", "", kMinAreaNotNumber, W::kAreaLabel},
        {"0.5", "a", kMinAreaNotNumber, W::kAreaLabel},
        {"0.5", "0", kMinAreaNotPositive, W::kAreaLabel},
        {"0", "3", "", nullptr},
        {"1", "2.5", "", nullptr},
    };
    int listed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.quality) + " / " + c.area);
        choose("Dutch name", "Grutto");
        get<QLineEdit>("for species")->setText("Grutto");
        type(W::kQualityLabel, c.quality);
        type(W::kAreaLabel, c.area);
        if (c.message.empty()) {
            EXPECT_EQ(messageOf("Copy values"), "(0 messages)");
            ++listed;
            EXPECT_TRUE(get<QLineEdit>(W::kQualityLabel)->text().isEmpty());
            EXPECT_TRUE(get<QLineEdit>("for species")->text().isEmpty());
        } else {
            EXPECT_EQ(messageOf("Copy values"), c.message);
            EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(c.focus));
        }
        EXPECT_EQ(rows("List of selected species"), listed);
        EXPECT_EQ(rows("List of minimal effective areas (ha)"), listed);
    }
    EXPECT_EQ(window_->minimumQualities(), (std::vector<double>{0, 1}));
    EXPECT_EQ(window_->wantedAreas(), (std::vector<double>{3, 2.5}));
    // A double click in any of the three lists removes the species from all.
    QListWidget* areas = get<QListWidget>("List of minimal effective areas (ha)");
    emit areas->itemDoubleClicked(areas->item(0));
    EXPECT_EQ(rows("List of selected species"), 1);
    EXPECT_EQ(get<QListWidget>("List of minimum qualities")->item(0)->text(), "1");
    EXPECT_EQ(window_->wantedAreas(), std::vector<double>{2.5});
}

// The search gets the numbers as the checks read them, whatever the
// locale: a decimal point under a comma-decimal locale, and the leading
// number of a target text the check accepts.
TEST_F(BudgetWindowTest, TheSearchGetsTheNumbersAsTheChecksReadThemInAnyLocale) {
    testing::CommaDecimalLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    ASSERT_EQ(std::atof("0.5"), 0.0) << "the locale's own reader stops at the point";
    choose("Region", "Moorwiesen test area");
    const struct {
        const char* quality;
        const char* area;
        double stored_quality;
        double stored_area;
    } targets[] = {{"0.5", "2.5", 0.5, 2.5}, {"0.25)", "1.5)", 0.25, 1.5}, {"1", "3-", 1, 3}};
    choose("Dutch name", "Grutto");
    for (const auto& t : targets) {
        type("for species", "Grutto");
        type(W::kQualityLabel, t.quality);
        type(W::kAreaLabel, t.area);
        ASSERT_EQ(messageOf("Copy values"), "(0 messages)") << t.quality << " / " << t.area;
    }
    const struct {
        const char* factor;
        const char* transaction;
        double distance_cost_factor;
        int transaction_costs;
    } fields[] = {{"0.5", "12.7", 0.5, 12}, {"1.75", "3", 1.75, 3}, {"0.005)", "(9", 0.005, 0}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.factor);
        type(W::kFactorLabel, f.factor);
        type(W::kTransactionLabel, f.transaction);
        const BudgetMinimisationInput input = window_->searchInput(true);
        EXPECT_EQ(input.evaluation.distance_cost_factor, f.distance_cost_factor);
        EXPECT_EQ(input.transaction_costs, f.transaction_costs);
        EXPECT_TRUE(input.evaluation.time_dependent_predation);
        ASSERT_EQ(input.evaluation.minimum_qualities.size(), 3u);
        ASSERT_EQ(input.wanted_area_ha.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(input.evaluation.minimum_qualities[k], targets[k].stored_quality) << targets[k].quality;
            EXPECT_EQ(input.wanted_area_ha[k], targets[k].stored_area) << targets[k].area;
        }
    }
}

TEST_F(BudgetWindowTest, ARunCancelledThroughItsProgressFillsTheResultsAndCanBeStored) {
    shortRuns();
    fillInputs();
    EXPECT_EQ(messageOf("Start optimization"), "(2 messages)");
    const auto texts = messages().texts();
    EXPECT_EQ(texts.back(), "Done");
    const OptimisationResult* result = window_->lastResult();
    ASSERT_NE(result, nullptr);
    EXPECT_GT(reports_, 0);
    // Cancelled at the first report from 3000 iterations on.
    EXPECT_GE(result->iterations, 3000);
    EXPECT_LT(result->iterations, 5000);

    const auto lines = budget_minimisation_lines(*result, window_->chosenMeasures(), window_->chosenSpecies(),
                                                 window_->wantedAreas(), window_->pixelArea());
    ASSERT_EQ(rows(W::kMeasureResultLabel), static_cast<int>(lines.measures.size()));
    ASSERT_FALSE(lines.measures.empty());
    EXPECT_EQ(get<QListWidget>(W::kMeasureResultLabel)->item(1)->text().toStdString(), lines.measures[1]);
    EXPECT_EQ(rows(W::kSpeciesResultLabel), static_cast<int>(lines.species.size()));
    EXPECT_EQ(get<QLineEdit>(W::kTotalLabel)->text().toStdString(), lines.total_text);
    const auto map = allocation_visualisation_rows(result->allocation, window_->chosenSpecies(), 0);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), static_cast<int>(map.size()));
    EXPECT_TRUE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_TRUE(get<QPushButton>("Save")->isEnabled());
    const int documents = frame_->mdiArea()->subWindowList().size();
    click("Visualize");
    EXPECT_NE(window_->lastMap(), nullptr);
    EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), documents + 1);

    // A second start appends its map rows.
    click("Start optimization");
    EXPECT_EQ(schema().count("results_for_viusualitsation"),
              static_cast<int>(map.size() + window_->lastResult()->allocation.size()));

    // The report goes to the chosen file.
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    window_->setReportPathChooser([path] { return path; });
    click("save to file");
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_FALSE(report.readAll().isEmpty());

    // Storing: OK with an empty name keeps the dialog open with its notice,
    // then a name stores one row per measure and per allocated pixel.
    window_->setNameDialogRunner([this](savename& d) {
        EXPECT_EQ(d.windowTitle(), "Name for data storage");
        messages().clear();
        d.okButton()->click();
        EXPECT_EQ(messages().texts(), std::vector<std::string>{kConfigurationNameMissing});
        EXPECT_EQ(d.result(), QDialog::Rejected);
        d.nameField()->setText("mowing for Grutto");
        d.okButton()->click();
        return d.result();
    });
    click("Save");
    ASSERT_TRUE(window_->lastStoredConfiguration().has_value());
    EXPECT_EQ(configuration_name(), "mowing for Grutto");
    EXPECT_EQ(schema().count("configuration"), static_cast<int>(window_->chosenMeasures().size()));
    EXPECT_EQ(schema().count("result"), static_cast<int>(window_->lastResult()->allocation.size()));

    // Cancel in the name dialog stores nothing.
    window_->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("never stored");
        d.cancelButton()->click();
        return d.result();
    });
    click("Save");
    EXPECT_EQ(schema().count("configuration"), static_cast<int>(window_->chosenMeasures().size()));
    EXPECT_EQ(configuration_name(), "mowing for Grutto");

    // Closing the window empties the map table.
    window_->show();
    click("Close window");
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
}

TEST_F(BudgetWindowTest, TheBreakpointSearchIsPreselectedAndShowsItsBoundAndReport) {
    QComboBox* method = get<QComboBox>(W::kMethodLabel);
    ASSERT_EQ(method->count(), 2);
    EXPECT_EQ(method->itemText(0), "breakpoint search");
    EXPECT_EQ(method->itemText(1), "annealing");
    EXPECT_EQ(window_->searchMethod(), SearchMethod::Breakpoint);
    int reports = 0;
    window_->setProgressObserver([&reports](QProgressDialog& d, const Feedback::Progress& p) {
        if (p.stage.rfind("breakpoint search: ", 0) != 0) return;  // the evaluation's reports
        ++reports;
        EXPECT_TRUE(d.labelText().contains("Allocations evaluated")) << d.labelText().toStdString();
    });
    fillInputs();
    // A factor out of range is refused after every other check, with the
    // cursor in its field.
    for (const char* factor : {"-5", "1e25"}) {
        type(W::kFactorLabel, factor);
        EXPECT_EQ(messageOf("Start optimization"), kOptFactorOutOfRange) << factor;
        EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel)) << factor;
        EXPECT_EQ(window_->lastResult(), nullptr) << factor;
    }
    type(W::kFactorLabel, "1");

    // No iteration count to confirm: the breakpoint search only says "Done".
    EXPECT_EQ(messageOf("Start optimization"), "Done");
    const OptimisationResult* result = window_->lastResult();
    ASSERT_NE(result, nullptr);
    EXPECT_GT(reports, 0);
    ASSERT_EQ(result->effective_area.size(), 1u);
    EXPECT_GE(result->effective_area[0], 2.0);
    const auto lines = budget_minimisation_lines(*result, window_->chosenMeasures(), window_->chosenSpecies(),
                                                 window_->wantedAreas(), window_->pixelArea());
    EXPECT_EQ(get<QLineEdit>(W::kTotalLabel)->text().toStdString(), lines.total_text);

    // Under the result lists: the bound, then what the search did.
    ASSERT_GE(rows(W::kSearchReportLabel), 5);
    const std::string bound = row(W::kSearchReportLabel, 0);
    const std::string head = "Least possible budget if each farmer were paid their own cost: ";
    ASSERT_EQ(bound.rfind(head, 0), 0u) << bound;
    EXPECT_LE(std::atof(bound.c_str() + head.size()), result->budget + 1e-6);
    EXPECT_EQ(row(W::kSearchReportLabel, 1), "Search method: breakpoint search");
    EXPECT_EQ(row(W::kSearchReportLabel, 2), "Seed: 1");
    EXPECT_EQ(row(W::kSearchReportLabel, rows(W::kSearchReportLabel) - 1).rfind("Grutto: wanted 2.00 ha, achieved ", 0), 0u);

    // The report ends with the bound line.
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    window_->setReportPathChooser([path] { return path; });
    click("save to file");
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().endsWith(QByteArray::fromStdString("\r\n" + bound + "\r\n")));

    // The annealing, one choice away, gives its iteration count again.
    method->setCurrentIndex(1);
    window_->setSeed(7);
    window_->setProgressObserver([](QProgressDialog& d, const Feedback::Progress& p) {
        if (p.step >= 1000) d.cancel();
    });
    EXPECT_EQ(messageOf("Start optimization"), "(2 messages)");
    EXPECT_EQ(row(W::kSearchReportLabel, 1), "Search method: annealing");
    EXPECT_EQ(row(W::kSearchReportLabel, 0).rfind(head, 0), 0u) << "the bound after either method";
}

}  // namespace
}  // namespace pravel
