#pragma once
#include <optional>
#include <string>
#include <vector>

#include "optimisation/pixel_allocation.h"
#include "store/measure_store.h"

namespace pravel {

class DatabaseAccess;

// Texts of the name dialog.
inline constexpr const char* kConfigurationNamePrompt =
    "Please enter a name under which the results should be stored in the database, e.g. a combination of measures and species.";
inline constexpr const char* kConfigurationNameMissing = "You have to enter a name first please!";

// The name of the latest configuration, one per process: empty at start,
// kept between stores.
const std::string& configuration_name();

// What OK in the name dialog does: the field text becomes the configuration
// name; true when it is not empty, so that the dialog may close.
bool accept_configuration_name(const std::string& text);

// The current calendar time in seconds, taken when the user asks to store.
long long configuration_clock();

// The identifier of a new configuration: the clock value, or the next one
// above the largest stored identifier when that is not below the clock, so
// two stores within one second never share an identifier. Unique only while
// the caller holds the identifier lock (lock_configuration_ids) until its rows
// are committed, as the store operations below do.
int next_configuration_id(DatabaseAccess& db, long long clock_seconds);

// Stores the latest budget minimisation under `name`: one `configuration`
// row per selected measure (payment as computed, area = its maximum pixel
// count), then a `result` row with its `resulting_quality` rows per
// allocated pixel. `clock_seconds` is the clock taken when the user asked to
// store. A cancelled (nullopt) or empty name stores nothing and returns
// nullopt; otherwise the configuration identifier is returned. The run is
// stored in one transaction: whole, or (after a database error) not at all;
// two programs storing at once get identifiers of their own.
std::optional<int> store_budget_minimisation(DatabaseAccess& db, const OptimisationResult& result,
                                             const std::vector<MeasureRecord>& measures, int country_id,
                                             const std::optional<std::string>& name, long long clock_seconds);

// Stores the latest goal maximisation: the `configuration` rows as above with
// the payment truncated to whole Euro; no per-pixel rows.
std::optional<int> store_goal_maximisation(DatabaseAccess& db, const OptimisationResult& result,
                                           const std::vector<MeasureRecord>& measures, int country_id,
                                           const std::optional<std::string>& name, long long clock_seconds);

}  // namespace pravel
