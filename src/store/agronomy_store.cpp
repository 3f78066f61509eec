#include "store/agronomy_store.h"

#include <cppconn/resultset.h>

#include <string>
#include <utility>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

void load_cost_parameters(DatabaseAccess& db, int method_nr, CostParameterSet& record) {
    {
        SqlText s;
        s << "SELECT * FROM variable_costs WHERE  methodID = " << method_nr;
        db.query(s, [&](sql::ResultSet& rs) {
            record.utilisation_years = rs.getInt("utilisation_years");
            record.amount_of_seeds = rs.getDouble("amount_of_seeds");
            record.seed_price = rs.getDouble("seed_price");
            record.seed_expense = rs.getDouble("seed_expense");
            record.amount_herbicide = rs.getDouble("amount_herbicide");
            record.price_per_herbicide = rs.getDouble("price_per_herbicide");
            record.cost_of_pest_management = rs.getDouble("cost_of_pest_management");
            record.amount_fertilizer_N = rs.getDouble("amount_fertilizer_N");
            record.legume_portion = rs.getDouble("legume_portion");
            record.amount_fertilizer_P = rs.getDouble("amount_fertilizer_P");
            record.amount_fertilizer_K = rs.getDouble("amount_fertilizer_K");
            record.costs_fertilisation = rs.getDouble("costs_fertilisation");
            record.hired_labour = rs.getDouble("hired_labour");
            record.maschine_rental = rs.getDouble("maschine_rental");
            record.silage_applicance_portion = rs.getDouble("silage_applicance_portion");
            record.costs_silage_other = rs.getDouble("costs_silage_other");
            record.pasturecosts = rs.getDouble("pasturecosts");
            record.personal_costs_per_Akh = rs.getDouble("personal_costs_per_Akh");
            record.optional_extra_cost = rs.getDouble("optional_extra_cost");
            record.reduced_fertilisation_cost = rs.getDouble("reduced_fertilisation_cost");
        });
    }

    // Machinery costs: the costs of each object the method uses, weighted by
    // the share (quotient) of the object in the method.
    record.hours_akh_ha = 0.0;
    record.diesel_eur_ha = 0.0;
    record.maintenance_eur_ha = 0.0;
    record.other_eur_ha = 0.0;

    std::vector<std::pair<int, double>> objects;
    SqlText s;
    s << "SELECT " << "*" << " FROM object_for_method WHERE methodID = " << method_nr;
    db.query(s, [&](sql::ResultSet& rs) { objects.emplace_back(rs.getInt("objectID"), rs.getDouble("quotient")); });

    for (const auto& [object_id, quotient] : objects) {
        SqlText q;
        q << "SELECT * FROM objectcosts WHERE  objectID = " << object_id;
        db.query(q, [&, quotient = quotient](sql::ResultSet& rs) {
            record.hours_akh_ha += rs.getDouble("hours_akh/ha") * quotient;
            record.diesel_eur_ha += rs.getDouble("diesel_eur/ha") * quotient;
            record.maintenance_eur_ha += rs.getDouble("maintenance_eur/ha") * quotient;
            record.other_eur_ha += rs.getDouble("other_eur/ha") * quotient;
        });
    }
}

MethodFeedRow load_method_feed(DatabaseAccess& db, int method_nr) {
    MethodFeedRow row;
    SqlText s;
    s << "SELECT " << "*" << " FROM method WHERE methodID = " << method_nr;
    db.query(s, [&](sql::ResultSet& rs) {
        row.energy_matter_ref_380N = rs.getInt("energy_matter_ref_380N");
        row.energy_matter_ref_245N = rs.getInt("energy_matter_ref_245N");
        row.price_compensation_feed = rs.getDouble("price_compensation_feed");
        row.faktor_compenstion_feed = rs.getInt("faktor_compenstion_feed");
    });
    row.methodID = method_nr;
    return row;
}

namespace {

// Sets use `k` (0-based) from a row of `usability_first_cut` or
// `usability_other_cuts`.
void read_usability(sql::ResultSet& rs, UsabilityParameters& record, int k) {
    record.N_fertilizer_max[k] = rs.getInt("N_fertilizer_max");
    record.usability1[k] = rs.getDouble("usability1");
    record.energy_content[k] = rs.getInt("energy_content");
}

}  // namespace

