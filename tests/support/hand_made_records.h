#pragma once
// Small hand-made records shared by the optimisation tests.
#include <array>
#include <memory>
#include <string>

#include "optimisation/pixel_allocation.h"

namespace pravel::hand_made {

inline MeasureRecord measure(int id, const std::string& name, int first, int d2, int d3, int d4,
                             std::array<double, 4> densities = {0, 0, 0, 0}, std::array<int, 4> livestock = {0, 0, 0, 0}) {
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
    m.livestockID_1 = livestock[0];
    m.livestockID_2 = livestock[1];
    m.livestockID_3 = livestock[2];
    m.livestockID_4 = livestock[3];
    return m;
}

inline SpeciesRecord species(int id, const std::string& name) {
    SpeciesRecord s;
    s.speciesID = id;
    s.name = name;
    return s;
}

inline PixelResult pixel(int id, std::shared_ptr<const MeasureRecord> m, double net_value,
                         std::initializer_list<SpeciesQuality> qualities) {
    PixelResult r;
    r.pixelID = id;
    r.row = id / 10;
    r.column = id % 10;
    r.x_coordinate = 500 + id;
    r.y_coordinate = 700 + id;
    r.margin_with_payment = net_value;
    r.margin_without_payment = net_value - (m ? m->payment : 0.0);
    r.qualities = qualities;
    r.measure = std::move(m);
    return r;
}

// Three selected measures (the third without participants), two species
// (the second without effective area), pixel area 0.25 ha.
struct OptimisedRun {
    std::vector<MeasureRecord> measures{
        measure(5, "mowing_postpo", 20, 8, 6, 0),
        measure(9, "grazing_rot_postpo", 18, 6, 0, 0, {1.4, 1.4, 0.8, 0}, {1, 1, 2, 0}),
        measure(3, "refuge strips", 24, 0, 0, 0)};
    std::vector<SpeciesRecord> birds{species(11, "Godwit"), species(12, "Lapwing")};
    std::vector<double> minimum_qualities{0.4, 0.25};
    std::vector<double> wanted_areas{3, 1.5};
    double pixel_area = 0.25;
    OptimisationResult result;

    OptimisedRun() {
        auto m0 = std::make_shared<MeasureRecord>(measures[0]);
        m0->payment = 87.9;
        auto m1 = std::make_shared<MeasureRecord>(measures[1]);
        m1->payment = 12.5;
        result.allocation = {pixel(41, m0, 30.25, {{11, 0.7}, {12, 0}}), pixel(12, m1, 8, {{11, 1.0}, {12, 0}}),
                             pixel(43, m0, 20, {{11, 0.9}, {12, 0}}), pixel(44, m0, 5.5, {{11, 0.8}, {12, 0}}),
                             pixel(13, m1, 1, {{11, 0.6}, {12, 0}}), pixel(45, m0, 0, {{11, 0}, {12, 0}})};
        result.participants = {4, 2, 0};
        result.payment = {87.9, 12.5, 40};
        result.max_count = {10, 3, 5};
        result.effective_area = {1.0, 0};  // (0.7 + 1 + 0.9 + 0.8 + 0.6) x 0.25 ha
        result.budget = 94.15;
    }
};

}  // namespace pravel::hand_made
