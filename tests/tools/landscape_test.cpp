#include "demo/landscape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace pravel::demo {
namespace {

using Cell = LandscapeCell;

bool grassland(const Cell& c) { return c.land_use_type == "3" || c.land_use_type == "4"; }

class LandscapeOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        areas_ = new std::map<int, StudyArea>();
        for (int id : {kLargeAreaId, kSmallAreaId}) (*areas_)[id] = build_study_area(id);
    }
    static void TearDownTestSuite() { delete areas_; }

    static const StudyArea& area(int id) { return areas_->at(id); }
    static std::vector<Cell> pixels(int id) {
        std::vector<Cell> out;
        for (const Cell& c : area(id).cells) {
            if (c.inside) out.push_back(c);
        }
        return out;
    }

    static std::map<int, StudyArea>* areas_;
};

std::map<int, StudyArea>* LandscapeOutput::areas_ = nullptr;

TEST_F(LandscapeOutput, SameTextOnEveryRun) {
    std::ostringstream first, second;
    write_landscape(first);
    write_landscape(second);
    EXPECT_GT(first.str().size(), 1000000u);
    EXPECT_TRUE(first.str() == second.str()) << "the generated landscape differs between two runs";
}

TEST_F(LandscapeOutput, PixelIdsAreUniqueAndTheOutlineCutsTheRaster) {
    std::set<int> ids;
    for (int id : {kLargeAreaId, kSmallAreaId}) {
        const StudyArea& a = area(id);
        ASSERT_EQ(a.cells.size(), static_cast<std::size_t>(a.rows) * a.columns);
        EXPECT_EQ(a.pixel_length, 90);
        const auto inside = pixels(id).size();
        EXPECT_LT(inside, a.cells.size()) << "the outline should cut off some cells";
        EXPECT_GT(inside, a.cells.size() / 2);
        for (const Cell& c : a.cells) {
            if (!c.inside) {
                EXPECT_EQ(c.pixel_id, 0);
            } else {
                EXPECT_TRUE(ids.insert(c.pixel_id).second) << "pixelID " << c.pixel_id << " twice";
            }
        }
    }
    const auto small = pixels(kSmallAreaId);
    const auto first = std::min_element(small.begin(), small.end(),
                                        [](const Cell& x, const Cell& y) { return x.pixel_id < y.pixel_id; });
    EXPECT_EQ(first->pixel_id, 500001);
}

TEST_F(LandscapeOutput, SiteValuesAreConsistentPerPixel) {
    const std::set<std::string> codes{"1", "3", "4", "6", "7", "8"};
    for (int id : {kLargeAreaId, kSmallAreaId}) {
        for (const Cell& p : pixels(id)) {
            SCOPED_TRACE("pixel " + std::to_string(p.pixel_id));
            for (double s : {p.wet, p.fresh, p.dry}) ASSERT_TRUE(s >= 0.0 && s <= 1.0);
            ASSERT_NEAR(p.wet + p.fresh + p.dry, 1.0, 1e-9);
            ASSERT_TRUE(p.mead_past_mow >= 0 && p.mead_past_mow <= 2);
            ASSERT_TRUE(p.manure_status >= 0 && p.manure_status <= 2);
            ASSERT_TRUE(p.farmhouse_distance >= 0 && p.farmhouse_distance <= 12) << p.farmhouse_distance;
            ASSERT_TRUE(codes.count(p.land_use_type)) << p.land_use_type;
            ASSERT_EQ(p.forest, p.land_use_type == "8");
            ASSERT_EQ(p.settlement, p.land_use_type == "6");
            ASSERT_EQ(p.water_inland, p.land_use_type == "7");
            if (p.land_use_type == "8" || p.land_use_type == "6" || p.land_use_type == "7") {
                ASSERT_EQ(p.grassland_economic_value, 0);
                ASSERT_EQ(p.number_of_grassland_types, 0);
            }
            if (grassland(p)) {
                ASSERT_TRUE(p.grassland_economic_value >= 10 && p.grassland_economic_value <= 90)
                    << p.grassland_economic_value;
                ASSERT_TRUE(p.number_of_grassland_types == 1 || p.number_of_grassland_types == 2)
                    << p.number_of_grassland_types;
                ASSERT_TRUE(p.grasslandtyp1 >= 1 && p.grasslandtyp1 <= 8) << p.grasslandtyp1;
                if (p.number_of_grassland_types == 1) {
                    ASSERT_EQ(p.grasslandtyp2, 0);
                } else {
                    ASSERT_TRUE(p.grasslandtyp2 >= 1 && p.grasslandtyp2 <= 8 && p.grasslandtyp2 != p.grasslandtyp1)
                        << p.grasslandtyp2;
                }
            } else {
                ASSERT_EQ(p.number_of_grassland_types, 0);
                ASSERT_EQ(p.grasslandtyp1, 0);
                ASSERT_EQ(p.grasslandtyp2, 0);
                ASSERT_FALSE(p.OHG);
            }
            ASSERT_EQ(p.altitude != 0, p.subclassification == "hill") << p.subclassification << " " << p.altitude;
        }
    }
}

