#include "batch/batch_collect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "batch/batch_file.h"
#include "common/atomic_file.h"
#include "gis/gdal_io.h"
#include "gis/gis_export.h"
#include "store/batch_store.h"
#include "store/study_area_store.h"

namespace pravel::batch {

namespace {

using json = nlohmann::json;
using ojson = nlohmann::ordered_json;

std::string number_text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string value_text(const ojson& v) { return v.is_string() ? v.get<std::string>() : v.dump(); }

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::vector<std::pair<std::string, double>> summary_figures(const json& summary) {
    std::vector<std::pair<std::string, double>> out;
    if (summary.contains("budget") && summary["budget"].is_number())
        out.emplace_back("budget", summary["budget"].get<double>());
    const bool per_species = summary.contains("species") && summary["species"].is_array();
    if (per_species) {
        for (const auto& s : summary["species"])
            out.emplace_back("effective_area_ha " + s.value("name", std::string()),
                             s.value("effective_area_ha", 0.0));
    }
    if (summary.contains("measures") && summary["measures"].is_array()) {
        double area = 0.0;
        for (const auto& m : summary["measures"]) area += m.value("area_ha", 0.0);
        out.emplace_back("area_ha", area);
        if (!per_species) {
            for (const auto& m : summary["measures"]) {
                if (!m.contains("species")) continue;
                for (const auto& s : m["species"])
                    out.emplace_back("effective_area_ha " + s.value("name", std::string()) + " measure " +
                                         std::to_string(m.value("id", 0)),
                                     s.value("effective_area_ha", 0.0));
            }
        }
    }
    return out;
}

Statistics statistics(const std::vector<double>& values) {
    Statistics s;
    if (values.empty()) return s;
    double sum = 0.0;
    for (double v : values) sum += v;
    s.mean = sum / static_cast<double>(values.size());
    double squares = 0.0;
    for (double v : values) squares += (v - s.mean) * (v - s.mean);
    s.min = *std::min_element(values.begin(), values.end());
    s.max = *std::max_element(values.begin(), values.end());
    // Equal values have no spread, whatever the rounding of their mean says.
    if (s.min == s.max) {
        s.mean = s.min;
        return s;
    }
    s.sd = values.size() > 1 ? std::sqrt(squares / static_cast<double>(values.size() - 1)) : 0.0;
    return s;
}

std::vector<std::vector<const BatchRunRecord*>> replicate_groups(const std::vector<BatchRunRecord>& runs) {
    std::vector<std::vector<const BatchRunRecord*>> groups;
    std::map<std::string, std::size_t> where;
    for (const auto& r : runs) {
        ojson p = ojson::parse(r.parameters);
        p.erase(kSeedPath);
        const auto [it, added] = where.emplace(p.dump(), groups.size());
        if (added) groups.emplace_back();
        groups[it->second].push_back(&r);
    }
    return groups;
}

CollectTable collect_table(const std::vector<std::string>& paths, const std::vector<BatchRunRecord>& runs) {
    CollectTable t;
    t.parameter_paths = paths;
    // Figure names in order of first appearance over the runs.
    std::vector<std::map<std::string, double>> figures(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].state != "done" || runs[i].summary.empty()) continue;
        for (const auto& [name, value] : summary_figures(json::parse(runs[i].summary))) {
            if (std::find(t.figure_names.begin(), t.figure_names.end(), name) == t.figure_names.end())
                t.figure_names.push_back(name);
            figures[i][name] = value;
        }
    }
    t.header = {"run", "state"};
    t.header.insert(t.header.end(), paths.begin(), paths.end());
    t.header.insert(t.header.end(), t.figure_names.begin(), t.figure_names.end());

    auto parameter_cells = [&](const BatchRunRecord& r, bool leave_out_seed) {
        const ojson p = ojson::parse(r.parameters);
        std::vector<std::string> cells;
        for (const auto& path : paths)
            cells.push_back((leave_out_seed && path == kSeedPath) || !p.contains(path) ? "" : value_text(p[path]));
        return cells;
    };
    const auto index_of = [&](const BatchRunRecord* r) { return static_cast<std::size_t>(r - runs.data()); };
    for (const auto& group : replicate_groups(runs)) {
        std::vector<const BatchRunRecord*> done;
        for (const BatchRunRecord* r : group) {
            std::vector<std::string> row = {std::to_string(r->run_index), r->state};
            const auto cells = parameter_cells(*r, false);
            row.insert(row.end(), cells.begin(), cells.end());
            for (const auto& name : t.figure_names) {
                const auto& f = figures[index_of(r)];
                const auto at = f.find(name);
                row.push_back(at == f.end() ? "" : number_text(at->second));
            }
            t.rows.push_back(std::move(row));
            if (r->state == "done") done.push_back(r);
        }
        if (done.size() < 2) continue;
        std::vector<Statistics> stats;
        for (const auto& name : t.figure_names) {
            std::vector<double> values;
            for (const BatchRunRecord* r : done) {
                const auto& f = figures[index_of(r)];
                if (const auto at = f.find(name); at != f.end()) values.push_back(at->second);
            }
            stats.push_back(statistics(values));
        }
        const char* kinds[] = {"mean", "sd", "min", "max"};
        for (int k = 0; k < 4; ++k) {
            std::vector<std::string> row = {kinds[k], std::to_string(done.size()) + " done"};
            const auto cells = parameter_cells(*done.front(), true);
            row.insert(row.end(), cells.begin(), cells.end());
            for (const auto& s : stats) {
                const double v[] = {s.mean, s.sd, s.min, s.max};
                row.push_back(number_text(v[k]));
            }
            t.rows.push_back(std::move(row));
        }
    }
    return t;
}

