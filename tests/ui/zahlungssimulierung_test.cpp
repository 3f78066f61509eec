// The programme window offscreen on the small demo area, driven through its
// labelled controls from empty inputs to a run, its result map and its report.
#include "ui/zahlungssimulierung.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "support/analysis_window_test.h"
#include "support/demo_schema.h"
#include "ui/map_views.h"
#include "ui/measure_cascade.h"
#include "ui/shell.h"

namespace pravel {
namespace {

using W = zahlungssimulierung;

class ProgrammeWindowTest : public testing::AnalysisWindowTest<zahlungssimulierung> {
protected:
    void pickMeasure() {
        auto* c = window_->cascade();
        choose(c->findChild<QListWidget*>("Type of measure"), "mowing_2cut");
        choose(c->findChild<QListWidget*>("QM of first use"), "4th QM April, 16.");
        choose(c->findChild<QListWidget*>("Distance to first use in QM"), "12");
    }
};

TEST_F(ProgrammeWindowTest, TheTwoCopyButtonsSitInTheirGroups) {
    ASSERT_NE(window_->measureCopyButton(), nullptr);
    ASSERT_NE(window_->speciesCopyButton(), nullptr);
    EXPECT_NE(window_->measureCopyButton(), window_->speciesCopyButton());
    EXPECT_EQ(window_->measureCopyButton()->text(), "Copy values");
    EXPECT_EQ(window_->speciesCopyButton()->text(), "Copy values");
    EXPECT_EQ(window_->windowTitle(), "Simulation of agri-environmental programmes");
    EXPECT_FALSE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_FALSE(get<QPushButton>("Save to file")->isEnabled());
}

TEST_F(ProgrammeWindowTest, AMeasureNeedsItsFieldsAndTheRegionFirst) {
    QPushButton* copy = window_->measureCopyButton();
    EXPECT_EQ(messageOf(copy), kSimNoMeasureName);
    pickMeasure();
    EXPECT_EQ(get<QLineEdit>("Selected measure")->text(), "mowing_2cut");
    const struct {
        const char* payment;
        const char* area;
        std::string message;
    } refused[] = {
        {"", "100", kSimPaymentNotNumber},
        {"12x", "100", kSimPaymentNotNumber},
        {"300", "", kSimAreaNotNumber},
        {"300", "a", kSimAreaNotNumber},
        // Usable texts, but without a region the pixel area is not known.
        {"300", "100", kSimNoRegion},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(std::string(r.payment) + " / " + r.area);
        type(W::kPaymentLabel, r.payment);
        type(W::kAreaLabel, r.area);
        EXPECT_EQ(messageOf(copy), r.message);
        EXPECT_EQ(rows("List of selected measures"), 0);
    }

    choose("Region", "Moorwiesen test area");
    ASSERT_GT(window_->pixelArea(), 0.0);
    EXPECT_EQ(messageOf(copy), "(0 messages)");
    ASSERT_EQ(rows("List of selected measures"), 1);
    EXPECT_EQ(row("List of selected measures", 0), "mowing_2cut, 16/12/0/0,");
    EXPECT_EQ(row("List of payments per ha", 0), "300");
    const int count = static_cast<int>(100 / window_->pixelArea());
    EXPECT_EQ(row(W::kPixelListLabel, 0), std::to_string(count) + " ( 100 ha)");
    EXPECT_EQ(window_->maximumCounts(), std::vector<int>{count});
    EXPECT_EQ(window_->chosenMeasures()[0].payment, 300.0);
    for (const char* f : {"Selected measure", W::kPaymentLabel, W::kAreaLabel})
        EXPECT_TRUE(get<QLineEdit>(f)->text().isEmpty()) << f;

    // The fields were cleared, so the same press is refused again.
    EXPECT_EQ(messageOf(copy), kSimNoMeasureName);

    // A double click removes the measure from all three lists.
    QListWidget* payments = get<QListWidget>("List of payments per ha");
    emit payments->itemDoubleClicked(payments->item(0));
    EXPECT_EQ(rows("List of payments per ha"), 1);  // only the measure list removes
    QListWidget* measures = get<QListWidget>("List of selected measures");
    emit measures->itemDoubleClicked(measures->item(0));
    for (const char* l : {"List of selected measures", "List of payments per ha", W::kPixelListLabel})
        EXPECT_EQ(rows(l), 0) << l;
    EXPECT_TRUE(window_->chosenMeasures().empty());
    EXPECT_TRUE(window_->maximumCounts().empty());
}

// A payment or quality the check accepts is kept with the value the check
// read: its leading number.
TEST_F(ProgrammeWindowTest, StoredFiguresAreReadAsTheChecksReadThem) {
    choose("Region", "Moorwiesen test area");
    const struct {
        const char* payment;
        double stored;
    } payments[] = {{"87.9", 87.9}, {"87.9)", 87.9}, {"(87", 0}, {"12.5-", 12.5}};
    for (const auto& p : payments) {
        SCOPED_TRACE(p.payment);
        // The same measure again: its last step is chosen anew.
        window_->cascade()->findChild<QListWidget*>("Distance to first use in QM")->clearSelection();
        pickMeasure();
        type(W::kPaymentLabel, p.payment);
        type(W::kAreaLabel, "100");
        ASSERT_EQ(messageOf(window_->measureCopyButton()), "(0 messages)");
        EXPECT_EQ(window_->chosenMeasures().back().payment, p.stored);
        EXPECT_EQ(get<QListWidget>("List of payments per ha")->item(rows("List of payments per ha") - 1)->text(),
                  p.payment)
            << "the list shows the text as typed";
    }
    choose("Dutch name", "Grutto");
    type(W::kQualityLabel, "0.5)");
    ASSERT_EQ(messageOf(window_->speciesCopyButton()), "(0 messages)");
    EXPECT_EQ(window_->minimumQualities(), std::vector<double>{0.5});

}

TEST_F(ProgrammeWindowTest, FromEmptyInputsThroughEachCheckToAResultItsMapAndItsReport) {
    EXPECT_EQ(messageOf("Run simulation"), kSimFactorMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kFactorLabel));
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf("Run simulation"), kSimTransactionCostsMissing);
    EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kTransactionLabel));
    type(W::kTransactionLabel, "10 Euro");
    EXPECT_EQ(messageOf("Run simulation"), kSimTransactionCostsMissing);
    type(W::kTransactionLabel, "10");
    EXPECT_EQ(messageOf("Run simulation"), kSimNoMeasures);

    choose("Region", "Moorwiesen test area");
    pickMeasure();
    type(W::kPaymentLabel, "900.5");
    type(W::kAreaLabel, "100000");
    ASSERT_EQ(messageOf(window_->measureCopyButton()), "(0 messages)");
    EXPECT_EQ(messageOf("Run simulation"), kSimNoSpecies);

    // Species: the checks of its own "Copy values", focus back to the quality.
    QPushButton* copySpecies = window_->speciesCopyButton();
    EXPECT_EQ(messageOf(copySpecies), kSimNoSpeciesName);
    choose("Dutch name", "Grutto");
    EXPECT_EQ(get<QListWidget>("Latin name")->currentItem()->text(), "Limosa limosa");
    const struct {
        const char* quality;
        std::string message;
    } qualities[] = {{"", kSimQualityNotNumber}, {"x", kSimQualityNotNumber}, {"1.01", kSimQualityOutOfRange},
                     {"-0.1", kSimQualityOutOfRange}};
    for (const auto& q : qualities) {
        SCOPED_TRACE(q.quality);
        type(W::kQualityLabel, q.quality);
        get<QLineEdit>(W::kFactorLabel)->setFocus();
        EXPECT_EQ(messageOf(copySpecies), q.message);
        EXPECT_EQ(window_->focusWidget(), get<QLineEdit>(W::kQualityLabel));
        EXPECT_EQ(rows("List of selected species"), 0);
    }
    type(W::kQualityLabel, "0");
    ASSERT_EQ(messageOf(copySpecies), "(0 messages)");
    EXPECT_EQ(row("List of minimum qualities", 0), "0");
    EXPECT_TRUE(get<QLineEdit>(W::kQualityLabel)->text().isEmpty());

    EXPECT_EQ(messageOf("Run simulation"), kSimNoPredation);
    get<QRadioButton>("time independent")->setChecked(true);
    get<QListWidget>("Region")->clearSelection();
    EXPECT_EQ(messageOf("Run simulation"), kSimNoRegion);
    EXPECT_EQ(rows("Result"), 0);
    EXPECT_EQ(window_->lastRun(), nullptr);

    choose("Region", "Moorwiesen test area");
    ASSERT_EQ(messageOf("Run simulation"), "(0 messages)");
    const ProgrammeRun* run = window_->lastRun();
    ASSERT_NE(run, nullptr);
    // The run works with the net payment; the window keeps what was entered.
    ASSERT_EQ(run->measures.size(), 1u);
    EXPECT_EQ(run->measures[0].payment, 890.5);
    EXPECT_EQ(window_->chosenMeasures()[0].payment, 900.5);
    ASSERT_FALSE(run->allocation.empty());

    // The summary comes first, then a heading and the pixels, each line the
    // run's own followed by its quality per species.
    const int n = rows("Result");
    ASSERT_EQ(n, static_cast<int>(run->allocation.size()) + 5);
    EXPECT_EQ(row("Result", 0).rfind("Total area: ", 0), 0u);
    EXPECT_EQ(row("Result", 1), "Budget: " + QString::number(run->budget, 'f', 0).toStdString());
    EXPECT_EQ(row("Result", 2), "Effektive area: ");
    EXPECT_EQ(row("Result", 3).rfind("Grutto: ", 0), 0u);
    EXPECT_EQ(row("Result", 4), kProgrammePixelHeading);
    for (int i = 5; i < n; ++i) {
        SCOPED_TRACE(i);
        const std::string line = row("Result", i);
        EXPECT_EQ(line.rfind(run->lines[i - 5] + " [Grutto ", 0), 0u) << line;
        EXPECT_EQ(line.back(), ']');
    }
    EXPECT_EQ(get<QLabel>(W::kRunShownLabel)->text().left(7), "Run of ");
    EXPECT_GT(run->budget, 0.0);
    EXPECT_TRUE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_TRUE(get<QPushButton>("Save to file")->isEnabled());

    // "Visualize" writes the rows again on each press and opens the map.
    const auto expected = programme_visualisation_rows(*run);
    ASSERT_FALSE(expected.empty());
    const int windows = frame_->mdiArea()->subWindowList().size();
    get<QPushButton>("Visualize")->click();
    EXPECT_EQ(schema().count("results_for_viusualitsation"), static_cast<int>(expected.size()));
    ASSERT_NE(qobject_cast<visdireckt*>(window_->lastMap()), nullptr);
    EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), windows + 1);
    get<QPushButton>("Visualize")->click();
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 2 * static_cast<int>(expected.size()));

    // A second run replaces the lines rather than adding to them.
    ASSERT_EQ(messageOf("Run simulation"), "(0 messages)");
    EXPECT_EQ(rows("Result"), n);

    // The report names the run shown, though the selection changed since.
    doubleClick("List of selected species", 0);
    ASSERT_EQ(rows("List of selected species"), 0);

    // The report goes to the chosen file.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("programme.txt");
    messages().clear();
    ASSERT_TRUE(window_->saveReport(path));
    EXPECT_TRUE(messages().texts().empty());
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string report = text.str();
    EXPECT_EQ(report.rfind("selected species:\r\nGrutto, minqual: 0\r\n", 0), 0u) << report;
    EXPECT_NE(report.find("Payment in Euro: 900.5\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("results of simulation:"), std::string::npos);
    std::ostringstream budget;
    budget << "Total budget: " << run->budget;
    EXPECT_NE(report.find(budget.str()), std::string::npos) << report;

    // A file that cannot be written is reported and nothing is left behind.
    const QString bad = dir.filePath("missing/folder/programme.txt");
    messages().clear();
    EXPECT_FALSE(window_->saveReport(bad));
    EXPECT_EQ(messages().texts().size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(bad));
}

TEST_F(ProgrammeWindowTest, ACancelledRunShowsNoResultAndKeepsTheLastCompleteOne) {
    type(W::kFactorLabel, "1");
    type(W::kTransactionLabel, "10");
    choose("Region", "Moorwiesen test area");
    pickMeasure();
    type(W::kPaymentLabel, "900.5");
    type(W::kAreaLabel, "100000");
    ASSERT_EQ(messageOf(window_->measureCopyButton()), "(0 messages)");
    choose("Dutch name", "Grutto");
    type(W::kQualityLabel, "0");
    ASSERT_EQ(messageOf(window_->speciesCopyButton()), "(0 messages)");
    get<QRadioButton>("time independent")->setChecked(true);

    // Cancelled before any complete run: nothing to show or save.
    int reports = 0;
    bool cancel = true;
    window_->setProgressObserver([&](QProgressDialog& d, const Feedback::Progress& p) {
        ++reports;
        EXPECT_TRUE(d.labelText().startsWith("Stage: evaluation")) << d.labelText().toStdString();
        EXPECT_GT(p.total, 0);
        if (cancel) d.cancel();
    });
    EXPECT_EQ(messageOf("Run simulation"), kSimulationCancelledText);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(rows("Result"), 0);
    EXPECT_EQ(window_->lastRun(), nullptr);
    EXPECT_FALSE(get<QPushButton>("Visualize")->isEnabled());
    EXPECT_FALSE(get<QPushButton>("Save to file")->isEnabled());

    // A complete run, then a cancelled one: the complete result stays as it
    // was, and the cancelled run adds no line.
    cancel = false;
    ASSERT_EQ(messageOf("Run simulation"), "(0 messages)");
    const int lines = rows("Result");
    ASSERT_GT(lines, 0);
    const ProgrammeRun* complete = window_->lastRun();
    ASSERT_NE(complete, nullptr);
    const std::size_t allocated = complete->allocation.size();
    cancel = true;
    EXPECT_EQ(messageOf("Run simulation"), kSimulationCancelledText);
    EXPECT_EQ(rows("Result"), lines);
    ASSERT_NE(window_->lastRun(), nullptr);
    EXPECT_FALSE(window_->lastRun()->cancelled);
    EXPECT_EQ(window_->lastRun()->allocation.size(), allocated);
}

}  // namespace
}  // namespace pravel
