#include <gtest/gtest.h>

#include "core/use_yield_model.h"

namespace pravel {
namespace {

// Growth of level L in quarter month q is (L + 10) * q, so every level differs
// (level 0 grows 10 q) and every window of quarter months sums differently.
// Sums used below: 1..10 = 55, 11..14 = 50, 15..20 = 105, 21..28 = 196.
GrowthTables linear_tables(std::initializer_list<int> levels) {
    GrowthTables t;
    for (int level : levels) {
        std::array<int, 48> mv{};
        for (int q = 1; q <= 48; ++q) mv[q - 1] = (level + 10) * q;
        t.set_series(level, mv);
    }
    return t;
}

// Uses at a = 10, b = 4, c = 6, d = 8: quarter months 1..10, 11..14, 15..20, 21..28.
UsabilityParameters base_parameters() {
    UsabilityParameters p;
    p.usability1 = {0.5, 0.75, 1.0, 0.25};
    p.energy_content = {610, 590, 570, 550};
    p.N_fertilizer_max = {100, 80, 60, 40};
    p.disturbance_correction_dry_matter_first_cut = 1.0;
    p.disturbance_correction_dry_matter_second_cut = 0.75;
    p.disturbance_correction_dry_matter_other_cuts = 0.5;
    return p;
}

void expect_yields(const UseYields& y, std::array<double, 4> expected) {
    for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(y.yield[k], expected[k]) << "use " << k + 1;
}

TEST(RoundToThousand, HalfRoundsUp) {
    const std::pair<int, int> cases[] = {{0, 0}, {499, 0}, {500, 1000}, {1499, 1000}, {1500, 2000}, {12345, 12000}};
    for (const auto& [in, out] : cases) EXPECT_EQ(round_to_thousand(in), out) << in;
}

TEST(UseYieldModel, YieldsWithoutRegrowthDelay) {
    auto t = linear_tables({100, 80, 60, 40});
    auto p = base_parameters();
    const auto y = use_yield_model(380, p, 10, 4, 6, 8, t);
    // DM1 = 110*55 = 6050, DM2 = 90*50 = 4500, DM3 = 70*105 = 7350, DM4 = 50*196 = 9800.
    // Y1 = 1*0.5*6050; Y2 = 0.75*0.75*4500; Y3 = 1*0.5*7350; Y4 = 0.25*0.5*9800.
    expect_yields(y, {3025.0, 2531.25, 3675.0, 1225.0});
    EXPECT_EQ(y.energy, (std::array<int, 4>{610, 590, 570, 550}));
    EXPECT_EQ(p.nitrogen, (std::array<int, 4>{100, 80, 60, 40}));
    EXPECT_EQ(p.nitrogen_left, (std::array<int, 4>{280, 200, 140, 100}));  // 380-100, -80, -60, -40
}

TEST(UseYieldModel, YieldsWithRegrowthDelay) {
    auto t = linear_tables({100, 80, 60, 40});
    // H1 = 6050 -> 6000, DM2 = 4500 -> 5000 (remainder 500 rounds up).
    t.set_regrowth_delay(6000, 5000, 7);
    // H2 = trunc(0.75*0.75*4500) = 2531 -> 3000, DM3 = 7350 -> 7000.
    t.set_regrowth_delay(3000, 7000, 21);
    // H3 = trunc(0.5*0.5*7350) = 1837 -> 2000, DM4 = 9800 -> 10000.
    t.set_regrowth_delay(2000, 10000, 14);
    auto p = base_parameters();
    p.regrowth_delay_dry_matter_second_cut = true;
    p.regrowth_delay_dry_matter_other_cuts = true;
    const auto y = use_yield_model(380, p, 10, 4, 6, 8, t);
    // R2 = (28-7)/28 = 0.75, R3 = (42-21)/42 = 0.5, R4 = (56-14)/56 = 0.75.
    EXPECT_EQ(p.regrowth_factor, (std::array<double, 4>{1.0, 0.75, 0.5, 0.75}));
    // Y2 = 0.75*0.75*0.75*4500; Y3 = 1*0.5*0.5*7350; Y4 = 0.25*0.5*0.75*9800 (unrounded DM).
    expect_yields(y, {3025.0, 1898.4375, 1837.5, 918.75});
}

TEST(UseYieldModel, RoundingDecidesTheDelayRow) {
    // Use 1 grows h in quarter month 1 (a = 1); use 2 grows dm in quarter month 2 (b = 2, 14 days).
    struct Case {
        int h, dm;
        double factor;
    } cases[] = {
        {1499, 1499, 12.0 / 14},  // row (1000, 1000): 2 days
        {1499, 1500, 10.0 / 14},  // row (1000, 2000): 4 days
        {1500, 1499, 8.0 / 14},   // row (2000, 1000): 6 days
        {1500, 1500, 6.0 / 14},   // row (2000, 2000): 8 days
        {499, 1500, 1.0},         // H1 rounds to 0: no delay for the second use even with a row (0, 2000)
    };
    for (const auto& c : cases) {
        GrowthTables t;
        t.set_series(100, {c.h});
        t.set_series(80, {0, c.dm});
        t.set_regrowth_delay(1000, 1000, 2);
        t.set_regrowth_delay(1000, 2000, 4);
        t.set_regrowth_delay(2000, 1000, 6);
        t.set_regrowth_delay(2000, 2000, 8);
        t.set_regrowth_delay(0, 2000, 10);
        auto p = base_parameters();
        p.usability1 = {1.0, 1.0, 1.0, 1.0};
        p.disturbance_correction_dry_matter_second_cut = 1.0;
        p.regrowth_delay_dry_matter_second_cut = true;
        const auto y = use_yield_model(380, p, 1, 2, 0, 0, t);
        EXPECT_DOUBLE_EQ(p.regrowth_factor[1], c.factor) << c.h << "/" << c.dm;
        EXPECT_DOUBLE_EQ(y.yield[1], c.factor * c.dm) << c.h << "/" << c.dm;
    }
}

TEST(UseYieldModel, DelayOfWholeIntervalOrLongerLeavesNothing) {
    for (int delay : {28, 40}) {  // interval of use 2: 7*4 = 28 days
        auto t = linear_tables({100, 80, 60, 40});
        t.set_regrowth_delay(6000, 5000, delay);
        auto p = base_parameters();
        p.regrowth_delay_dry_matter_second_cut = true;
        const auto y = use_yield_model(380, p, 10, 4, 6, 8, t);
        EXPECT_EQ(p.regrowth_factor[1], 0.0) << delay;
        EXPECT_EQ(y.yield[1], 0.0) << delay;
        EXPECT_DOUBLE_EQ(y.yield[2], 3675.0) << delay;  // use 3 unaffected (its flag is off)
    }
}

TEST(UseYieldModel, NitrogenShortOfTheUsesMaxima) {
    auto t = linear_tables({60, 0, 100, 80, 20});
    {
        // v = 60 < 100: N1 = 60, nothing left; later uses grow on level 0 (10 q).
        auto p = base_parameters();
        const auto y = use_yield_model(60, p, 10, 4, 6, 8, t);
        EXPECT_EQ(p.nitrogen, (std::array<int, 4>{60, 0, 0, 0}));
        EXPECT_EQ(p.nitrogen_left, (std::array<int, 4>{0, 0, 0, 0}));
        // Y1 = 0.5*70*55; Y2 = 0.5625*10*50; Y3 = 0.5*10*105; Y4 = 0.125*10*196.
        expect_yields(y, {1925.0, 281.25, 525.0, 245.0});
    }
    {
        // v = 200: 100 and 80 in full, use 3 gets the remaining 20, use 4 nothing.
        auto p = base_parameters();
        const auto y = use_yield_model(200, p, 10, 4, 6, 8, t);
        EXPECT_EQ(p.nitrogen, (std::array<int, 4>{100, 80, 20, 0}));
        EXPECT_EQ(p.nitrogen_left, (std::array<int, 4>{100, 20, 0, 0}));
        // Y3 = 0.5*30*105; Y4 = 0.125*10*196.
        expect_yields(y, {3025.0, 2531.25, 1575.0, 245.0});
    }
}

TEST(UseYieldModel, EachLaterUseOnItsOwnCondition) {
    auto t = linear_tables({100, 80, 60, 40});
    {
        // b = 0: use 3 covers 11..16 (sum 81), use 4 17..24 (sum 164); nitrogen 280 carries over.
        auto p = base_parameters();
        const auto y = use_yield_model(380, p, 10, 0, 6, 8, t);
        // Y3 = 0.5*70*81; Y4 = 0.125*50*164.
        expect_yields(y, {3025.0, 0.0, 2835.0, 1025.0});
        EXPECT_EQ(p.nitrogen_left, (std::array<int, 4>{280, 280, 220, 180}));
    }
    {
        // c = 0: use 4 covers 15..22 (sum 148) with the 200 left after use 2.
        auto p = base_parameters();
        const auto y = use_yield_model(380, p, 10, 4, 0, 8, t);
        expect_yields(y, {3025.0, 2531.25, 0.0, 925.0});  // Y4 = 0.125*50*148
        EXPECT_EQ(p.nitrogen_left, (std::array<int, 4>{280, 200, 200, 160}));
    }
}

TEST(UseYieldModel, UnusableUseYieldsNothingButStillDelaysTheNext) {
    auto t = linear_tables({100, 80, 60, 40});
    t.set_regrowth_delay(6000, 5000, 7);
    t.set_regrowth_delay(3000, 7000, 21);
    t.set_regrowth_delay(2000, 10000, 14);
    auto p = base_parameters();
    p.usability1 = {0.0, 0.75, -0.5, 0.25};
    p.regrowth_delay_dry_matter_second_cut = true;
    p.regrowth_delay_dry_matter_other_cuts = true;
    const auto y = use_yield_model(380, p, 10, 4, 6, 8, t);
    // Harvested amounts do not depend on usability: same factors as with all uses usable.
    expect_yields(y, {0.0, 1898.4375, 0.0, 918.75});
}

const std::array<double, 4> kNoDensity{};

TEST(FertiliserSaving, LeftoverReadByMethodAndValuedAroundTheLimit) {
    auto t = linear_tables({100, 80, 60, 40});
    // Left after uses 1..4 at v = 380: 280, 200, 140, 100.
    // D = 100, 140, 200: v - D >= 170, saving = D*1.34.
    // D = 280: v - D = 100 < 170, saving = 210*1.34 - 70u.
    struct Case {
        int method;
        double u, saving;
    } cases[] = {
        {1, 0, 134.0},   {5, 0, 134.0},   {6, 0, 134.0},   {11, 0, 134.0},  {1, 0.8, 134.0},
        {2, 0, 187.6},   {7, 0, 187.6},   {12, 0, 187.6},  {3, 0, 268.0},   {8, 0, 268.0},
        {13, 0, 268.0},  {4, 0, 281.4},   {9, 0, 281.4},   {14, 0, 281.4},  {4, 0.5, 246.4},
        {4, 5.0, 0.0},  // 281.4 - 350 < 0
    };
    for (const auto& c : cases) {
        auto p = base_parameters();
        const auto out = fertiliser_saving(10, 4, 6, 8, c.method, p, kNoDensity, c.u, 380, t);
        EXPECT_NEAR(out.saving, c.saving, 1e-9) << "method " << c.method << " u " << c.u;
    }
    auto p = base_parameters();
    const auto out = fertiliser_saving(10, 4, 6, 8, 1, p, kNoDensity, 0, 380, t);
    expect_yields(out.uses, {3025.0, 2531.25, 3675.0, 1225.0});
}

TEST(FertiliserSaving, NeverBelowZeroUnderTheLimit) {
    auto t = linear_tables({40, 30, 20, 10});
    for (int method : {11, 12, 13, 14}) {
        auto p = base_parameters();
        p.N_fertilizer_max = {40, 30, 20, 10};  // left at 120: 80, 50, 30, 20
        // e.g. method 11: (120-170)*1.34 - (20-120+170)*u = -67 - 70u -> 0.
        for (double u : {0.0, 0.5}) {
            EXPECT_EQ(fertiliser_saving(10, 4, 6, 8, method, p, kNoDensity, u, 120, t).saving, 0.0) << method;
        }
    }
}

// Slots: density / GVE * uptake_rate per day.
UsabilityParameters grazing_parameters() {
    auto p = base_parameters();
    p.GVE = {0.5, 1.0, 1.0, 0.25};
    p.uptake_rate = {10.0, 12.0, 8.5, 4.25};
    return p;
}

TEST(FertiliserSaving, GrazingOnlyMethod) {
    auto t = linear_tables({100, 80, 60, 40});
    struct Case {
        int a;
        std::array<double, 4> density;
        double gve3;
        int uptake;
    } cases[] = {
        // Periods 4, 6, 8, 41-28 = 13 quarter months = 30, 45, 60, 97.5 days. Slot 2 (0.4) is left out:
        // 1/0.5*10*30 = 600, 1.5/1*8.5*60 = 765, 0.5/0.25*4.25*97.5 = 828.75 -> 2193.75.
        {10, {1.0, 0.4, 1.5, 0.5}, 1.0, 2193},
        // Slot 3 without livestock units adds nothing: 600 + 828.75.
        {10, {1.0, 0.4, 1.5, 0.5}, 0.0, 1428},
        // a = 40: fourth period 41-58 < 0 counts as 0: 600 + 765.
        {40, {1.0, 0.4, 1.5, 0.5}, 1.0, 1365},
        {10, {0.49, 0.0, 0.0, 0.0}, 1.0, 0},
    };
    for (const auto& c : cases) {
        auto p = grazing_parameters();
        p.GVE[2] = c.gve3;
        const auto out = fertiliser_saving(c.a, 4, 6, 8, 10, p, c.density, 0, 380, t);
        EXPECT_EQ(out.uses.energy, (std::array<int, 4>{c.uptake, 0, 0, 0})) << c.a << " " << c.gve3;
        expect_yields(out.uses, {0, 0, 0, 0});
        EXPECT_EQ(out.saving, 0.0);
    }
}

TEST(FertiliserSaving, OneCutThenGrazing) {
    auto t = linear_tables({40});
    auto p = grazing_parameters();
    p.N_fertilizer_max = {40, 30, 20, 10};
    const std::array<double, 4> density{1.0, 0.4, 1.5, 0.5};
    const auto out = fertiliser_saving(10, 4, 6, 8, 14, p, density, 0, 120, t);
    // Y1 = 1*0.5*50*55 at N1 = 40; the cut alone, whatever b, c, d.
    expect_yields(out.uses, {1375.0, 0, 0, 0});
    // Slot 1 is ignored, slot 2 too sparse; slot 3 over c = 45 days, slot 4 over d = 60 days:
    // 1.5*8.5*45 = 573.75, 2*4.25*60 = 510 -> 1083.75.
    EXPECT_EQ(out.uses.energy, (std::array<int, 4>{610, 1083, 0, 0}));
    EXPECT_EQ(out.saving, 0.0);
}

TEST(FertiliserSaving, UnknownMethodGivesNothing) {
    auto t = linear_tables({100, 80, 60, 40});
    for (int method : {0, 15, -1}) {
        auto p = grazing_parameters();
        const auto out = fertiliser_saving(10, 4, 6, 8, method, p, {1, 1, 1, 1}, 0.5, 380, t);
        expect_yields(out.uses, {0, 0, 0, 0});
        EXPECT_EQ(out.uses.energy, (std::array<int, 4>{0, 0, 0, 0})) << method;
        EXPECT_EQ(out.saving, 0.0);
    }
}

}  // namespace
}  // namespace pravel
