#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "core/effectiveness.h"

namespace pravel {
namespace {

MeasureRecord measure(int id, const std::string& name, int first, int d2, int d3, int d4,
                      std::array<double, 4> densities = {0, 0, 0, 0}) {
    MeasureRecord m;
    m.measureID = id;
    m.name = name;
    m.month_quarter_first_use = first;
    m.distance_2use = d2;
    m.distance_3use = d3;
    m.distance_4use = d4;
    m.livestock_density_1 = densities[0];
    m.livestock_density_2 = densities[1];
    m.livestock_density_3 = densities[2];
    m.livestock_density_4 = densities[3];
    return m;
}

SpeciesRecord species(int id, const std::string& name) {
    SpeciesRecord s;
    s.speciesID = id;
    s.name = name;
    return s;
}

PixelResult result(int pixel, double margin_without_payment, double q_godwit, double q_lapwing,
                   std::shared_ptr<const MeasureRecord> m = nullptr) {
    PixelResult r;
    r.pixelID = pixel;
    r.row = pixel / 10;
    r.column = pixel % 10;
    r.x_coordinate = 1000 + pixel;
    r.y_coordinate = 2000 + pixel;
    r.margin_without_payment = margin_without_payment;
    r.margin_with_payment = margin_without_payment - 12;
    r.qualities = {{11, q_godwit}, {12, q_lapwing}};
    r.measure = std::move(m);
    return r;
}

// Three measures over two species, pixel area 0.5 ha, transaction costs 12:
// a mowing measure with three pixels given out of order, a grazing measure
// with densities whose cheapest pixel earns more than the transaction costs,
// and a measure without any qualifying pixel.
struct Scenario {
    std::vector<MeasureRecord> measures{measure(5, "mowing_postpo", 20, 8, 6, 0),
                                        measure(9, "grazing_rot_postpo", 18, 6, 0, 0, {1.4, 1.4, 0.8, 0}),
                                        measure(3, "refuge strips", 24, 0, 0, 0)};
    std::vector<SpeciesRecord> birds{species(11, "Godwit"), species(12, "Lapwing")};
    std::vector<std::vector<PixelResult>> results{
        {result(1, -30.5, 0.5, 0.0), result(2, 4.2, 0.8, 0.6), result(3, -100.9, 0.0, 0.4)},
        {result(4, -20.0, 0.3, 0.9), result(5, 20.5, 0.0, 0.5)},
        {}};
};

TEST(EffectivenessSummary, ResultLinesForHandMadeLists) {
    Scenario s;
    const auto summary = summarise_effectiveness(s.measures, s.birds, s.results, 0.5, 12);
    // Costs: 12 - 4.2 = 7.8 -> 7, 12 + 30.5 -> 42, 12 + 100.9 -> 112;
    // 12 + 20 -> 32, 12 - 20.5 = -8.5 -> -8 (towards zero).
    const std::vector<std::string> expected = {
        " Measure, mowing_postpo, 20/8/6/0,",
        "Range of cost: 7 - 112  Euro/ha",
        "Number of qualifying pixels: 3 = 1.50 ha",
        "Effective area for the species in ha: ",
        "Godwit: 0.65",   // (0.5 + 0.8) x 0.5
        "Lapwing: 0.50",  // (0.6 + 0.4) x 0.5
        " Measure, grazing_rot_postpo, 18/6/0/0,1.4 (GV)/ 1.4 (GV)/ 0.8 (GV)/ 0 (GV)",
        "Range of cost: -8 - 32  Euro/ha",
        "Number of qualifying pixels: 2 = 1.00 ha",
        "Effective area for the species in ha: ",
        "Godwit: 0.15",
        "Lapwing: 0.70",
        " Measure, refuge strips, 24/0",
        "The measure is unsuitable for all species.",
    };
    EXPECT_EQ(summary.lines, expected);
}

TEST(EffectivenessSummary, ListsAreSortedCheapestFirst) {
    Scenario s;
    summarise_effectiveness(s.measures, s.birds, s.results, 0.5, 12);
    std::vector<int> order;
    for (const auto& r : s.results[0]) order.push_back(r.pixelID);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(s.results[1].front().pixelID, 5);
}

TEST(EffectivenessSummary, GraphicRowsDescribeEachSpeciesQualifyingPixels) {
    Scenario s;
    const auto rows = summarise_effectiveness(s.measures, s.birds, s.results, 0.5, 12).graphic;
    struct Expected {
        int measure, species;
        const char *m_name, *s_name;
        double qmin, qmax, qmed, cmin, cmax, cmed, area;
        int pixels;
    } expected[] = {
        // Godwit on mowing: pixels 2 (0.8, cost 7) and 1 (0.5, cost 42).
        {5, 11, "mowing_postpo", "Godwit", 0.5, 0.8, 0.65, 7, 112, 24.5, 0.65, 2},
        // Lapwing on mowing: pixels 2 (0.6, cost 7) and 3 (0.4, cost 112).
        {5, 12, "mowing_postpo", "Lapwing", 0.4, 0.6, 0.5, 7, 112, 59.5, 0.5, 2},
        {9, 11, "grazing_rot_postpo", "Godwit", 0.3, 0.3, 0.3, -8, 32, 32, 0.15, 1},
        {9, 12, "grazing_rot_postpo", "Lapwing", 0.5, 0.9, 0.7, -8, 32, 12, 0.7, 2},
        // The unsuitable measure: first species, all figures 0.
        {3, 11, "refuge strips", "Godwit", 0, 0, 0, 0, 0, 0, 0, 0},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        const auto& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.measureID, e.measure);
        EXPECT_EQ(r.speciesID, e.species);
        EXPECT_EQ(r.m_name, e.m_name);
        EXPECT_EQ(r.species_name, e.s_name);
        EXPECT_DOUBLE_EQ(r.qual_min, e.qmin);
        EXPECT_DOUBLE_EQ(r.qual_max, e.qmax);
        EXPECT_DOUBLE_EQ(r.qual_medium, e.qmed);
        EXPECT_DOUBLE_EQ(r.cost_min, e.cmin);
        EXPECT_DOUBLE_EQ(r.cost_max, e.cmax);
        EXPECT_DOUBLE_EQ(r.cost_medium, e.cmed);
        EXPECT_DOUBLE_EQ(r.eff_area, e.area);
        EXPECT_EQ(r.nr_pixel, e.pixels);
    }
}

TEST(EffectivenessSummary, SpeciesWithoutAnyQualifyingPixelGetsZeroFigures) {
    std::vector<MeasureRecord> measures{measure(5, "mowing_postpo", 20, 8, 6, 0)};
    std::vector<SpeciesRecord> birds{species(11, "Godwit"), species(12, "Lapwing")};
    std::vector<std::vector<PixelResult>> results{{result(1, -10, 0.7, 0.0)}};
    const auto summary = summarise_effectiveness(measures, birds, results, 1.0, 0);
    EXPECT_EQ(summary.lines.back(), "Lapwing: 0.00");
    ASSERT_EQ(summary.graphic.size(), 2u);
    EXPECT_EQ(summary.graphic[1].nr_pixel, 0);
    EXPECT_EQ(summary.graphic[1].qual_min, 0.0);
    EXPECT_EQ(summary.graphic[1].qual_max, 0.0);
    EXPECT_EQ(summary.graphic[1].cost_medium, 0.0);
    EXPECT_EQ(summary.graphic[1].cost_min, 10.0);
}

TEST(EffectivenessNetPayment, WorksOnCopiesSoRepeatedRunsAgree) {
    std::vector<MeasureRecord> chosen{measure(5, "mowing_postpo", 20, 8, 6, 0), measure(3, "refuge strips", 24, 0, 0, 0)};
    chosen[1].payment = 50;
    const auto first = measures_with_net_payment(chosen, 12);
    const auto second = measures_with_net_payment(chosen, 12);
    EXPECT_EQ(first[0].payment, -12);
    EXPECT_EQ(first[1].payment, 38);
    EXPECT_EQ(second[0].payment, -12);
    EXPECT_EQ(second[1].payment, 38);
    EXPECT_EQ(chosen[0].payment, 0);
    EXPECT_EQ(chosen[1].payment, 50);
}

TEST(EffectivenessInputs, FirstFailingCheckInWindowOrder) {
    EffectivenessInputs ok;
    ok.distance_cost_factor = "0.5";
    ok.transaction_costs = "12";
    ok.measures = {measure(5, "mowing_postpo", 20, 8, 6, 0)};
    ok.species = {species(11, "Godwit")};
    ok.minimum_qualities = {0.2};
    ok.time_dependent_predation = false;
    ok.countryID = 2;

    struct Case {
        const char* what;
        std::function<void(EffectivenessInputs&)> change;
        std::string message;
    } cases[] = {
        {"complete", [](auto&) {}, ""},
        {"decimal transaction costs", [](auto& in) { in.transaction_costs = "12.7"; }, ""},
        {"bracketed transaction costs", [](auto& in) { in.transaction_costs = "(-3)"; }, ""},
        {"no factor", [](auto& in) { in.distance_cost_factor.clear(); }, kEffFactorMissing},
        {"letter in transaction costs", [](auto& in) { in.transaction_costs = "12a"; }, kEffTransactionCostsMissing},
        {"empty transaction costs", [](auto& in) { in.transaction_costs.clear(); }, kEffTransactionCostsMissing},
        {"no measures", [](auto& in) { in.measures.clear(); }, kEffNoMeasures},
        {"no species", [](auto& in) { in.species.clear(); }, kEffNoSpecies},
        {"no predation", [](auto& in) { in.time_dependent_predation.reset(); }, kEffNoPredation},
        {"no region", [](auto& in) { in.countryID.reset(); }, kEffNoRegion},
        {"nothing at all",
         [](auto& in) { in = EffectivenessInputs{}; }, kEffFactorMissing},
        {"species, predation and region missing",
         [](auto& in) {
             in.species.clear();
             in.time_dependent_predation.reset();
             in.countryID.reset();
         },
         kEffNoSpecies},
        {"predation and region missing",
         [](auto& in) {
             in.time_dependent_predation.reset();
             in.countryID.reset();
         },
         kEffNoPredation},
    };
    for (const auto& c : cases) {
        EffectivenessInputs in = ok;
        c.change(in);
        EXPECT_EQ(effectiveness_input_problem(in).text, c.message) << c.what;
    }
    EXPECT_EQ(std::string(kEffNoRegion), "You have to select a country/region please!");
}

TEST(EffectivenessInputs, SpeciesMinimumQuality) {
    struct Case {
        bool chosen;
        const char* quality;
        std::string message;
    } cases[] = {
        {true, "0", ""},
        {true, "1", ""},
        {true, "0.35", ""},
        {true, "1.01", "The quality must be between 0 and 1!\n\n Please revise your input!"},
        {true, "-0.1", "The quality must be between 0 and 1!\n\n Please revise your input!"},
        {true, "0,5", "You have to enter a number for the minimum quality please!"},
        {true, "high", "You have to enter a number for the minimum quality please!"},
        {false, "high", "You have to select a species first please!"},
    };
    for (const auto& c : cases) EXPECT_EQ(effectiveness_species_problem(c.chosen, c.quality).text, c.message) << c.quality;
}

// The compact form of hand-made lists: each result's cell in a raster of 10
// columns holding the pixel, its qualities with the zeros left out.
std::vector<CompactResults> compact(const std::vector<std::vector<PixelResult>>& lists, PixelRaster* area = nullptr) {
    std::vector<CompactResults> out(lists.size());
    for (std::size_t mi = 0; mi < lists.size(); ++mi) {
        for (const PixelResult& r : lists[mi]) {
            std::vector<double> q;
            for (const SpeciesQuality& sq : r.qualities) q.push_back(sq.quality);
            out[mi].add(static_cast<std::uint32_t>(r.row * 10 + r.column), r.margin_without_payment, q.data(), q.size());
            if (area) {
                PixelRecord& cell = area->at(r.row, r.column);
                cell.pixelID = r.pixelID;
                cell.x_coordinate = r.x_coordinate;
                cell.y_coordinate = r.y_coordinate;
            }
        }
    }
    return out;
}

// The compact results give the summary of the full ones, bit for bit: sums
// in the same order (equal margins keep their order), zeros left out, costs
// truncated alike, qualities that do not sum exactly in another order.
TEST(EffectivenessSummary, CompactResultsGiveTheSameSummary) {
    std::vector<std::vector<std::vector<PixelResult>>> cases;
    cases.push_back(Scenario().results);
    cases.push_back({{result(1, 5.0, 0.1, 0.0), result(2, 5.0, 0.2, 0.7), result(3, 5.0, 0.3, 0.0),
                      result(4, -0.5, 1e-17, 0.0), result(5, 5.0, 1.0, 1e16)}});
    std::vector<PixelResult> many;
    for (int p = 0; p < 60; ++p) {
        many.push_back(result(p, (p * 37 % 11) - 5.25, (p % 3) ? 0.1 * (p % 7) + 1e-9 * p : 0.0,
                              (p % 4) ? 0.3 + 1e-13 * p * p : 0.0));
    }
    cases.push_back({many, {}, {result(9, 1.0, 0.0, 0.0)}});
    const std::vector<SpeciesRecord> birds{species(11, "Godwit"), species(12, "Lapwing")};
    for (std::size_t c = 0; c < cases.size(); ++c) {
        std::vector<MeasureRecord> measures;
        for (std::size_t m = 0; m < cases[c].size(); ++m) measures.push_back(measure(int(m) + 1, "m", 20, 8, 0, 0));
        auto full = cases[c];
        auto small = compact(full);
        const auto a = summarise_effectiveness(measures, birds, full, 0.81, 10);
        const auto b = summarise_effectiveness(measures, birds, small, 0.81, 10);
        EXPECT_EQ(a.lines, b.lines) << "case " << c;
        ASSERT_EQ(a.graphic.size(), b.graphic.size()) << "case " << c;
        for (std::size_t g = 0; g < a.graphic.size(); ++g) {
            const GraphicRow& x = a.graphic[g];
            const GraphicRow& y = b.graphic[g];
            EXPECT_EQ(std::tie(x.measureID, x.speciesID, x.nr_pixel, x.cost_min, x.cost_max),
                      std::tie(y.measureID, y.speciesID, y.nr_pixel, y.cost_min, y.cost_max));
            // Bit for bit: compared as equal doubles, not within a tolerance.
            EXPECT_EQ(std::tie(x.qual_min, x.qual_max, x.qual_medium, x.cost_medium, x.eff_area),
                      std::tie(y.qual_min, y.qual_max, y.qual_medium, y.cost_medium, y.eff_area))
                << "case " << c << " row " << g;
        }
        for (std::size_t m = 0; m < full.size(); ++m) {
            ASSERT_EQ(full[m].size(), small[m].size());
            for (std::size_t r = 0; r < full[m].size(); ++r) {
                EXPECT_EQ(static_cast<int>(small[m][r].cell), full[m][r].row * 10 + full[m][r].column);
            }
        }
    }
}

TEST(EffectivenessVisualisation, OneRowPerResultAndSpeciesWithCostAndNetPayment) {
    EffectivenessRun run;
    run.measures = measures_with_net_payment({measure(5, "mowing_postpo", 20, 8, 6, 0)}, 12);
    run.species = {species(11, "Godwit"), species(12, "Lapwing")};
    run.countryID = 2;
    run.payment = {run.measures[0].payment};
    run.area = PixelRaster(3, 10);
    run.results = compact({{result(23, 4.2, 0.8, 0.0), result(17, -30.5, 0.5, 0.6)}}, &run.area);

    const auto rows = effectiveness_visualisation_rows(run);
    ASSERT_EQ(rows.size(), 4u);
    const std::tuple<int, const char*, double, int, double> expected[] = {
        {11, "Godwit", 0.8, 23, 4.2},
        {12, "Lapwing", 0.0, 23, 4.2},
        {11, "Godwit", 0.5, 17, -30.5},
        {12, "Lapwing", 0.6, 17, -30.5},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [sid, sname, q, pixel, benefit] = expected[i];
        EXPECT_EQ(rows[i].measureID, 5);
        EXPECT_EQ(rows[i].measure_name, "mowing_postpo");
        EXPECT_EQ(rows[i].speciesID, sid);
        EXPECT_EQ(rows[i].species_name, sname);
        EXPECT_DOUBLE_EQ(rows[i].quality, q);
        EXPECT_EQ(rows[i].pixelID, pixel);
        EXPECT_EQ(rows[i].pixel_i, pixel / 10);
        EXPECT_EQ(rows[i].pixel_j, pixel % 10);
        EXPECT_EQ(rows[i].pixel_x, 1000 + pixel);
        EXPECT_EQ(rows[i].pixel_y, 2000 + pixel);
        EXPECT_DOUBLE_EQ(rows[i].benefit, benefit);
        EXPECT_DOUBLE_EQ(rows[i].payment, -12);
        EXPECT_EQ(rows[i].countryID, 2);
    }
}


TEST(CompactResultsAppend, ExpectedSizesChangeOnlyTheRoomNotTheResults) {
    // Blocks of results appended with a guess of the final length that is
    // none, too small, right or too large: the joined list is the same.
    auto block = [](std::uint32_t first, int n) {
        CompactResults b;
        for (int r = 0; r < n; ++r) {
            const double q[3] = {0.1 * r, r % 2 ? 0.0 : 0.5, 0.25};
            b.add(first + static_cast<std::uint32_t>(r), -1.0 * r, q, 3);
        }
        return b;
    };
    std::vector<std::tuple<std::uint32_t, double, std::vector<std::pair<int, double>>>> reference;
    for (std::size_t expected : {0, 3, 30, 1000}) {
        CompactResults joined;
        for (int b = 0; b < 3; ++b) {
            CompactResults part = block(static_cast<std::uint32_t>(100 * b), 10);
            joined.append(part, expected);
            EXPECT_TRUE(part.empty());
        }
        ASSERT_EQ(joined.size(), 30u);
        std::vector<std::tuple<std::uint32_t, double, std::vector<std::pair<int, double>>>> seen;
        for (std::size_t r = 0; r < joined.size(); ++r) {
            std::vector<std::pair<int, double>> q;
            for (std::size_t e = joined.quality_begin(r); e < joined.quality_end(r); ++e)
                q.emplace_back(joined.species_index(e), joined.quality(e));
            seen.emplace_back(joined[r].cell, joined[r].margin_without_payment, q);
        }
        if (reference.empty()) reference = seen;
        EXPECT_EQ(seen, reference) << "expected " << expected;
    }
    EXPECT_EQ(std::get<0>(reference[10]), 100u);
    EXPECT_EQ(std::get<2>(reference[11]).size(), 2u);  // the 0 of the second species is not stored
}

}  // namespace
}  // namespace pravel
