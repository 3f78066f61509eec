// What the two optimisation windows share, for each of them: Escape closes
// the window as "Close window" does, the report goes through the text file
// dialog, whole-number fields refuse a decimal point, a second run replaces
// the first in the lists and the report, a missed goal is said plainly and
// the search report fits its box.
#include "ui/optimisation_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include "common/number_format.h"
#include "common/numeric_input.h"
#include "optimisation/optimisation_lines.h"

#include "support/analysis_window_test.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"

namespace pravel {
namespace {

template <class W>
class OptimisationWindowTest : public testing::AnalysisWindowTest<W> {
protected:
    static constexpr bool kBudgetWindow = std::is_same_v<W, optimierung>;
    static const char* reportButton() {
        if constexpr (kBudgetWindow)
            return "save to file";
        else
            return "Save to file";
    }
    // Adds a species with its two target texts.
    void addSpecies(const char* name, const char* first, const char* second) {
        this->choose("Dutch name", name);
        this->type("for species", name);
        if constexpr (kBudgetWindow) {
            this->type(W::kQualityLabel, first);
            this->type(W::kAreaLabel, second);
        } else {
            this->type(W::kImportanceLabel, first);
            this->type(W::kQualityLabel, second);
        }
        ASSERT_EQ(this->messageOf("Copy values"), "(0 messages)") << name;
    }
    // Every input of a run: the first mowing measure, Grutto with a goal
    // reached easily (2 ha wanted, or importance 80), region and predation.
    void fillInputs(const char* budget = "20000") {
        this->type(W::kFactorLabel, "1");
        this->type(W::kTransactionLabel, "12");
        if constexpr (!kBudgetWindow) this->type(W::kBudgetLabel, budget);
        this->template get<QRadioButton>("time independent")->setChecked(true);
        this->choose("Region", "Moorwiesen test area");
        this->click("Only mowing");
        QListWidget* measures = this->template get<QListWidget>("List of selected measures");
        while (measures->count() > 1) emit measures->itemDoubleClicked(measures->item(1));
        if constexpr (kBudgetWindow)
            addSpecies("Grutto", "0", "2");
        else
            addSpecies("Grutto", "80", "0");
    }
    QString text(const char* label) { return this->template get<QLabel>(label)->text(); }
};

using Windows = ::testing::Types<optimierung, qualoptimierung>;
TYPED_TEST_SUITE(OptimisationWindowTest, Windows);

TYPED_TEST(OptimisationWindowTest, EscapeEmptiesTheMapTableAsCloseWindowDoes) {
    this->window_->show();
    this->schema().exec("INSERT INTO results_for_viusualitsation (measureID, species_name) VALUES (19, 'Grutto')");
    ASSERT_EQ(this->schema().count("results_for_viusualitsation"), 1);
    this->pressEscape();
    EXPECT_TRUE(this->window_.isNull() || !this->window_->isVisible()) << "Escape closes the window";
    EXPECT_EQ(this->schema().count("results_for_viusualitsation"), 0);
}

TYPED_TEST(OptimisationWindowTest, TheReportDialogOffersTextFilesAndAddsTheirExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto seen = this->saveThroughReportDialog(this->reportButton(), dir.filePath("report"));
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.saving);
    EXPECT_EQ(seen.filters, this->reportFilters());
    EXPECT_EQ(seen.suffix, "txt");
    QFile report(dir.filePath("report.txt"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly)) << "the name typed without extension gets .txt";
    EXPECT_TRUE(report.readAll().startsWith("selected species:"));
}

// A point in a whole-number field would be cut at it ("50.000" runs as 50);
// it is refused, with how to type the number, after the field's own checks
// and before anything runs.
TYPED_TEST(OptimisationWindowTest, WholeNumberFieldsRefuseADecimalPointBeforeAnythingRuns) {
    this->fillInputs();
    const struct {
        const char* field;
        const char* text;
        bool budgetOnly;
        std::string message;
    } cases[] = {
        {TypeParam::kTransactionLabel, "12.7", false, kWholeTransactionCosts},
        {TypeParam::kTransactionLabel, "1.000", false, kWholeTransactionCosts},
        {"Input of the Budget", "50.000", true, kWholeBudget},
        {"Input of the Budget", "49999.99", true, kWholeBudget},
    };
    for (const auto& c : cases) {
        if (c.budgetOnly && this->kBudgetWindow) continue;
        SCOPED_TRACE(std::string(c.field) + ": " + c.text);
        const QString before = this->template get<QLineEdit>(c.field)->text();
        this->type(c.field, c.text);
        EXPECT_EQ(this->messageOf("Start optimization"), c.message);
        EXPECT_EQ(this->window_->focusWidget(), this->template get<QLineEdit>(c.field));
        EXPECT_EQ(this->window_->lastResult(), nullptr) << "nothing ran";
        // Leaving the field says the same; the specified check still comes
        // first for text that is no number at all.
        QLineEdit* edit = this->template get<QLineEdit>(c.field);
        this->messages().clear();
        emit edit->editingFinished();
        EXPECT_EQ(this->messages().texts(), std::vector<std::string>{c.message});
        this->type(c.field, (std::string(c.text) + " Euro").c_str());
        this->messages().clear();
        emit edit->editingFinished();
        const std::string specified = std::string(c.field) == TypeParam::kTransactionLabel ? kOptTransactionCostsMissing
                                                                                           : kMaxBudgetMissing;
        EXPECT_EQ(this->messages().texts(), std::vector<std::string>{specified});
        edit->setText(before);
    }
    EXPECT_EQ(this->schema().count("results_for_viusualitsation"), 0);
}

// Two runs in a row: the lists, the total and the report belong to the
// second alone, which the heading names, even after the selection changed.
TYPED_TEST(OptimisationWindowTest, ASecondRunReplacesTheFirstInTheListsAndTheReport) {
    this->fillInputs();
    this->window_->setSeed(3);
    ASSERT_EQ(this->messageOf("Start optimization"), kOptDone);
    const int firstRows = this->rows(TypeParam::kMeasureResultLabel);
    ASSERT_GT(firstRows, 0);
    // A second species for the second run.
    if constexpr (TestFixture::kBudgetWindow)
        this->addSpecies("Kievit", "0", "1");
    else
        this->addSpecies("Kievit", "50", "0");
    this->window_->setSeed(5);
    ASSERT_EQ(this->messageOf("Start optimization"), kOptDone);
    const OptimisationResult* result = this->window_->lastResult();
    ASSERT_NE(result, nullptr);
    OptimisationLines lines;
    if constexpr (TestFixture::kBudgetWindow)
        lines = budget_minimisation_lines(*result, this->window_->chosenMeasures(), this->window_->chosenSpecies(),
                                          this->window_->wantedAreas(), this->window_->pixelArea());
    else
        lines = goal_maximisation_lines(*result, this->window_->chosenMeasures(), this->window_->chosenSpecies(),
                                        this->window_->pixelArea());
    ASSERT_EQ(this->rows(TypeParam::kMeasureResultLabel), static_cast<int>(lines.measures.size()));
    ASSERT_EQ(this->rows(TypeParam::kSpeciesResultLabel), static_cast<int>(lines.species.size()));
    for (int i = 0; i < this->rows(TypeParam::kSpeciesResultLabel); ++i)
        EXPECT_EQ(this->row(TypeParam::kSpeciesResultLabel, i), lines.species[i]);
    EXPECT_EQ(this->template get<QLineEdit>(TypeParam::kTotalLabel)->text().toStdString(), lines.total_text);
    // The goal search's bound is a weighted area: the achieved one in the
    // same unit stands right under it, saying what the weights are.
    if constexpr (!TestFixture::kBudgetWindow) {
        const std::string bound = this->row(TypeParam::kSearchReportLabel, 0);
        EXPECT_NE(bound.find("weighted effective area"), std::string::npos) << bound;
        const std::string achieved = this->row(TypeParam::kSearchReportLabel, 1);
        EXPECT_EQ(achieved, goal_achieved_line(*result, this->window_->weights()));
        EXPECT_NE(achieved.find("weight = importance/100"), std::string::npos);
        // Grutto at 0.8 and Kievit at 0.5.
        const double weighted = 0.8 * result->effective_area.at(0) + 0.5 * result->effective_area.at(1);
        EXPECT_EQ(achieved.rfind("Achieved weighted effective area: " + format_fixed(weighted, 2) + " ha", 0), 0u)
            << achieved;
    }
    const QString heading = this->text(TypeParam::kRunShownLabel);
    EXPECT_TRUE(heading.startsWith("Run of ")) << heading.toStdString();
    EXPECT_TRUE(heading.endsWith(": breakpoint search, seed 5")) << heading.toStdString();

    // The user removes Kievit after the run: the report still describes the
    // run shown, with both species.
    this->doubleClick("List of selected species", 1);
    ASSERT_EQ(this->window_->chosenSpecies().size(), 1u);
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    this->window_->setReportPathChooser([path] { return path; });
    this->click(this->reportButton());
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray written = report.readAll();
    EXPECT_TRUE(written.startsWith("selected species:\r\nGrutto, minqual: 0\r\nKievit, minqual: 0\r\n"))
        << written.left(80).toStdString();
}

// A goal missed is said in the closing box and marked in the window; the
// search report wraps its long lines within its box.
TYPED_TEST(OptimisationWindowTest, AMissedGoalIsSaidPlainlyAndTheSearchReportFitsItsBox) {
    this->window_->show();
    this->type(TypeParam::kFactorLabel, "1");
    this->type(TypeParam::kTransactionLabel, "12");
    this->template get<QRadioButton>("time independent")->setChecked(true);
    this->choose("Region", "Moorwiesen test area");
    this->click("Only mowing");
    std::string expectedStart;
    if constexpr (TestFixture::kBudgetWindow) {
        this->addSpecies("Grutto", "0", "100000");  // far beyond the study area
        expectedStart = kMinTargetsNotReached;
    } else {
        this->type("Input of the Budget", "0");  // buys nothing
        this->addSpecies("Grutto", "80", "0");
        expectedStart = kMaxNothingSpent;
    }
    const std::string closing = this->messageOf("Start optimization");
    ASSERT_EQ(closing.rfind(expectedStart, 0), 0u) << closing;
    ASSERT_NE(this->window_->lastResult(), nullptr);
    const QString status = this->text(TypeParam::kGoalStatusLabel);
    EXPECT_TRUE(status.startsWith("Goal NOT reached")) << status.toStdString();
    if constexpr (TestFixture::kBudgetWindow) {
        const double achieved = this->window_->lastResult()->effective_area.at(0);
        const std::string line = shortfall_line({"Grutto", 100000.0, achieved});
        EXPECT_EQ(line.rfind("Grutto: wanted 100000.00 ha, achieved ", 0), 0u);
        EXPECT_NE(closing.find("\n" + line), std::string::npos) << closing;
        EXPECT_TRUE(status.contains(QString::fromStdString(line)));
    }

    // Every line of the search report is seen whole at the opening size.
    QListWidget* report = this->template get<QListWidget>(TypeParam::kSearchReportLabel);
    ASSERT_GE(report->count(), 5);
    QApplication::processEvents();
    EXPECT_EQ(report->horizontalScrollBar()->maximum(), 0);
    for (int i = 0; i < report->count(); ++i)
        EXPECT_LE(report->visualItemRect(report->item(i)).width(), report->viewport()->width())
            << report->item(i)->text().toStdString();
}

}  // namespace
}  // namespace pravel
