#include "batch/batch_file.h"

#include <algorithm>
#include <limits>

namespace pravel::batch {

namespace {

using json = nlohmann::ordered_json;

// A path is "key" or "list[].key": the key of the scenario, or the key of
// every entry of one of its lists.
struct PathParts {
    std::string list;  // empty for a top-level key
    std::string key;
};

PathParts split_path(const std::string& path) {
    const auto marker = path.find("[].");
    if (marker == std::string::npos) {
        if (path.empty() || path.find_first_of("[].") != std::string::npos)
            throw BatchError("unknown path \"" + path + "\" in \"vary\"");
        return {"", path};
    }
    PathParts p{path.substr(0, marker), path.substr(marker + 3)};
    if (p.list.empty() || p.key.empty() || p.key.find_first_of("[].") != std::string::npos ||
        p.list.find_first_of("[].") != std::string::npos)
        throw BatchError("unknown path \"" + path + "\" in \"vary\"");
    return p;
}

void put(json& scenario, const std::string& path, const json& value) {
    const PathParts p = split_path(path);
    if (p.list.empty()) {
        scenario[p.key] = value;
        return;
    }
    if (!scenario.contains(p.list) || !scenario[p.list].is_array() || scenario[p.list].empty())
        throw BatchError("path \"" + path + "\": the base scenario has no \"" + p.list + "\" entries to set");
    for (auto& entry : scenario[p.list]) {
        if (!entry.is_object())
            throw BatchError("path \"" + path + "\": the entries of \"" + p.list + "\" are not objects");
        entry[p.key] = value;
    }
}

std::string text_of(const json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); }

}  // namespace

BatchFile parse_batch_file(const json& doc, const std::function<std::string(const std::string&)>& read_base,
                           const std::function<bool(const std::string&)>& known_analysis,
                           const ScenarioCheck& check) {
    if (!doc.is_object()) throw BatchError("a batch file is one JSON object");
    for (const auto& [key, value] : doc.items()) {
        if (key != "name" && key != "analysis" && key != "base" && key != "vary" && key != "replicates" &&
            key != "description")
            throw BatchError("unknown key \"" + key + "\" in the batch file");
    }
    BatchFile f;
    if (doc.contains("name")) {
        if (!doc["name"].is_string()) throw BatchError("\"name\" must be a text");
        f.name = doc["name"].get<std::string>();
    }
    if (!doc.contains("analysis") || !doc["analysis"].is_string())
        throw BatchError("the batch file needs \"analysis\" (a text)");
    f.analysis = doc["analysis"].get<std::string>();
    if (!known_analysis(f.analysis)) throw BatchError("unknown analysis \"" + f.analysis + "\"");
    if (!doc.contains("base") || !doc["base"].is_string())
        throw BatchError("the batch file needs \"base\" (the base scenario's file)");
    f.base_path = doc["base"].get<std::string>();
    const std::string base_text = read_base(f.base_path);
    try {
        f.base = json::parse(base_text);
    } catch (const json::parse_error& e) {
        throw BatchError("the base scenario " + f.base_path + " is not JSON: " + e.what());
    }
    if (!f.base.is_object()) throw BatchError("the base scenario " + f.base_path + " is not a JSON object");
    try {
        check(f.base);
    } catch (const BatchError&) {
        throw;
    } catch (const std::exception& e) {
        throw BatchError("the base scenario " + f.base_path + ": " + e.what());
    }

    bool seed_varied = false;
    if (doc.contains("vary")) {
        if (!doc["vary"].is_object()) throw BatchError("\"vary\" must be an object of lists");
        for (const auto& [path, values] : doc["vary"].items()) {
            if (!values.is_array()) throw BatchError("vary \"" + path + "\" must be a list of values");
            if (values.empty()) throw BatchError("vary \"" + path + "\" is an empty list");
            VariedParameter v{path, {}};
            for (const auto& value : values) v.values.push_back(value);
            if (path == kSeedPath) {
                seed_varied = true;
                for (const auto& s : v.values) {
                    if (!s.is_number_integer() || s.get<long long>() < 0 ||
                        s.get<long long>() > std::numeric_limits<std::uint32_t>::max())
                        throw BatchError("vary \"seed\": " + s.dump() + " is not a seed (a whole number from 0)");
                }
            } else {
                for (const auto& value : v.values) {
                    json probe = f.base;
                    put(probe, path, value);
                    try {
                        check(probe);
                    } catch (const std::exception& e) {
                        throw BatchError("vary \"" + path + "\" = " + text_of(value) + ": " + e.what());
                    }
                }
            }
            f.vary.push_back(std::move(v));
        }
    }
    if (doc.contains("replicates")) {
        const auto& r = doc["replicates"];
        if (!r.is_number_integer() || r.get<long long>() < 1)
            throw BatchError("\"replicates\" must be a whole number from 1");
        if (seed_varied) throw BatchError("give either \"replicates\" or a varied \"seed\", not both");
        if (r.get<long long>() > kMaxBatchRuns)
            throw BatchError("the batch has more than " + std::to_string(kMaxBatchRuns) + " runs");
    }
    if (!seed_varied) {
        const long long n = doc.contains("replicates") ? doc["replicates"].get<long long>() : 1;
        VariedParameter seeds{kSeedPath, {}};
        for (long long s = 1; s <= n; ++s) seeds.values.push_back(s);
        f.vary.push_back(std::move(seeds));
    } else {
        // The seed changes fastest, so that the replicates of one setting sit together.
        auto it = std::find_if(f.vary.begin(), f.vary.end(), [](const auto& v) { return v.path == kSeedPath; });
        std::rotate(it, it + 1, f.vary.end());
    }
    run_count(f);
    return f;
}

long long run_count(const BatchFile& file) {
    long long n = 1;
    for (const auto& v : file.vary) {
        n *= static_cast<long long>(v.values.size());
        if (n > kMaxBatchRuns)
            throw BatchError("the batch has more than " + std::to_string(kMaxBatchRuns) + " runs");
    }
    return n;
}

std::vector<json> expand_runs(const BatchFile& file) {
    const long long n = run_count(file);
    std::vector<json> runs;
    runs.reserve(static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) {
        json p = json::object();
        long long rest = i;
        // Mixed-radix digits of the run index, the last parameter fastest.
        std::vector<std::size_t> digit(file.vary.size());
        for (std::size_t k = file.vary.size(); k-- > 0;) {
            const auto size = static_cast<long long>(file.vary[k].values.size());
            digit[k] = static_cast<std::size_t>(rest % size);
            rest /= size;
        }
        for (std::size_t k = 0; k < file.vary.size(); ++k) p[file.vary[k].path] = file.vary[k].values[digit[k]];
        runs.push_back(std::move(p));
    }
    return runs;
}

json apply_parameters(const json& base, const json& parameters) {
    json scenario = base;
    for (const auto& [path, value] : parameters.items()) {
        if (path == kSeedPath) continue;
        put(scenario, path, value);
    }
    return scenario;
}

std::uint32_t seed_of(const json& parameters) {
    if (parameters.contains(kSeedPath)) return parameters[kSeedPath].get<std::uint32_t>();
    return 1;
}

}  // namespace pravel::batch