double mean_of(const std::vector<Cell>& pixels, bool (*keep)(const Cell&), double (*value)(const Cell&)) {
    double sum = 0.0;
    int n = 0;
    for (const Cell& p : pixels) {
        if (!evaluable_grassland(p) || !keep(p)) continue;
        sum += value(p);
        ++n;
    }
    EXPECT_GT(n, 0);
    return n ? sum / n : 0.0;
}

bool inside(const StudyArea& a, int i, int j) {
    return i >= 0 && j >= 0 && i < a.rows && j < a.columns && a.at(i, j).inside;
}

// Settlement patches, counted as 8-connected groups of settlement cells.
int settlement_patches(const StudyArea& a) {
    std::vector<char> seen(a.cells.size(), 0);
    auto settled = [&](int i, int j) { return inside(a, i, j) && a.at(i, j).settlement; };
    int patches = 0;
    for (int i = 0; i < a.rows; ++i) {
        for (int j = 0; j < a.columns; ++j) {
            if (!settled(i, j) || seen[static_cast<std::size_t>(i) * a.columns + j]) continue;
            ++patches;
            std::vector<std::pair<int, int>> stack{{i, j}};
            seen[static_cast<std::size_t>(i) * a.columns + j] = 1;
            while (!stack.empty()) {
                const auto [ci, cj] = stack.back();
                stack.pop_back();
                for (int di = -1; di <= 1; ++di) {
                    for (int dj = -1; dj <= 1; ++dj) {
                        if (!settled(ci + di, cj + dj)) continue;
                        auto& s = seen[static_cast<std::size_t>(ci + di) * a.columns + cj + dj];
                        if (!s) {
                            s = 1;
                            stack.emplace_back(ci + di, cj + dj);
                        }
                    }
                }
            }
        }
    }
    return patches;
}

TEST_F(LandscapeOutput, LargeAreaIsALowlandRiverLandscape) {
    const StudyArea& a = area(kLargeAreaId);
    EXPECT_GE(a.rows * a.columns, 120000);
    const auto px = pixels(kLargeAreaId);
    const auto n = static_cast<double>(px.size());
    auto share = [&](bool (*keep)(const Cell&)) { return std::count_if(px.begin(), px.end(), keep) / n; };

    const double evaluable_share = share(evaluable_grassland);
    EXPECT_GE(evaluable_share, 0.35);
    EXPECT_LE(evaluable_share, 0.45);
    EXPECT_GT(share([](const Cell& p) { return p.water_inland; }), 0.005);
    EXPECT_GT(share([](const Cell& p) { return p.forest; }), 0.03);
    EXPECT_GT(share([](const Cell& p) { return p.land_use_type == "1"; }), 0.2);
    EXPECT_GT(share([](const Cell& p) { return p.land_use_type == "4"; }), 0.01);
    const int villages = settlement_patches(a);
    EXPECT_GE(villages, 3);
    EXPECT_LE(villages, 5);

    // Skipped low values exist but are rare; other statuses are all present.
    const double low = share([](const Cell& p) { return grassland(p) && p.grassland_economic_value < 15; });
    EXPECT_GT(low, 0.0);
    EXPECT_LT(low, 0.03);
    for (int status : {0, 1, 2}) {
        EXPECT_TRUE(
            std::any_of(px.begin(), px.end(), [&](const Cell& p) { return grassland(p) && p.manure_status == status; }))
            << "manure status " << status;
    }
    const double ohg =
        share([](const Cell& p) { return grassland(p) && p.OHG; }) / share([](const Cell& p) { return grassland(p); });
    EXPECT_GT(ohg, 0.05);
    EXPECT_LT(ohg, 0.15);

    // Values follow the soils; meadows lie in the valley, pastures near the villages.
    auto value = [](const Cell& p) { return static_cast<double>(p.grassland_economic_value); };
    const double on_fresh = mean_of(
        px, [](const Cell& p) { return p.fresh >= 0.6; }, value);
    EXPECT_GT(on_fresh, mean_of(
                            px, [](const Cell& p) { return p.wet >= 0.6; }, value) +
                            15);
    EXPECT_GT(on_fresh, mean_of(
                            px, [](const Cell& p) { return p.dry >= 0.6; }, value) +
                            15);
    auto meadow = [](const Cell& p) { return p.mead_past_mow == 0 ? 1.0 : 0.0; };
    EXPECT_GT(mean_of(
                  px, [](const Cell& p) { return p.subclassification == "valley"; }, meadow),
              mean_of(
                  px, [](const Cell& p) { return p.subclassification != "valley"; }, meadow) +
                  0.15);
    auto pasture = [](const Cell& p) { return p.mead_past_mow == 1 ? 1.0 : 0.0; };
    const double near = mean_of(
        px, [](const Cell& p) { return p.farmhouse_distance <= 2; }, pasture);
    const double far = mean_of(
        px, [](const Cell& p) { return p.farmhouse_distance >= 8; }, pasture);
    EXPECT_GT(near, far + 0.15) << near << " vs " << far;
    // Wet valley grassland carries wet-site types; ridges carry dry sandy grassland.
    auto wet_type = [](const Cell& p) {
        return p.grasslandtyp1 == 3 || p.grasslandtyp1 == 4 || p.grasslandtyp1 == 5 || p.grasslandtyp1 == 7 ? 1.0 : 0.0;
    };
    EXPECT_GT(mean_of(
                  px, [](const Cell& p) { return p.wet >= 0.6 && p.mead_past_mow != 1; }, wet_type),
              0.95);
    EXPECT_GT(mean_of(
                  px, [](const Cell& p) { return p.subclassification == "ridge"; },
                  [](const Cell& p) { return p.grasslandtyp1 == 6 ? 1.0 : 0.0; }),
              0.5);
    EXPECT_GT(share([](const Cell& p) { return p.altitude > 0; }), 0.02);

    // Farmhouse distance classes grow away from the villages: near, middle and far classes all occur.
    for (int c : {1, 6, 12}) {
        EXPECT_TRUE(std::any_of(px.begin(), px.end(), [&](const Cell& p) { return p.farmhouse_distance == c; }))
            << "class " << c;
    }
}