std::string csv_text(const CollectTable& table) {
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + csv_field(cells[i]);
        out += "\n";
    };
    line(table.header);
    for (const auto& r : table.rows) line(r);
    return out;
}

std::string status_line(const std::map<std::string, int>& counts) {
    auto n = [&](const char* k) {
        const auto it = counts.find(k);
        return it == counts.end() ? 0 : it->second;
    };
    std::string line = std::to_string(n("queued")) + " queued, " + std::to_string(n("running")) + " running";
    if (n("stale") > 0) line += " (" + std::to_string(n("stale")) + " left by a stopped process)";
    line += ", " + std::to_string(n("done")) + " done, " + std::to_string(n("failed")) + " failed";
    return line;
}

std::string progress_bar(const std::map<std::string, int>& counts, int width) {
    auto n = [&](const char* k) {
        const auto it = counts.find(k);
        return it == counts.end() ? 0 : it->second;
    };
    const int total = n("queued") + n("running") + n("done") + n("failed");
    const int finished = n("done") + n("failed");
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(finished) * width / total) : width;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), ' ') + "] " + std::to_string(finished) + "/" +
           std::to_string(total);
}

int write_selection_frequency(DatabaseAccess& db, const std::vector<const BatchRunRecord*>& group,
                              const std::string& path) {
    const gis::ResultFormat format = gis::result_format(path);
    std::map<int, int> taken;  // pixelID -> runs in which it takes part
    int runs = 0;
    std::optional<int> country;
    for (const BatchRunRecord* r : group) {
        if (r->state != "done" || !r->configurationID) continue;
        ++runs;
        if (!country) country = configuration_country(db, *r->configurationID);
        for (int pixel : configuration_pixel_ids(db, *r->configurationID)) ++taken[pixel];
    }
    if (runs == 0 || !country)
        throw BatchError(path + ": no done run of the batch stored its pixels (only budget minimisations do)");
    const std::vector<PixelCell> cells = area_pixel_cells(db, *country);
    const double n = runs;

    if (format == gis::ResultFormat::Csv) {
        std::string text = "pixelID,matrix_i,matrix_j,x,y,runs_taken,runs,frequency\n";
        for (const auto& c : cells) {
            const auto it = taken.find(c.pixelID);
            const int k = it == taken.end() ? 0 : it->second;
            text += std::to_string(c.pixelID) + "," + std::to_string(c.matrix_i) + "," + std::to_string(c.matrix_j) +
                    "," + std::to_string(c.x) + "," + std::to_string(c.y) + "," + std::to_string(k) + "," +
                    std::to_string(runs) + "," + number_text(k / n) + "\n";
        }
        AtomicFile file;
        if (!file.open(path) || !file.write(text.data(), text.size()) || !file.close())
            throw BatchError(path + ": cannot be written (" + file.error() + ")");
        return runs;
    }
    const gis::GridGeometry grid = gis::export_grid(load_area_grid(db, *country));
    for (const auto& c : cells) {
        if (c.matrix_i < 0 || c.matrix_j < 0 || c.matrix_i >= grid.rows || c.matrix_j >= grid.columns)
            throw BatchError(path + ": pixel " + std::to_string(c.pixelID) + " lies outside the study area's raster");
    }
    if (format == gis::ResultFormat::GeoTiff) {
        gis::OutputBand band;
        band.description = "selection_frequency";
        band.metadata = {{"runs", std::to_string(runs)}};
        band.values.assign(static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns),
                           gis::kNoData);
        for (const auto& c : cells) {
            const auto it = taken.find(c.pixelID);
            band.values[static_cast<std::size_t>(c.matrix_i) * grid.columns + c.matrix_j] =
                (it == taken.end() ? 0 : it->second) / n;
        }
        gis::write_geotiff(path, grid, {band});
    } else {
        std::vector<gis::OutputField> fields = {{"pixelID", true}, {"runs_taken", true}, {"frequency", false}};
        std::vector<gis::OutputFeature> features;
        for (const auto& c : cells) {
            const auto it = taken.find(c.pixelID);
            if (it == taken.end()) continue;
            features.push_back({c.matrix_i,
                                c.matrix_j,
                                {static_cast<double>(c.pixelID), static_cast<double>(it->second), it->second / n}});
        }
        gis::write_geopackage(path, "selection_frequency", grid, fields, features);
    }
    return runs;
}

}  // namespace pravel::batch
