#include "demo/landscape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>

#include "demo/sql_writer.h"

namespace pravel::demo {

namespace {

// ---------------------------------------------------------------- randomness --
// Every random choice is a hash of the area's seed, a purpose tag and the cell
// or parcel it concerns, so a cell's values do not depend on the order in
// which cells are visited and the generator has no state.

std::uint64_t mix(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

enum Tag : int {
    kOutline = 1, kValleyWidth, kRidge, kHill, kVillageEdge, kForest, kBandWidth, kBandOffset, kSoil, kSoil2,
    kDrained, kGrass, kArableGrass, kEconParcel, kEconCell, kEconRandom, kCropRandom, kManure2, kPolicy,
    kFertReduction, kFarmtype, kFarmtype2, kUse, kType1, kType2, kTwoTypes, kOhg, kWellEdge, kAltitude,
};

// Uniform in [0, 1), fixed by seed, tag and two integers.
double unit(std::uint64_t seed, int tag, long long a, long long b = 0) {
    std::uint64_t h = mix(seed ^ mix(static_cast<std::uint64_t>(tag)));
    h = mix(h ^ static_cast<std::uint64_t>(a));
    h = mix(h ^ (static_cast<std::uint64_t>(b) * 0xd6e8feb86659fd93ULL));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise in [0, 1) with lattice spacing `scale` (in cells).
double value_noise(std::uint64_t seed, int tag, double y, double x, double scale) {
    const double gy = y / scale, gx = x / scale;
    const double fy0 = std::floor(gy), fx0 = std::floor(gx);
    const auto y0 = static_cast<long long>(fy0), x0 = static_cast<long long>(fx0);
    const double ty = smooth(gy - fy0), tx = smooth(gx - fx0);
    const double v00 = unit(seed, tag, y0, x0), v01 = unit(seed, tag, y0, x0 + 1);
    const double v10 = unit(seed, tag, y0 + 1, x0), v11 = unit(seed, tag, y0 + 1, x0 + 1);
    const double top = v00 + (v01 - v00) * tx, bottom = v10 + (v11 - v10) * tx;
    return top + (bottom - top) * ty;
}

// Three octaves of value noise, stretched back to roughly [0, 1].
double fractal(std::uint64_t seed, int tag, double y, double x, double scale) {
    const double n = 0.6 * value_noise(seed, tag, y, x, scale) + 0.3 * value_noise(seed, tag + 100, y, x, scale / 2) +
                     0.1 * value_noise(seed, tag + 200, y, x, scale / 4);
    return std::clamp(0.5 + (n - 0.5) * 1.6, 0.0, 1.0);
}

// ------------------------------------------------------------------- layouts --

// A place beside the valley: at `column`, on the north (-1) or south (+1)
// side, `offset` cells beyond the valley edge, with a radius in cells.
struct Spot {
    int column;
    int side;
    double offset;
    double radius;
};

struct Layout {
    int id;
    const char* name;
    int growth_start;
    int rows, columns;
    std::uint64_t seed;
    int first_pixel_id;
    int x0, y0;  // map coordinates of cell (0, 0), metres

    // Outline: a wobbly superellipse filling most of the raster.
    double outline_exponent, outline_radius, outline_wobble;

    // River: centre row, two meander waves (amplitude, wave length in cells),
    // half width of the water; valley floor half width and terrace width.
    double river_row, meander_amp1, meander_len1, meander_amp2, meander_len2, river_half_width;
    double valley_half_width, terrace_width;

    double noise_scale;      // cells per lattice step of the coarsest noise
    double ridge_threshold;  // higher: fewer sandy ridges
    double hill_row, hill_column, hill_radius;
    int hill_base_altitude, hill_relief;  // metres

    std::vector<Spot> villages;
    std::vector<Spot> wells;   // centres of water-protection zones
    double near_village;       // cells from a village edge within which pastures dominate
    int parcel_rows, parcel_min_columns, parcel_max_columns;
    int reserve_from, reserve_to;  // columns of the valley stretch under protection
};

const Layout& layout_of(int id) {
    // A lowland river some 40 km long, crossing the area from west to east,
    // with villages on the terrace edges, two wells and hills in the south-east.
    static const Layout large{
        kLargeAreaId, "Ellerbach lowland", 12, 300, 450, 0x5eed0e11e4bac4ULL, 1, 3500000, 5900000,
        /* outline */ 4.0, 0.86, 0.06,
        /* river */ 150.0, 26.0, 190.0, 8.0, 57.0, 1.1,
        /* valley, terrace */ 28.0, 45.0,
        /* noise, ridges */ 60.0, 0.64,
        /* hills */ 300.0, 380.0, 120.0, 60, 110,
        /* villages */
        {{60, -1, 6.0, 7.0}, {150, 1, 7.0, 6.0}, {235, -1, 5.0, 8.0}, {325, 1, 8.0, 6.0}, {405, -1, 10.0, 5.0}},
        /* wells */ {{120, 1, 18.0, 13.0}, {300, -1, 22.0, 10.0}},
        /* near village */ 14.0,
        /* parcels */ 4, 5, 11,
        /* reserve */ 120, 240,
    };
    // A brook valley of 3.6 x 5.4 km with one village, one well and a hill corner.
    static const Layout small{
        kSmallAreaId, "Moorwiesen test area", 12, 40, 60, 0x3007b1e5e17ULL, 500001, 3440000, 5870000,
        /* outline */ 6.0, 0.95, 0.03,
        /* river */ 18.0, 5.0, 48.0, 1.5, 17.0, 0.6,
        /* valley, terrace */ 7.0, 10.0,
        /* noise, ridges */ 14.0, 0.62,
        /* hills */ 40.0, 60.0, 22.0, 45, 70,
        /* villages */ {{12, -1, 2.0, 2.5}},
        /* wells */ {{42, -1, 5.0, 4.0}},
        /* near village */ 5.0,
        /* parcels */ 3, 3, 6,
        /* reserve */ 20, 45,
    };
    if (id == kLargeAreaId) return large;
    if (id == kSmallAreaId) return small;
    throw std::invalid_argument("no demo study area " + std::to_string(id));
}

// ------------------------------------------------------------------- outline --

double outline_radius(const Layout& l, double theta) {
    const double w = l.outline_wobble;
    const double p1 = 6.283 * unit(l.seed, kOutline, 1), p2 = 6.283 * unit(l.seed, kOutline, 2),
                 p3 = 6.283 * unit(l.seed, kOutline, 3);
    return l.outline_radius + w * std::sin(3 * theta + p1) + 0.6 * w * std::sin(5 * theta + p2) +
           0.3 * w * std::sin(11 * theta + p3);
}

double superellipse_norm(const Layout& l, double u, double v) {
    return std::pow(std::pow(std::abs(u), l.outline_exponent) + std::pow(std::abs(v), l.outline_exponent),
                    1.0 / l.outline_exponent);
}

bool inside_outline(const Layout& l, int i, int j) {
    const double a = l.columns / 2.0, b = l.rows / 2.0;
    const double u = (j + 0.5 - a) / a, v = (i + 0.5 - b) / b;
    return superellipse_norm(l, u, v) < outline_radius(l, std::atan2(v, u));
}

std::vector<ContourPoint> trace_outline(const Layout& l) {
    const double a = l.columns / 2.0, b = l.rows / 2.0;
    const int steps = 4 * (l.rows + l.columns);
    std::vector<ContourPoint> points;
    for (int k = 0; k < steps; ++k) {
        const double theta = -std::numbers::pi + 2.0 * std::numbers::pi * k / steps;
        const double c = std::cos(theta), s = std::sin(theta);
        const double t = outline_radius(l, theta) / superellipse_norm(l, c, s);
        ContourPoint p{static_cast<int>(std::lround(a + a * t * c)), static_cast<int>(std::lround(b + b * t * s))};
        p.x = std::clamp(p.x, 0, l.columns);
        p.y = std::clamp(p.y, 0, l.rows);
        if (points.empty() || points.back().x != p.x || points.back().y != p.y) points.push_back(p);
    }
    if (points.size() > 1 && points.back().x == points.front().x && points.back().y == points.front().y) {
        points.pop_back();
    }
    points.push_back(points.front());
    return points;
}

// ----------------------------------------------------------------- the cells --

enum class Zone { valley, terrace, ridge, hill };

const char* zone_name(Zone z) {
    switch (z) {
        case Zone::valley: return "valley";
        case Zone::terrace: return "terrace";
        case Zone::ridge: return "ridge";
        case Zone::hill: return "hill";
    }
    return "";
}

struct Place {
    double row, column, radius;
};

int clamp_int(double v, int lo, int hi) { return std::clamp(static_cast<int>(std::lround(v)), lo, hi); }

// Picks from (value, weight) pairs with a uniform number u in [0, 1).
int pick(std::initializer_list<std::pair<int, double>> options, double u) {
    double total = 0.0;
    for (const auto& o : options) total += o.second;
    double acc = 0.0;
    for (const auto& o : options) {
        acc += o.second / total;
        if (u < acc) return o.first;
    }
    return (options.end() - 1)->first;
}

class AreaBuilder {
public:
    explicit AreaBuilder(const Layout& l) : l_(l), seed_(l.seed) {
        river_.resize(l.columns);
        valley_.resize(l.columns);
        for (int j = 0; j < l.columns; ++j) {
            river_[j] = l.river_row + l.meander_amp1 * std::sin(2 * std::numbers::pi * j / l.meander_len1 + 0.7) +
                        l.meander_amp2 * std::sin(2 * std::numbers::pi * j / l.meander_len2 + 2.1);
            valley_[j] = l.valley_half_width * (0.75 + 0.5 * value_noise(seed_, kValleyWidth, 0, j, l.noise_scale));
        }
        window_ = static_cast<int>(std::ceil(l.valley_half_width * 1.25 + l.terrace_width)) + 2;
        for (const auto& s : l.villages) villages_.push_back(place(s));
        for (const auto& s : l.wells) wells_.push_back(place(s));
    }

    StudyArea build() {
        StudyArea area;
        area.id = l_.id;
        area.name = l_.name;
        area.growth_start = l_.growth_start;
        area.rows = l_.rows;
        area.columns = l_.columns;
        area.pixel_length = 90;
        area.cells.resize(static_cast<std::size_t>(l_.rows) * l_.columns);
        int next_id = l_.first_pixel_id;
        for (int i = 0; i < l_.rows; ++i) {
            for (int j = 0; j < l_.columns; ++j) {
                if (!inside_outline(l_, i, j)) continue;
                LandscapeCell& c = area.at(i, j);
                c.inside = true;
                c.pixel_id = next_id++;
                c.x_coordinate = l_.x0 + area.pixel_length * j;
                c.y_coordinate = l_.y0 - area.pixel_length * i;
                fill(c, i, j, area.pixel_length);
            }
        }
        area.contour = trace_outline(l_);
        return area;
    }

private:
    Place place(const Spot& s) const {
        const int j = std::clamp(s.column, 0, l_.columns - 1);
        return {river_[j] + s.side * (valley_[j] + s.offset), static_cast<double>(j), s.radius};
    }

    // Distance in cells from the river's centre line.
    double river_distance(int i, int j) const {
        double best = 1e18;
        const int lo = std::max(0, j - window_), hi = std::min(l_.columns - 1, j + window_);
        for (int k = lo; k <= hi; ++k) {
            const double di = i - river_[k], dj = j - k;
            best = std::min(best, di * di + dj * dj);
        }
        return std::min(std::sqrt(best), static_cast<double>(window_));
    }

    // Distance in cells from the edge of the nearest place (negative inside),
    // with a ragged edge; `index` receives the nearest place.
    double edge_distance(const std::vector<Place>& places, int tag, int i, int j, int* index) const {
        double best = 1e18;
        for (std::size_t k = 0; k < places.size(); ++k) {
            const auto& p = places[k];
            const double ragged = 0.8 + 0.4 * value_noise(seed_, tag, i, j, std::max(2.0, p.radius / 2));
            const double d = std::hypot(i - p.row, j - p.column) - p.radius * ragged;
            if (d < best) {
                best = d;
                if (index) *index = static_cast<int>(k);
            }
        }
        return best;
    }

    void fill(LandscapeCell& c, int i, int j, int pixel_length) const {
        // Parcels: rows of fields of varying width, shifted against each other.
        const int band = i / l_.parcel_rows;
        const int width = l_.parcel_min_columns +
                          static_cast<int>(unit(seed_, kBandWidth, band) *
                                           (l_.parcel_max_columns - l_.parcel_min_columns + 1));
        const int shift = static_cast<int>(unit(seed_, kBandOffset, band) * width);
        const long long parcel = band * 100000LL + (j + shift) / width;
        auto pu = [&](int tag) { return unit(seed_, tag, parcel, -1); };
        auto cu = [&](int tag) { return unit(seed_, tag, i, j); };

        const double dr = river_distance(i, j);
        const double vh = valley_[j];
        int village = 0;
        const double dv = edge_distance(villages_, kVillageEdge, i, j, &village);
        const double dwell = wells_.empty() ? 1e18 : edge_distance(wells_, kWellEdge, i, j, nullptr);
        const double hill_reach = l_.hill_radius * (0.85 + 0.3 * value_noise(seed_, kHill, i, j, l_.noise_scale));
        const double dh = std::hypot(i - l_.hill_row, j - l_.hill_column) / hill_reach;

        Zone zone = Zone::terrace;
        if (dr <= vh) zone = Zone::valley;
        else if (dh < 1.0) zone = Zone::hill;
        else if (dr > vh + 2 && fractal(seed_, kRidge, i, j / 2.5, l_.noise_scale) > l_.ridge_threshold)
            zone = Zone::ridge;
        c.subclassification = std::string(zone_name(zone));

        if (zone == Zone::hill) {
            const double relief = 1.0 - dh + 0.15 * (value_noise(seed_, kAltitude, i, j, l_.noise_scale / 4) - 0.5);
            c.altitude = l_.hill_base_altitude + clamp_int(l_.hill_relief * relief, 0, l_.hill_relief);
        }

        // Soil moisture in per cent, so that the three shares add up exactly.
        const double n1 = fractal(seed_, kSoil, i, j, l_.noise_scale / 3);
        const double n2 = value_noise(seed_, kSoil2, i, j, l_.noise_scale / 5);
        double wet = 0, dry = 0;
        switch (zone) {
            case Zone::valley: {
                const double t = dr / vh;
                wet = 100.0 - 55.0 * t + 30.0 * (n1 - 0.5);
                c.drained = pu(kDrained) < 0.3;
                if (c.drained) wet *= 0.4;
                break;
            }
            case Zone::terrace: {
                const double t = (dr - vh) / l_.terrace_width;
                wet = t < 1.0 ? 40.0 * (1.0 - t) * (0.5 + n1) : 0.0;
                dry = 30.0 * n2;
                if (wet > 20.0 && pu(kDrained) < 0.3) {
                    c.drained = true;
                    wet *= 0.5;
                }
                break;
            }
            case Zone::ridge: dry = 55.0 + 45.0 * n1; break;
            case Zone::hill:
                dry = 10.0 + 40.0 * n1;
                wet = 12.0 * n2;
                break;
        }
        int wet_pct = clamp_int(wet, 0, 100);
        int dry_pct = clamp_int(dry, 0, 100 - wet_pct);
        // A 90 m cell is mostly one soil: a share of three quarters or more
        // stands for the whole cell.
        if (wet_pct >= 75) {
            wet_pct = 100;
            dry_pct = 0;
        } else if (dry_pct >= 75) {
            dry_pct = 100;
            wet_pct = 0;
        } else if (100 - wet_pct - dry_pct >= 75) {
            wet_pct = 0;
            dry_pct = 0;
        }
        c.wet = wet_pct / 100.0;
        c.dry = dry_pct / 100.0;
        c.fresh = (100 - wet_pct - dry_pct) / 100.0;

        if (dr <= l_.river_half_width) {
            c.land_use_type = std::string("7");
            c.water_inland = true;
            c.subclassification = std::string("river");
            return;
        }
        if (dv < 0.0) {
            c.land_use_type = std::string("6");
            c.settlement = true;
            c.subclassification = std::string("village");
            return;
        }
        // Woods mostly on the poor sandy ridges and the hills, few in the floodplain.
        const double forest_threshold = zone == Zone::ridge    ? 0.66
                                        : zone == Zone::hill   ? 0.64
                                        : zone == Zone::valley ? 0.86
                                                               : 0.78;
        if (dv > 2.0 && fractal(seed_, kForest, i, j, l_.noise_scale * 0.6) > forest_threshold) {
            c.land_use_type = std::string("8");
            c.forest = true;
            return;
        }

        // Farmland: grassland or cropland field by field.
        const bool near_village = dv < l_.near_village;
        double p_grass = 0.0;
        switch (zone) {
            case Zone::valley: p_grass = c.drained ? 0.55 : 0.92; break;
            case Zone::terrace: p_grass = 0.28; break;
            case Zone::ridge: p_grass = 0.45; break;
            case Zone::hill: p_grass = 0.5; break;
        }
        if (near_village) p_grass += 0.15;
        const bool grass = pu(kGrass) < p_grass;
        const bool arable_before =
            grass && pu(kArableGrass) < (zone == Zone::terrace || zone == Zone::hill ? 0.3 : 0.1);
        c.land_use_type = std::string(!grass ? "1" : arable_before ? "3" : "4");

        // Economic values: best on fresh and drained soils, poor on wet and dry ones.
        const double e = 28.0 + 60.0 * c.fresh - 10.0 * c.dry + (c.drained ? 8.0 : 0.0) - (zone == Zone::hill ? 5.0 : 0.0) +
                         16.0 * (pu(kEconParcel) - 0.5) + 10.0 * (cu(kEconCell) - 0.5);
        c.grassland_economic_value = clamp_int(e, 10, 90);
        c.grassland_economic_value_random =
            clamp_int(c.grassland_economic_value * (0.85 + 0.3 * cu(kEconRandom)), 10, 90);
        const double crop = 10.0 + 85.0 * c.fresh - 10.0 * c.wet + 12.0 * (pu(kEconParcel) - 0.5);
        c.cropland_economic_value = clamp_int(crop, 10, 95);
        c.cropland_economic_value_random =
            clamp_int(c.cropland_economic_value * (0.85 + 0.3 * cu(kCropRandom)), 10, 95);

        if (dwell < 0.0) c.manure_status = 1;
        else if (cu(kManure2) < 0.004) c.manure_status = 2;
        const bool reserve = zone == Zone::valley && j >= l_.reserve_from && j <= l_.reserve_to;
        c.policy_status = reserve || pu(kPolicy) < 0.06 ? 1 : 0;
        c.fertilization_reduction = c.manure_status == 1 || (c.policy_status == 1 && pu(kFertReduction) < 0.5) ? 1 : 0;
        const double other = pu(kFarmtype);
        c.farmtype = (village + (other < 0.35 ? 1 + static_cast<int>(pu(kFarmtype2) * 3) : 0)) % 4 + 1;
        c.farmhouse_distance = std::clamp(
            static_cast<int>(std::ceil(std::max(0.0, dv) * pixel_length / 500.0 - 1e-9)), 0, 12);

        if (!grass) return;

        const double use = pu(kUse);
        if (near_village) c.mead_past_mow = pick({{1, 0.65}, {2, 0.25}, {0, 0.10}}, use);
        else if (zone == Zone::valley) c.mead_past_mow = pick({{0, 0.65}, {2, 0.25}, {1, 0.10}}, use);
        else if (zone == Zone::terrace) c.mead_past_mow = pick({{0, 0.30}, {2, 0.40}, {1, 0.30}}, use);
        else if (zone == Zone::ridge) c.mead_past_mow = pick({{1, 0.50}, {0, 0.30}, {2, 0.20}}, use);
        else c.mead_past_mow = pick({{1, 0.45}, {2, 0.30}, {0, 0.25}}, use);

        // Grassland types that fit the site; a second type on some fields.
        const double u1 = pu(kType1);
        auto choose = [&](double u) {
            if (zone == Zone::ridge) {
                return c.mead_past_mow == 1 ? pick({{6, 0.6}, {8, 0.4}}, u) : pick({{6, 0.8}, {2, 0.2}}, u);
            }
            if (zone == Zone::valley && c.wet >= 0.5) {
                if (c.mead_past_mow == 1) return pick({{8, 0.5}, {3, 0.5}}, u);
                if (c.wet >= 0.8) return pick({{7, 0.35}, {3, 0.35}, {5, 0.2}, {4, 0.1}}, u);
                return pick({{3, 0.35}, {5, dr < vh / 2 ? 0.35 : 0.1}, {4, 0.3}}, u);
            }
            if (c.mead_past_mow == 1) return pick({{8, 0.8}, {2, 0.2}}, u);
            if (zone == Zone::valley) return pick({{2, 0.5}, {3, 0.3}, {1, 0.2}}, u);
            if (zone == Zone::hill) return pick({{2, 0.6}, {8, 0.25}, {6, 0.15}}, u);
            if (c.land_use_type == "3") return pick({{1, 0.6}, {2, 0.3}, {8, 0.1}}, u);
            return pick({{2, 0.6}, {1, 0.2}, {8, 0.2}}, u);
        };
        c.grasslandtyp1 = choose(u1);
        c.number_of_grassland_types = 1;
        if (pu(kTwoTypes) < 0.3) {
            // Another type of the same site; none when the site offers only one.
            for (int attempt = 0; attempt < 8 && c.grasslandtyp2 == 0; ++attempt) {
                const int t = choose(unit(seed_, kType2, parcel, attempt));
                if (t != c.grasslandtyp1) c.grasslandtyp2 = t;
            }
            if (c.grasslandtyp2 != 0) c.number_of_grassland_types = 2;
        }
        c.OHG = pu(kOhg) < 0.10;
    }

    const Layout& l_;
    std::uint64_t seed_;
    std::vector<double> river_;   // centre row of the river per column
    std::vector<double> valley_;  // valley floor half width per column
    int window_ = 0;
    std::vector<Place> villages_;
    std::vector<Place> wells_;
};

struct GrasslandType {
    int id;
    const char* name;
    double wes, wola, wkla;
    int quantity, energy, height;
};

constexpr GrasslandType kGrasslandTypes[] = {
    {1, "Intensive ryegrass sward", 0.2, 0.1, 0.1, 105, 105, 110},
    {2, "Fresh meadow (Arrhenatherion)", 0.6, 0.7, 0.4, 85, 90, 100},
    {3, "Moist meadow (Calthion)", 0.9, 0.5, 0.6, 70, 80, 70},
    {4, "Molinia meadow", 0.7, 0.9, 0.8, 50, 65, 60},
    {5, "Alluvial meadow (Cnidion)", 0.8, 0.6, 0.9, 75, 80, 80},
    {6, "Dry sandy grassland", 0.3, 0.4, 0.7, 45, 70, 55},
    {7, "Sedge fen meadow", 0.9, 0.3, 0.5, 55, 60, 85},
    {8, "Pasture (Cynosurion)", 0.5, 0.6, 0.3, 90, 95, 75},
};

void write_area(std::ostream& sql, const StudyArea& a) {
    {
        InsertWriter w(sql, "country", {"countryID", "name", "growth_start"});
        w.row({literal(a.id), literal(a.name), literal(a.growth_start)});
    }
    {
        InsertWriter w(sql, "matrix_referenz",
                       {"countryID", "number_of_rows", "number_of_columns", "pixel_lenght_x", "pixel_lenght_y"});
        w.row({literal(a.id), literal(a.rows), literal(a.columns), literal(a.pixel_length), literal(a.pixel_length)});
    }
    {
        InsertWriter w(sql, "pixel",
                       {"pixelID", "countryID", "country", "matrix_i", "matrix_j", "x_coordinate", "y_coordinate",
                        "drained", "wet", "fresh", "dry", "altitude", "grassland_economic_value",
                        "grassland_economic_value_random", "cropland_economic_value",
                        "cropland_economic_value_random", "land_use_type", "policy_status_grass_cropland",
                        "manure_status_grass_cropland", "number_of_grassland_types", "grasslandtyp1",
                        "grasslandtyp2", "OHG", "farmtype", "farmhouse_distance", "fertilization_reduction",
                        "subclassification", "settlement", "forest", "water_inland", "mead_past_mow"});
        const std::string name = literal(a.name);
        const std::string id = literal(a.id);
        for (int i = 0; i < a.rows; ++i) {
            for (int j = 0; j < a.columns; ++j) {
                const LandscapeCell& c = a.at(i, j);
                if (!c.inside) continue;
                w.row({literal(c.pixel_id), id, name, literal(i), literal(j), literal(c.x_coordinate),
                       literal(c.y_coordinate), literal(c.drained), literal(c.wet), literal(c.fresh),
                       literal(c.dry), literal(c.altitude), literal(c.grassland_economic_value),
                       literal(c.grassland_economic_value_random), literal(c.cropland_economic_value),
                       literal(c.cropland_economic_value_random), literal(c.land_use_type),
                       literal(c.policy_status), literal(c.manure_status), literal(c.number_of_grassland_types),
                       literal(c.grasslandtyp1), literal(c.grasslandtyp2), literal(c.OHG), literal(c.farmtype),
                       literal(c.farmhouse_distance), literal(c.fertilization_reduction),
                       literal(c.subclassification), literal(c.settlement), literal(c.forest),
                       literal(c.water_inland), literal(c.mead_past_mow)});
            }
        }
    }
    {
        InsertWriter w(sql, "contour", {"countryID", "id", "x", "y"});
        int n = 0;
        for (const auto& p : a.contour) w.row({literal(a.id), literal(++n), literal(p.x), literal(p.y)});
    }
}

}  // namespace

bool evaluable_grassland(const LandscapeCell& c) {
    return c.inside && (c.land_use_type == "3" || c.land_use_type == "4") && c.grassland_economic_value >= 15 &&
           (c.wet > 0 || c.fresh > 0 || c.dry > 0) && (c.manure_status == 0 || c.manure_status == 1);
}

StudyArea build_study_area(int id) { return AreaBuilder(layout_of(id)).build(); }

void write_landscape(std::ostream& sql) {
    {
        InsertWriter w(sql, "grasslandtype",
                       {"grasslandtypeID", "grasslandtype_name", "WES", "WOLA", "WKLA", "quantity", "energy",
                        "height"});
        for (const auto& t : kGrasslandTypes) {
            w.row({literal(t.id), literal(t.name), literal(t.wes), literal(t.wola), literal(t.wkla),
                   literal(t.quantity), literal(t.energy), literal(t.height)});
        }
    }
    {
        // Extra cost of travelling to fields further from the farm: 6 Euro/ha
        // for every 500 m.
        InsertWriter w(sql, "cost_for_farmhouse_distance", {"farmhouse_distance", "additional_cost"});
        for (int k = 1; k <= 12; ++k) w.row({literal(k), literal(6.0 * k)});
    }
    for (int id : {kLargeAreaId, kSmallAreaId}) write_area(sql, build_study_area(id));
}

}  // namespace pravel::demo
