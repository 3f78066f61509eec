#include "store/result_reading.h"

#include <cppconn/resultset.h>

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

namespace {

// Collects pixel entries keyed by (pixelID, measureID) and the species seen.
class LayerBuilder {
public:
    ResultPixel& entry(int pixel_id, int measure_id) {
        auto [it, added] = entries_.try_emplace({pixel_id, measure_id});
        if (added) {
            it->second.pixelID = pixel_id;
            it->second.measureID = measure_id;
        }
        return it->second;
    }
    ResultPixel* find(int pixel_id, int measure_id) {
        auto it = entries_.find({pixel_id, measure_id});
        return it == entries_.end() ? nullptr : &it->second;
    }
    std::vector<ResultPixel*> entries_of(int pixel_id) {
        std::vector<ResultPixel*> out;
        for (auto it = entries_.lower_bound({pixel_id, std::numeric_limits<int>::min()}); it != entries_.end() && it->first.first == pixel_id; ++it)
            out.push_back(&it->second);
        return out;
    }
    // Index of the species in the layer's list, adding it when new.
    std::size_t species(int id, const std::string& name) {
        auto it = species_index_.find(id);
        if (it != species_index_.end()) return it->second;
        species_index_[id] = species_.size();
        species_.push_back({id, name});
        return species_.size() - 1;
    }
    static void set_quality(ResultPixel& p, std::size_t index, double q) {
        if (p.quality.size() <= index) p.quality.resize(index + 1);
        p.quality[index] = q;
    }
    ResultLayer finish(int country_id) {
        ResultLayer layer;
        layer.countryID = country_id;
        layer.species = species_;
        for (auto& [key, p] : entries_) {
            p.quality.resize(species_.size());
            layer.pixels.push_back(std::move(p));
        }
        return layer;
    }

private:
    std::map<std::pair<int, int>, ResultPixel> entries_;
    std::map<int, std::size_t> species_index_;
    std::vector<ResultSpecies> species_;
};

}  // namespace

std::optional<ResultLayer> load_configuration_results(DatabaseAccess& db, int configuration_id) {
    bool found = false;
    int country_id = 0;
    std::map<int, double> payment_of_measure;
    {
        SqlText s;
        s << "SELECT measureID, payment, countryID FROM configuration WHERE configurationID = " << configuration_id;
        db.query(s, [&](sql::ResultSet& rs) {
            found = true;
            country_id = rs.getInt("countryID");
            payment_of_measure[rs.getInt("measureID")] = rs.getDouble("payment");
        });
    }
    if (!found) return std::nullopt;
    LayerBuilder b;
    {
        SqlText s;
        s << "SELECT r.pixelID, r.measureID, r.benefit, p.matrix_i, p.matrix_j, p.x_coordinate, p.y_coordinate "
             "FROM result r JOIN pixel p ON p.pixelID = r.pixelID WHERE r.configurationID = "
          << configuration_id << " ORDER BY r.pixelID, r.measureID";
        db.query(s, [&](sql::ResultSet& rs) {
            ResultPixel& p = b.entry(rs.getInt("pixelID"), rs.getInt("measureID"));
            p.matrix_i = rs.getInt("matrix_i");
            p.matrix_j = rs.getInt("matrix_j");
            p.x = rs.getInt64("x_coordinate");
            p.y = rs.getInt64("y_coordinate");
            p.net = rs.getDouble("benefit");
            auto it = payment_of_measure.find(p.measureID);
            p.payment = it == payment_of_measure.end() ? 0.0 : it->second;
        });
    }
    {
        // resulting_quality carries no measure: the quality belongs to every
        // measure entry of the pixel in this configuration.
        SqlText s;
        s << "SELECT q.pixelID, q.speciesID, q.quality, COALESCE(s.name, '') AS species_name "
             "FROM resulting_quality q LEFT JOIN species s ON s.speciesID = q.speciesID "
             "WHERE q.configurationID = "
          << configuration_id << " ORDER BY q.speciesID, q.pixelID";
        db.query(s, [&](sql::ResultSet& rs) {
            const std::size_t k = b.species(rs.getInt("speciesID"), rs.getString("species_name"));
            for (ResultPixel* p : b.entries_of(rs.getInt("pixelID"))) {
                LayerBuilder::set_quality(*p, k, rs.getDouble("quality"));
            }
        });
    }
    return b.finish(country_id);
}

ResultLayer load_latest_results(DatabaseAccess& db) {
    LayerBuilder b;
    int country_id = 0;
    db.query("SELECT * FROM results_for_viusualitsation ORDER BY speciesID, pixelID, measureID",
             [&](sql::ResultSet& rs) {
                 country_id = rs.getInt("countryID");
                 ResultPixel& p = b.entry(rs.getInt("pixelID"), rs.getInt("measureID"));
                 p.matrix_i = rs.getInt("pixel_i");
                 p.matrix_j = rs.getInt("pixel_j");
                 p.x = rs.getInt64("pixel_x");
                 p.y = rs.getInt64("pixel_y");
                 p.net = rs.getDouble("benefit");
                 p.payment = rs.getDouble("payment");
                 const std::size_t k = b.species(rs.getInt("speciesID"), rs.getString("species_name"));
                 LayerBuilder::set_quality(p, k, rs.getDouble("quality"));
             });
    return b.finish(country_id);
}

LatestResultsMix inspect_latest_results(DatabaseAccess& db) {
    LatestResultsMix mix;
    db.query("SELECT r.countryID, COALESCE(MIN(c.name), '') AS name FROM (SELECT DISTINCT countryID FROM "
             "results_for_viusualitsation) r LEFT JOIN country c ON c.countryID = r.countryID GROUP BY r.countryID "
             "ORDER BY r.countryID",
             [&](sql::ResultSet& rs) { mix.areas.push_back({rs.getInt("countryID"), rs.getString("name")}); });
    db.query("SELECT COUNT(*) AS n FROM (SELECT 1 FROM results_for_viusualitsation GROUP BY pixelID, measureID, "
             "speciesID HAVING COUNT(*) > 1) repeated",
             [&](sql::ResultSet& rs) { mix.repeated_entries = rs.getInt64("n"); });
    db.query("SELECT COUNT(*) AS n FROM results_for_viusualitsation r LEFT JOIN pixel p ON p.pixelID = r.pixelID "
             "AND p.countryID = r.countryID WHERE p.pixelID IS NULL",
             [&](sql::ResultSet& rs) { mix.stale_rows = rs.getInt64("n"); });
    return mix;
}

long long stale_configuration_rows(DatabaseAccess& db, int configuration_id) {
    long long n = 0;
    SqlText s;
    s << "SELECT COUNT(*) AS n FROM result r LEFT JOIN pixel p ON p.pixelID = r.pixelID WHERE r.configurationID = "
      << configuration_id << " AND p.pixelID IS NULL";
    db.query(s, [&](sql::ResultSet& rs) { n = rs.getInt64("n"); });
    return n;
}

}  // namespace pravel
