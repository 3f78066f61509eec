#include "optimisation/configuration_store.h"

#include <climits>
#include <ctime>
#include <utility>

#include "common/number_format.h"
#include "store/database_access.h"
#include "store/result_store.h"

namespace pravel {

namespace {

std::string& name_storage() {
    static std::string name;
    return name;
}

template <typename T>
T at_or(const std::vector<T>& v, std::size_t i, T fallback) {
    return i < v.size() ? v[i] : fallback;
}

int clamp_to_int(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// Holds the lock on configuration identifiers for the length of a store.
class ConfigurationIdLock {
public:
    explicit ConfigurationIdLock(DatabaseAccess& db) : db_(db) {
        if (!lock_configuration_ids(db_, kConfigurationLockSeconds))
            database_fatal("Another program has been storing a configuration for " +
                           format_number(kConfigurationLockSeconds) +
                           " seconds and still holds the configuration identifiers; nothing was stored.");
    }
    ~ConfigurationIdLock() { unlock_configuration_ids(db_); }
    ConfigurationIdLock(const ConfigurationIdLock&) = delete;
    ConfigurationIdLock& operator=(const ConfigurationIdLock&) = delete;

private:
    static constexpr int kConfigurationLockSeconds = 600;
    DatabaseAccess& db_;
};

// Stores a run whole or not at all: the identifier is taken and every row
// written in one transaction, under the lock that keeps a second program from
// taking the same identifier until this one is committed. A failing statement
// or a lost connection leaves no row of the run behind.
std::optional<int> store_run(DatabaseAccess& db, const OptimisationResult& result,
                             const std::vector<MeasureRecord>& measures, int country_id,
                             const std::optional<std::string>& name, long long clock_seconds, bool goal_maximisation) {
    if (!name || name->empty()) return std::nullopt;
    ConfigurationIdLock lock(db);
    Transaction transaction(db);
    const int id = next_configuration_id(db, clock_seconds);
    for (std::size_t m = 0; m < measures.size(); ++m) {
        double payment = at_or(result.payment, m, 0.0);
        if (goal_maximisation) payment = truncate_to_int(payment);
        save_configuration(db, id, measures[m].measureID, payment, at_or(result.max_count, m, 0), *name,
                           country_id);
    }
    if (!goal_maximisation) {
        std::vector<PixelResultRow> rows;
        rows.reserve(result.allocation.size());
        for (const PixelResult& r : result.allocation) {
            PixelResultRow row{r.pixelID, r.measure ? r.measure->measureID : 0, r.margin_with_payment, {}};
            for (const SpeciesQuality& q : r.qualities) row.qualities.emplace_back(q.speciesID, q.quality);
            rows.push_back(std::move(row));
        }
        save_pixel_results(db, id, rows);
    }
    transaction.commit();
    return id;
}

}  // namespace

const std::string& configuration_name() { return name_storage(); }

bool accept_configuration_name(const std::string& text) {
    name_storage() = text;
    return !text.empty();
}

long long configuration_clock() { return static_cast<long long>(std::time(nullptr)); }

int next_configuration_id(DatabaseAccess& db, long long clock_seconds) {
    const int clock = clamp_to_int(clock_seconds);
    const std::optional<int> largest = max_configuration_id(db);
    if (largest && *largest >= clock && *largest < INT_MAX) return *largest + 1;
    return clock;
}

std::optional<int> store_budget_minimisation(DatabaseAccess& db, const OptimisationResult& result,
                                             const std::vector<MeasureRecord>& measures, int country_id,
                                             const std::optional<std::string>& name, long long clock_seconds) {
    return store_run(db, result, measures, country_id, name, clock_seconds, false);
}

std::optional<int> store_goal_maximisation(DatabaseAccess& db, const OptimisationResult& result,
                                           const std::vector<MeasureRecord>& measures, int country_id,
                                           const std::optional<std::string>& name, long long clock_seconds) {
    return store_run(db, result, measures, country_id, name, clock_seconds, true);
}

}  // namespace pravel
