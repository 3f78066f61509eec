// The cascade widget offscreen: its lists found by their labels, driven like a
// user would, and the chosen measure received through its signal.
#include "ui/measure_cascade.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>

#include "support/offscreen_application.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

QApplication& application() { return testing::offscreen_application("ui_measure_cascade"); }

class CascadeWidgetTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        application();
        DatabaseTest::SetUp();
        testing::load_demo_database(schema());
        db_ = connect();
        widget_ = std::make_unique<MeasureCascade>(*db_);
        QObject::connect(widget_.get(), &MeasureCascade::measureChosen,
                         [this](const MeasureRecord& m, const QString& line) {
                             received_.push_back(m);
                             lines_.push_back(line);
                         });
    }
    void TearDown() override {
        widget_.reset();
        DatabaseTest::TearDown();
    }

    QListWidget* list(const char* label) const {
        auto* l = widget_->findChild<QListWidget*>(label);
        EXPECT_NE(l, nullptr) << label;
        return l;
    }
    // Selects an entry as a click would.
    void pick(const char* label, const char* entry) {
        QListWidget* l = list(label);
        ASSERT_NE(l, nullptr);
        ASSERT_TRUE(l->isEnabled()) << label;
        const auto found = l->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << label << ": " << entry;
        l->setCurrentItem(found.front());
    }

    std::unique_ptr<DatabaseAccess> db_;
    std::unique_ptr<MeasureCascade> widget_;
    std::vector<MeasureRecord> received_;
    std::vector<QString> lines_;
};

TEST_F(CascadeWidgetTest, AListTakingTheFocusChoosesNothing) {
    widget_->show();
    widget_->activateWindow();
    QCoreApplication::processEvents();
    QListWidget* types = list("Type of measure");
    types->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(types->hasFocus());
    EXPECT_TRUE(widget_->model().chosen(kStepType).empty());
    EXPECT_FALSE(list("QM of first use")->isEnabled());
    EXPECT_EQ(list("QM of first use")->count(), 0);
}

TEST_F(CascadeWidgetTest, DrivenByLabelsItDeliversTheChosenMeasure) {
    for (int step = 0; step < kCascadeStepCount; ++step)
        ASSERT_NE(list(cascade_step_label(step).c_str()), nullptr);
    EXPECT_TRUE(list("Type of measure")->isEnabled());
    EXPECT_FALSE(list("QM of first use")->isEnabled());
    EXPECT_FALSE(widget_->addButton()->isEnabled());

    pick("Type of measure", "grazing_rota1");
    pick("QM of first use", "4th QM May, 20.");
    pick("Distance to first use in QM", "0");
    EXPECT_FALSE(list("second use in QM")->isEnabled());
    EXPECT_EQ(list("second use in QM")->count(), 0);
    pick("1.Type of livestock", "1,suckler cows (calm)");
    EXPECT_TRUE(received_.empty());
    pick("1.Livestock density in GV/ha", "depending on the grassland");

    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].measureID, 218);
    EXPECT_EQ(received_[0].livestock_density_1, 99.0);
    EXPECT_EQ(received_[0].payment, 0.0);
    EXPECT_EQ(lines_[0].toStdString(), "218, grazing_rota1, 20/0/0/0/ livestockID1 1,GV 99,");
    EXPECT_FALSE(list("2.Type of livestock")->isEnabled());

    // The add button adds the completed measure once more.
    ASSERT_TRUE(widget_->addButton()->isEnabled());
    widget_->addButton()->click();
    ASSERT_EQ(received_.size(), 2u);
    EXPECT_EQ(received_[1].measureID, 218);

    // A new type empties the later lists and closes the add button.
    pick("Type of measure", "mowing_2cut");
    EXPECT_GT(list("QM of first use")->count(), 0);
    for (const char* l : {"Distance to first use in QM", "1.Type of livestock", "1.Livestock density in GV/ha"}) {
        EXPECT_EQ(list(l)->count(), 0) << l;
        EXPECT_FALSE(list(l)->isEnabled()) << l;
    }
    EXPECT_FALSE(widget_->addButton()->isEnabled());
    pick("QM of first use", "4th QM April, 16.");
    pick("Distance to first use in QM", "12");
    ASSERT_EQ(received_.size(), 3u);
    EXPECT_EQ(lines_[2].toStdString(), "40, mowing_2cut, 16/12/0/0,");
}

}  // namespace
}  // namespace pravel