TEST_F(LandscapeOutput, SmallAreaHasEveryKindOfEvaluablePixel) {
    EXPECT_EQ(area(kSmallAreaId).rows, 40);
    EXPECT_EQ(area(kSmallAreaId).columns, 60);
    const auto px = pixels(kSmallAreaId);
    struct Case {
        const char* what;
        bool (*match)(const Cell&);
    };
    const Case cases[] = {
        {"meadow", [](const Cell& p) { return p.mead_past_mow == 0; }},
        {"pasture", [](const Cell& p) { return p.mead_past_mow == 1; }},
        {"mowing pasture", [](const Cell& p) { return p.mead_past_mow == 2; }},
        {"manure status 0", [](const Cell& p) { return p.manure_status == 0; }},
        {"manure status 1", [](const Cell& p) { return p.manure_status == 1; }},
        {"one grassland type", [](const Cell& p) { return p.number_of_grassland_types == 1; }},
        {"two grassland types", [](const Cell& p) { return p.number_of_grassland_types == 2; }},
        {"altitude", [](const Cell& p) { return p.altitude > 0; }},
        {"drained", [](const Cell& p) { return p.drained != 0; }},
        {"OHG", [](const Cell& p) { return p.OHG; }},
        {"value at least 80", [](const Cell& p) { return p.grassland_economic_value >= 80; }},
        {"value below 25", [](const Cell& p) { return p.grassland_economic_value < 25; }},
        {"land use 4", [](const Cell& p) { return p.land_use_type == "4"; }},
        {"farmhouse distance above 5", [](const Cell& p) { return p.farmhouse_distance > 5; }},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(std::any_of(px.begin(), px.end(), [&](const Cell& p) {
            return evaluable_grassland(p) && c.match(p);
        })) << c.what;
    }
    EXPECT_TRUE(std::any_of(px.begin(), px.end(), [](const Cell& p) {
        return grassland(p) && p.grassland_economic_value < 15;
    })) << "some grassland below the evaluated value";
}

TEST_F(LandscapeOutput, ContourTracesTheOutline) {
    for (int id : {kLargeAreaId, kSmallAreaId}) {
        SCOPED_TRACE("area " + std::to_string(id));
        const StudyArea& a = area(id);
        ASSERT_GE(a.contour.size(), 20u);
        EXPECT_EQ(a.contour.front().x, a.contour.back().x);
        EXPECT_EQ(a.contour.front().y, a.contour.back().y);
        for (std::size_t k = 0; k < a.contour.size(); ++k) {
            const auto [x, y] = a.contour[k];
            ASSERT_TRUE(x >= 0 && x <= a.columns && y >= 0 && y <= a.rows) << x << "/" << y;
            // Every point lies where area and outside meet.
            bool in = false, out = false;
            for (int i = y - 2; i <= y + 1; ++i) {
                for (int j = x - 2; j <= x + 1; ++j) (inside(a, i, j) ? in : out) = true;
            }
            ASSERT_TRUE(in && out) << "point " << k << " at " << x << "/" << y;
            if (k > 0) {
                const auto [prev_x, prev_y] = a.contour[k - 1];
                ASSERT_LE(std::abs(x - prev_x) + std::abs(y - prev_y), 4) << "gap before point " << k;
            }
        }
    }
}

}  // namespace
}  // namespace pravel::demo
