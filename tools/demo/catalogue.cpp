#include "demo/catalogue.h"

#include <array>

#include "demo/sql_writer.h"

namespace pravel::demo {

namespace {

// Grazing densities (livestock units per ha) of the uses of a measure.
using Densities = std::array<double, 4>;

class CatalogueBuilder {
public:
    void add(const char* name, int method, int selection, int a, int b, int c, int d, bool fertilised,
             const Densities& dens = {0, 0, 0, 0}, int livestock = 0) {
        CatalogueMeasure m;
        auto& r = m.record;
        r.measureID = static_cast<int>(out_.size()) + 1;
        r.name = name;
        r.method_nr = method;
        r.month_quarter_first_use = a;
        r.distance_2use = b;
        r.distance_3use = c;
        r.distance_4use = d;
        r.fertilization = fertilised;
        r.is_refuge_strip = r.name == kRefugeStripName;
        // Uses before mid-April count as early land use.
        r.early_land_use = a <= 15 ? 1 : 0;
        r.livestock_density_1 = dens[0];
        r.livestock_density_2 = dens[1];
        r.livestock_density_3 = dens[2];
        r.livestock_density_4 = dens[3];
        const int ids[4] = {dens[0] > 0 ? livestock : 0, dens[1] > 0 ? livestock : 0, dens[2] > 0 ? livestock : 0,
                            dens[3] > 0 ? livestock : 0};
        r.livestockID_1 = ids[0];
        r.livestockID_2 = ids[1];
        r.livestockID_3 = ids[2];
        r.livestockID_4 = ids[3];
        m.selection = selection;
        out_.push_back(m);
    }
    std::vector<CatalogueMeasure>& result() { return out_; }

private:
    std::vector<CatalogueMeasure> out_;
};

}  // namespace

std::vector<CatalogueMeasure> build_catalogue() {
    CatalogueBuilder c;
    const int kinds[2] = {kCalmLivestock, kLivelyLivestock};

    // --- mowing (methods 1-5): the later the first cut and the fewer the
    // cuts, the more nitrogen and feed energy is lost.
    for (int a : {14, 16, 18})
        for (int d4 : {6, 8}) c.add("mowing_4cut", 1, kSelectMowing, a, 6, 6, d4, true);
    for (int a : {16, 18, 20, 22, 24})
        for (int b : {6, 8})
            for (int cc : {6, 8, 10}) c.add("mowing_3cut", 2, kSelectMowing, a, b, cc, 0, a <= 20);
    for (int a : {16, 18, 20, 22, 24, 26, 28})
        for (int b : {6, 8, 10, 12}) c.add("mowing_2cut", 3, kSelectMowing, a, b, 0, 0, a <= 20);
    for (int a : {18, 20, 22, 24, 26, 28, 30, 32, 34, 36}) c.add("mowing_1cut", 4, kSelectMowing, a, 0, 0, 0, false);
    for (int a : {20, 24, 28})
        for (int b : {8, 10}) c.add("refuge_strips", 5, kSelectMowing, a, b, 0, 0, false);

    // --- grazing (methods 6-10), calm and lively livestock.
    for (int kind : kinds) {
        for (int a : {14, 16}) c.add("grazing_rota4", 6, kSelectGrazing, a, 6, 6, 6, true, {2.0, 2.0, 1.4, 1.0}, kind);
        for (int a : {16, 20})
            for (int cc : {6, 8})
                for (const Densities& d : {Densities{1.4, 1.4, 1.0, 0}, Densities{2.0, 1.4, 1.0, 0}})
                    c.add("grazing_rota3", 7, kSelectGrazing, a, 6, cc, 0, a <= 16, d, kind);
        for (int a : {16, 20, 24})
            for (int b : {6, 8})
                for (const Densities& d : {Densities{1.0, 1.0, 0, 0}, Densities{1.4, 1.0, 0, 0}, Densities{2.0, 1.4, 0, 0}})
                    c.add("grazing_rota2", 8, kSelectGrazing, a, b, 0, 0, false, d, kind);
        for (int a : {16, 20, 24, 28})
            for (double dens : {0.5, 1.0, 1.4, 2.0})
                c.add("grazing_rota1", 9, kSelectGrazing, a, 0, 0, 0, false, {dens, 0, 0, 0}, kind);
        for (int a : {14, 16, 18, 20})
            for (int b : {8, 10})
                for (const Densities& d : {Densities{1.0, 1.0, 0.5, 0.5}, Densities{1.4, 1.0, 1.0, 0.5},
                                           Densities{2.0, 1.4, 1.0, 0.5}})
                    c.add("grazing_seas", 10, kSelectGrazing, a, b, 8, 6, false, d, kind);
    }
    // Grazing "depending on the grassland": the density follows the sward.
    for (int a : {16, 20, 24}) c.add("grazing_rota1", 9, kSelectGrazing, a, 0, 0, 0, false, {99, 0, 0, 0}, kCalmLivestock);

    // --- mowing then grazing (methods 11-14): a cut, then grazing periods.
    for (int kind : kinds) {
        for (int a : {16, 18, 20}) {
            c.add("mowing_pasture_rota3", 11, kSelectMowingGrazing, a, 6, 6, 6, true, {1.4, 1.4, 1.0, 1.0}, kind);
            for (int b : {6, 8}) {
                c.add("mowing_pasture_rota2", 12, kSelectMowingGrazing, a, b, 6, 0, a <= 16, {1.4, 1.4, 1.0, 0}, kind);
                c.add("mowing_pasture_rota1", 13, kSelectMowingGrazing, a, b, 0, 0, false, {1.0, 1.0, 0, 0}, kind);
            }
        }
        for (int a : {18, 20, 22})
            for (const Densities& d : {Densities{1.0, 1.0, 1.0, 0.5}, Densities{1.4, 1.4, 1.0, 0.5}})
                c.add("mowing_pasture_seas", 14, kSelectMowingGrazing, a, 6, 8, 6, false, d, kind);
    }

    // --- postponed first use: the ready-made sets of the analyses.
    for (int a : {24, 26, 28, 30, 32}) {
        c.add("mowing_postpo", 4, kSelectPostponed, a, 0, 0, 0, false);
        if (a <= 28)
            for (int b : {8, 10}) c.add("mowing_postpo", 3, kSelectPostponed, a, b, 0, 0, false);
    }
    for (int a : {20, 24, 28}) {
        c.add("refuge strips", 5, kSelectPostponed, a, 0, 0, 0, false);
        c.add("refuge strips", 5, kSelectPostponed, a, 8, 0, 0, false);
    }
    for (int kind : kinds) {
        for (int a : {24, 26, 28}) {
            c.add("grazing_rot_postpo", 9, kSelectPostponed, a, 0, 0, 0, false, {1.0, 0, 0, 0}, kind);
            c.add("grazing_rot_postpo", 8, kSelectPostponed, a, 8, 0, 0, false, {1.4, 1.0, 0, 0}, kind);
            c.add("grazing_seas_postpo", 10, kSelectPostponed, a, 8, 6, 0, false, {1.0, 1.0, 0.5, 0}, kind);
            c.add("mowing1_grazing_rot", 13, kSelectPostponed, a, 8, 0, 0, false, {1.0, 1.0, 0, 0}, kind);
            c.add("mowing1_grazing_seas", 14, kSelectPostponed, a, 6, 8, 0, false, {1.0, 1.0, 0.5, 0}, kind);
        }
    }

    // The preselected set: a spread of intensities over the three groups.
    auto& all = c.result();
    for (std::size_t i = 0; i < all.size(); i += 9) all[i].preselected = true;
    return all;
}

void write_catalogue(std::ostream& sql, const std::vector<CatalogueMeasure>& catalogue) {
    {
        InsertWriter w(sql, "livestock", {"livestockID", "livestock_name", "GVE", "uptake_rate"});
        // Uptake in 0.1 MJ NEL per animal and day, GVE in livestock units per animal.
        w.row({literal(kCalmLivestock), literal("suckler cows (calm)"), literal(1.0), literal(850.0)});
        w.row({literal(kLivelyLivestock), literal("young cattle (lively)"), literal(0.6), literal(520.0)});
    }
    {
        InsertWriter w(sql, "measures",
                       {"measureID", "name", "month_quarter_first_use", "distance_2use", "distance_3use",
                        "distance_4use", "early_land_use", "prior_cropland", "fertilization", "livestock_density_1",
                        "livestock_density_2", "livestock_density_3", "livestock_density_4", "livestockID_1",
                        "livestockID_2", "livestockID_3", "livestockID_4", "method_nr", "selection"});
        for (const auto& m : catalogue) {
            const auto& r = m.record;
            w.row({literal(r.measureID), literal(r.name), literal(r.month_quarter_first_use), literal(r.distance_2use),
                   literal(r.distance_3use), literal(r.distance_4use), literal(r.early_land_use),
                   literal(r.prior_cropland), literal(r.fertilization), literal(r.livestock_density_1),
                   literal(r.livestock_density_2), literal(r.livestock_density_3), literal(r.livestock_density_4),
                   literal(r.livestockID_1), literal(r.livestockID_2), literal(r.livestockID_3),
                   literal(r.livestockID_4), literal(r.method_nr), literal(m.selection)});
        }
    }
    {
        InsertWriter w(sql, "selection", {"measureID", "selectie3"});
        for (const auto& m : catalogue) w.row({literal(m.record.measureID), literal(m.preselected ? 20 : 0)});
    }
}

}  // namespace pravel::demo
