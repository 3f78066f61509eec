// The batch plot: the first figure over the first varied parameter, one line
// per value of the others, the mean over the seeds.
#include <gtest/gtest.h>

#include <QImage>

#include "cli/batch_plot.h"
#include "store/batch_store.h"
#include "support/test_database.h"

namespace pravel::cli {
namespace {

TEST(BatchPlot, OneLinePerOtherSettingWithTheMeanOverSeeds) {
    std::vector<BatchRunRecord> runs;
    auto add = [&](const std::string& params, const std::string& state, double budget) {
        BatchRunRecord r;
        r.run_index = static_cast<int>(runs.size());
        r.parameters = params;
        r.state = state;
        if (state == "done") r.summary = "{\"budget\": " + std::to_string(budget) + "}";
        runs.push_back(r);
    };
    add(R"({"target": 10, "set": "mowing", "seed": 1})", "done", 4);
    add(R"({"target": 10, "set": "mowing", "seed": 2})", "done", 8);
    add(R"({"target": 10, "set": "all", "seed": 1})", "done", 1);
    add(R"({"target": 10, "set": "all", "seed": 2})", "failed", 0);
    add(R"({"target": 20, "set": "mowing", "seed": 1})", "done", 30);
    add(R"({"target": 20, "set": "mowing", "seed": 2})", "done", 50);
    add(R"({"target": 20, "set": "all", "seed": 1})", "done", 3);
    add(R"({"target": 20, "set": "all", "seed": 2})", "done", 5);
    const BatchPlot plot = batch_plot_data(batch::collect_table({"target", "set", "seed"}, runs));
    EXPECT_EQ(plot.x_label, "target");
    EXPECT_EQ(plot.y_label, "budget");
    EXPECT_TRUE(plot.x_ticks.empty());
    ASSERT_EQ(plot.lines.size(), 2u);
    EXPECT_EQ(plot.lines[0].label, "set = mowing");
    EXPECT_EQ(plot.lines[0].points, (std::vector<std::pair<double, double>>{{10, 6}, {20, 40}}));
    EXPECT_EQ(plot.lines[1].label, "set = all");
    EXPECT_EQ(plot.lines[1].points, (std::vector<std::pair<double, double>>{{10, 1}, {20, 4}}));

    const std::string path = testing::scratch_dir() + "/plot.png";
    std::string error;
    ASSERT_TRUE(write_batch_plot(plot, path, error)) << error;
    EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
}

TEST(BatchPlot, TextValuesArePlacedInTheirOrder) {
    BatchRunRecord a, b;
    a.parameters = R"({"region": "North", "seed": 1})";
    b.parameters = R"({"region": "South", "seed": 1})";
    a.state = b.state = "done";
    a.summary = R"({"budget": 2})";
    b.summary = R"({"budget": 3})";
    const BatchPlot plot = batch_plot_data(batch::collect_table({"region", "seed"}, {a, b}));
    EXPECT_EQ(plot.x_ticks, (std::vector<std::string>{"North", "South"}));
    ASSERT_EQ(plot.lines.size(), 1u);
    EXPECT_EQ(plot.lines[0].points, (std::vector<std::pair<double, double>>{{0, 2}, {1, 3}}));
    std::string error;
    EXPECT_FALSE(write_batch_plot(BatchPlot{}, testing::scratch_dir() + "/empty.png", error));
}

}  // namespace
}  // namespace pravel::cli