void load_usability_parameters(DatabaseAccess& db, UsabilityParameters& record, int method_nr, int first_use,
                               int d2, int d3, int d4, const std::array<int, 4>& livestock_ids,
                               const std::array<double, 4>& livestock_densities) {
    {
        SqlText s;
        s << "SELECT * FROM usability_first_cut WHERE quarter_month = " << first_use;
        db.query(s, [&](sql::ResultSet& rs) { read_usability(rs, record, 0); });
    }

    // A later use exists only while every use before it does: a measure
    // without a second use has no third or fourth one, whatever their
    // distances say.
    const int distances[3] = {d2, d3, d4};
    for (int k = 1; k <= 3 && distances[k - 1] != 0; ++k) {
        SqlText s;
        s << "SELECT * FROM usability_other_cuts WHERE  " << "cut_interval = " << distances[k - 1];
        db.query(s, [&](sql::ResultSet& rs) { read_usability(rs, record, k); });
    }

    // A grazing use reads its livestock row when it names a livestock type or
    // when its density lies strictly between 0.001 and 99.
    for (int k = 0; k < 4; ++k) {
        const double density = livestock_densities[k];
        if (livestock_ids[k] == 0 && !(density > 0.001 && density < 99)) continue;
        SqlText s;
        s << "SELECT * FROM livestock WHERE  livestockID = " << livestock_ids[k];
        db.query(s, [&](sql::ResultSet& rs) {
            record.livestockID[k] = rs.getInt("livestockID");
            record.GVE[k] = rs.getDouble("GVE");
            record.uptake_rate[k] = rs.getDouble("uptake_rate");
            record.GVE_copy[k] = rs.getDouble("GVE");
        });
    }

    SqlText s;
    s << "SELECT * FROM cut_use WHERE  methodID = " << method_nr;
    db.query(s, [&](sql::ResultSet& rs) {
        record.disturbance_correction_dry_matter_first_cut =
            rs.getDouble("disturbance_correction_dry_matter_first_cut");
        record.disturbance_correction_dry_matter_second_cut =
            rs.getDouble("disturbance_correction_dry_matter_second_cut");
        record.disturbance_correction_dry_matter_other_cuts =
            rs.getDouble("disturbance_correction_dry_matter_other_cuts");
        record.regrowth_delay_dry_matter_first_cut = rs.getBoolean("regrowth_delay_dry_matter_first_cut");
        record.regrowth_delay_dry_matter_second_cut = rs.getBoolean("regrowth_delay_dry_matter_second_cut");
        record.regrowth_delay_dry_matter_other_cuts = rs.getBoolean("regrowth_delay_dry_matter_other_cuts");
    });
}

double trampling_factor(DatabaseAccess& db, int livestock_id, double trampling_class) {
    double factor = 0.0;
    SqlText s;
    s << "SELECT factor FROM trampling_mortality WHERE " << "(trampling_mortality_typ = " << trampling_class
      << " AND livestockID = " << livestock_id << ")";
    db.query(s, [&](sql::ResultSet& rs) { factor = rs.getDouble("factor"); });
    return factor;
}

GrowthRateRow load_growth_rate(DatabaseAccess& db) {
    GrowthRateRow row;
    row.hightID = 1;
    SqlText s;
    s << "SELECT * FROM growth_rate WHERE hightID  = " << row.hightID;
    db.query(s, [&](sql::ResultSet& rs) {
        row.grasslandvalue_max = rs.getInt("grasslandvalue_max");
        row.livestock_density_max = rs.getDouble("livestock_density_max");
        row.livestock_density_min = rs.getDouble("livestock_density_min");
        row.low_min = rs.getDouble("low_min");
        row.medium_min = rs.getDouble("medium_min");
        row.high_min = rs.getDouble("high_min");
        row.low_max = rs.getDouble("low_max");
        row.medium_max = rs.getDouble("medium_max");
        row.high_max = rs.getDouble("high_max");
    });
    return row;
}

void load_dry_matter_curves(DatabaseAccess& db, int nitrogen_level, std::vector<int>& out) {
    SqlText s;
    s << "SELECT * FROM quarter_month_dry_matter WHERE " << "`N-fertilizer` = " << nitrogen_level;
    db.query(s, [&](sql::ResultSet& rs) {
        // Element 0 pads the list so that quarter month k sits at index k.
        out.push_back(0);
        for (int k = 1; k <= 48; ++k) out.push_back(rs.getInt("MV" + std::to_string(k)));
    });
}

int regrowth_delay(DatabaseAccess& db, int previous_cut, int next_cut) {
    int delay = 0;
    SqlText s;
    s << "SELECT regrowth_delay FROM regrowth_delay_dry_matter " << "WHERE  previous_cut = " << previous_cut
      << " AND next_cut = " << next_cut;
    db.query(s, [&](sql::ResultSet& rs) { delay = rs.getInt("regrowth_delay"); });
    return delay;
}

std::vector<DryMatterRow> load_all_dry_matter_rows(DatabaseAccess& db) {
    std::vector<DryMatterRow> rows;
    db.query("SELECT * FROM quarter_month_dry_matter", [&](sql::ResultSet& rs) {
        DryMatterRow row;
        row.N_fertilizer = rs.getInt("N-fertilizer");
        for (int k = 1; k <= 48; ++k) row.MV[k - 1] = rs.getInt("MV" + std::to_string(k));
        rows.push_back(row);
    });
    return rows;
}

std::vector<RegrowthDelayRow> load_all_regrowth_delays(DatabaseAccess& db) {
    std::vector<RegrowthDelayRow> rows;
    db.query("SELECT * FROM regrowth_delay_dry_matter", [&](sql::ResultSet& rs) {
        rows.push_back({rs.getInt("previous_cut"), rs.getInt("next_cut"), rs.getInt("regrowth_delay")});
    });
    return rows;
}

std::vector<TramplingRow> load_all_trampling_factors(DatabaseAccess& db) {
    std::vector<TramplingRow> rows;
    db.query("SELECT * FROM trampling_mortality", [&](sql::ResultSet& rs) {
        TramplingRow row;
        row.trampling_mortality_typ = rs.getDouble("trampling_mortality_typ");
        row.livestockID = rs.getInt("livestockID");
        row.factor = rs.getDouble("factor");
        rows.push_back(row);
    });
    return rows;
}

}  // namespace pravel
