// What the two optimisation windows share, for each of them: Escape closes
// the window as "Close window" does, and the report goes through the text
// file dialog.
#include "ui/optimisation_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/analysis_window_test.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"

namespace pravel {
namespace {

template <class W>
class OptimisationWindowTest : public testing::AnalysisWindowTest<W> {
protected:
    static const char* reportButton() {
        if constexpr (std::is_same_v<W, optimierung>)
            return "save to file";
        else
            return "Save to file";
    }
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

}  // namespace
}  // namespace pravel
